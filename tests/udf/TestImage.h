#pragma once
// Builds whole images for the tests: a file table with the UDF bridge and boot extensions registered, laid
// out by PrepareImage and written sector by sector the way the producer orders them.

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image/ElTorito.h"
#include "image/EngineState.h"
#include "image/IsoHeader.h"
#include "image/IsoLayout.h"
#include "image/UdfExtension.h"

namespace velmarond::image::testing {

class TTestImage {
 public:
  TTestImage() {
    State.Extensions = {&Boot, &Udf};
    State.Options.UdfBridge = true;
    State.Options.VolumeId = "VELMAROND";
    State.Options.VolumeIdWide = u"Velmarond";
  }

  TEngineState State;
  TBootExtension Boot;
  TUdfExtension Udf;

  // Prepares, builds the header and writes the image; returns the error text, empty on success.
  std::string Write(const std::filesystem::path& target, std::uint32_t sessionStart = 0) {
    auto prepared = PrepareImage(State);
    if (!prepared) return prepared.GetError().Text;
    State.SessionStart = sessionStart;
    if (!BuildHeader(State)) return "header not built";
    FileSink sink(target);
    if (auto written = sink.Append(State.Header); !written) return written.GetError().Text;
    for (IImageExtension* extension : State.Extensions) {
      if (!extension->Enabled(State)) continue;
      if (auto streamed = extension->StreamBeforeFileData(State, sink); !streamed) return streamed.GetError().Text;
    }
    if (sink.Position() != std::uint64_t{State.Layout.FileDataStart} * 2048) return "metadata ends at the wrong sector";
    for (const TFileEntry* entry : State.Table.FilesInOrder()) {
      if (entry->IsDirectory() || entry->Size == 0 || entry->Imported) continue;
      sink.CopyFile(entry->SourcePath, std::uint64_t{State.Layout.FileDataStart + entry->Extent} * 2048);
    }
    const std::uint64_t size = std::uint64_t{State.Layout.VolumeSize} * 2048;
    std::vector<std::uint8_t> last(2048, 0);
    for (IImageExtension* extension : State.Extensions) {
      if (extension->Enabled(State)) extension->FinishLastSector(State, last);
    }
    sink.WriteAt(last, size - 2048);
    return {};
  }

 private:
  class FileSink final : public ISectorSink {
   public:
    explicit FileSink(const std::filesystem::path& path) : Out(path, std::ios::binary | std::ios::trunc) {}
    Result<void> Append(std::span<const std::uint8_t> bytes) override {
      WriteAt(bytes, At);
      return {};
    }
    void WriteAt(std::span<const std::uint8_t> bytes, std::uint64_t offset) {
      Out.seekp(static_cast<std::streamoff>(offset));
      Out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
      At = offset + bytes.size();
    }
    // Zero chunks are skipped, so a sparse source stays sparse in the image.
    void CopyFile(const std::string& source, std::uint64_t offset) {
      std::ifstream in(source, std::ios::binary);
      std::vector<char> chunk(1 << 20);
      while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        bool zero = true;
        for (std::size_t i = 0; i < n && zero; ++i) zero = chunk[i] == 0;
        if (!zero) WriteAt({reinterpret_cast<const std::uint8_t*>(chunk.data()), n}, offset);
        offset += n;
      }
    }
    std::uint64_t Position() const { return At; }

   private:
    std::ofstream Out;
    std::uint64_t At = 0;
  };
};

inline std::vector<std::uint8_t> ReadSector(const std::filesystem::path& image, std::uint32_t sector) {
  std::ifstream in(image, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(sector) * 2048);
  std::vector<std::uint8_t> bytes(2048, 0);
  in.read(reinterpret_cast<char*>(bytes.data()), 2048);
  return bytes;
}

}  // namespace velmarond::image::testing
