#pragma once
// The table container behind the settings file and the project files: an ordered list of records
// whose fields are declared once per table (text, integer or blob). The byte layout is described in
// TableFormat.md beside this file.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

#include "device/Result.h"

namespace velmarond::app {

enum class TFieldType : quint8 { Text = 1, Integer = 2, Blob = 3 };

struct TTableField {
  QString Name;
  TFieldType Type = TFieldType::Text;
  bool operator==(const TTableField&) const = default;
};

class TTable {
 public:
  TTable() = default;
  explicit TTable(QList<TTableField> fields) : Fields(std::move(fields)) {}

  const QList<TTableField>& FieldList() const { return Fields; }
  int FieldIndex(const QString& name) const;
  int RowCount() const { return static_cast<int>(Rows.size()); }

  // Values are QString for text, qint64 for integer and QByteArray for blob fields.
  QVariant Value(int row, int field) const { return Rows.at(row).at(field); }
  void SetValue(int row, int field, const QVariant& value);
  int AppendRow();  // every field takes the empty value of its type
  void Clear() { Rows.clear(); }

  bool operator==(const TTable&) const = default;

 private:
  QList<TTableField> Fields;
  QList<QList<QVariant>> Rows;
};

QByteArray SerializeTable(const TTable& table);
Result<TTable> ParseTable(const QByteArray& bytes);

}  // namespace velmarond::app
