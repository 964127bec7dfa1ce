#include "app/core/TableContainer.h"

#include <QtEndian>
#include <cstring>

#include "app/core/Crc32.h"

namespace velmarond::app {
namespace {

constexpr char TableMagic[8] = {'V', 'M', 'D', 'T', 'A', 'B', 'L', 'E'};
constexpr quint16 TableFormatVersion = 1;
// Bounds that no settings or project file comes near; they keep a damaged count from making us
// allocate without limit.
constexpr quint32 MaxFieldCount = 64;
constexpr quint32 MaxRowCount = 50'000'000;

struct TTableFileHeader {
  char Magic[8];
  quint16 Version;        // little-endian
  quint16 FieldCount;     // little-endian
  quint32 RowCount;       // little-endian
  quint32 PayloadLength;  // little-endian, bytes after the header
  quint32 PayloadCrc32;   // little-endian
};
static_assert(sizeof(TTableFileHeader) == 24);

QVariant EmptyValue(TFieldType type) {
  switch (type) {
    case TFieldType::Text: return QString();
    case TFieldType::Integer: return qint64{0};
    case TFieldType::Blob: return QByteArray();
  }
  return {};
}

void AppendU8(QByteArray& out, quint8 value) { out.append(static_cast<char>(value)); }
void AppendU16(QByteArray& out, quint16 value) {
  char bytes[2];
  qToLittleEndian(value, bytes);
  out.append(bytes, 2);
}
void AppendU32(QByteArray& out, quint32 value) {
  char bytes[4];
  qToLittleEndian(value, bytes);
  out.append(bytes, 4);
}
void AppendChunk(QByteArray& out, const QByteArray& chunk) {
  AppendU32(out, static_cast<quint32>(chunk.size()));
  out.append(chunk);
}

QByteArray EncodeValue(const QVariant& value, TFieldType type) {
  switch (type) {
    case TFieldType::Text: return value.toString().toUtf8();
    case TFieldType::Integer: {
      char bytes[8];
      qToLittleEndian(static_cast<qint64>(value.toLongLong()), bytes);
      return QByteArray(bytes, 8);
    }
    case TFieldType::Blob: return value.toByteArray();
  }
  return {};
}

// Reads the payload front to back; every read checks the remaining length first.
class TPayloadReader {
 public:
  explicit TPayloadReader(QByteArrayView bytes) : Bytes(bytes) {}
  bool ReadU8(quint8& value) {
    if (Remaining() < 1) return false;
    value = static_cast<quint8>(Bytes[Position++]);
    return true;
  }
  bool ReadU16(quint16& value) {
    if (Remaining() < 2) return false;
    value = qFromLittleEndian<quint16>(Bytes.data() + Position);
    Position += 2;
    return true;
  }
  bool ReadChunk(QByteArray& chunk, qsizetype lengthFieldBytes) {
    quint32 length = 0;
    if (lengthFieldBytes == 2) {
      quint16 shortLength = 0;
      if (!ReadU16(shortLength)) return false;
      length = shortLength;
    } else {
      if (Remaining() < 4) return false;
      length = qFromLittleEndian<quint32>(Bytes.data() + Position);
      Position += 4;
    }
    if (Remaining() < static_cast<qsizetype>(length)) return false;
    chunk = Bytes.sliced(Position, length).toByteArray();
    Position += length;
    return true;
  }
  qsizetype Remaining() const { return Bytes.size() - Position; }

 private:
  QByteArrayView Bytes;
  qsizetype Position = 0;
};

Result<QVariant> DecodeValue(const QByteArray& bytes, TFieldType type) {
  switch (type) {
    case TFieldType::Text: return QVariant(QString::fromUtf8(bytes));
    case TFieldType::Integer:
      if (bytes.size() != 8) return MakeError("integer field of wrong length");
      return QVariant(qFromLittleEndian<qint64>(bytes.constData()));
    case TFieldType::Blob: return QVariant(bytes);
  }
  return MakeError("unknown field type");
}

bool IsKnownFieldType(quint8 type) { return type >= 1 && type <= 3; }

}  // namespace

int TTable::FieldIndex(const QString& name) const {
  for (int i = 0; i < Fields.size(); ++i)
    if (Fields[i].Name == name) return i;
  return -1;
}

void TTable::SetValue(int row, int field, const QVariant& value) { Rows[row][field] = value; }

int TTable::AppendRow() {
  QList<QVariant> row;
  for (const auto& field : Fields) row.append(EmptyValue(field.Type));
  Rows.append(row);
  return RowCount() - 1;
}

QByteArray SerializeTable(const TTable& table) {
  QByteArray payload;
  for (const auto& field : table.FieldList()) {
    AppendU8(payload, static_cast<quint8>(field.Type));
    const QByteArray name = field.Name.toUtf8();
    AppendU16(payload, static_cast<quint16>(name.size()));
    payload.append(name);
  }
  for (int row = 0; row < table.RowCount(); ++row)
    for (int field = 0; field < table.FieldList().size(); ++field)
      AppendChunk(payload, EncodeValue(table.Value(row, field), table.FieldList()[field].Type));

  TTableFileHeader header{};
  std::memcpy(header.Magic, TableMagic, sizeof(TableMagic));
  qToLittleEndian(TableFormatVersion, &header.Version);
  qToLittleEndian(static_cast<quint16>(table.FieldList().size()), &header.FieldCount);
  qToLittleEndian(static_cast<quint32>(table.RowCount()), &header.RowCount);
  qToLittleEndian(static_cast<quint32>(payload.size()), &header.PayloadLength);
  qToLittleEndian(Crc32(payload), &header.PayloadCrc32);
  QByteArray bytes(reinterpret_cast<const char*>(&header), sizeof(header));
  bytes.append(payload);
  return bytes;
}

Result<TTable> ParseTable(const QByteArray& bytes) {
  TTableFileHeader header{};
  if (bytes.size() < static_cast<qsizetype>(sizeof(header))) return MakeError("file too short for a table");
  std::memcpy(&header, bytes.constData(), sizeof(header));
  if (std::memcmp(header.Magic, TableMagic, sizeof(TableMagic)) != 0) return MakeError("not a table file");
  if (qFromLittleEndian(header.Version) != TableFormatVersion) return MakeError("unsupported table version");
  const quint32 payloadLength = qFromLittleEndian(header.PayloadLength);
  const QByteArrayView payload = QByteArrayView(bytes).sliced(sizeof(header));
  if (payload.size() != static_cast<qsizetype>(payloadLength)) return MakeError("table file truncated or padded");
  if (Crc32(payload) != qFromLittleEndian(header.PayloadCrc32)) return MakeError("table checksum mismatch");
  const quint32 fieldCount = qFromLittleEndian(header.FieldCount);
  const quint32 rowCount = qFromLittleEndian(header.RowCount);
  if (fieldCount > MaxFieldCount || rowCount > MaxRowCount) return MakeError("table dimensions out of range");
  // Every value takes at least its 4-byte length, so a row count beyond that is damage.
  if (fieldCount > 0 && static_cast<quint64>(rowCount) * fieldCount * 4 > payloadLength)
    return MakeError("table row count exceeds its data");

  TPayloadReader reader(payload);
  QList<TTableField> fields;
  for (quint32 i = 0; i < fieldCount; ++i) {
    quint8 type = 0;
    QByteArray name;
    if (!reader.ReadU8(type) || !IsKnownFieldType(type) || !reader.ReadChunk(name, 2))
      return MakeError("damaged field list");
    fields.append({QString::fromUtf8(name), static_cast<TFieldType>(type)});
  }
  TTable table(fields);
  for (quint32 row = 0; row < rowCount; ++row) {
    const int index = table.AppendRow();
    for (int field = 0; field < fields.size(); ++field) {
      QByteArray chunk;
      if (!reader.ReadChunk(chunk, 4)) return MakeError("damaged record");
      auto value = DecodeValue(chunk, fields[field].Type);
      if (!value) return value.GetError();
      table.SetValue(index, field, *value);
    }
  }
  if (reader.Remaining() != 0) return MakeError("unexpected bytes after the last record");
  return table;
}

}  // namespace velmarond::app
