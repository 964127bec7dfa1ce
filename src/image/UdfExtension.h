#pragma once
// Joins the UDF bridge to the data image: reserves its areas in PrepareImage's layout, writes its volume
// structures into the header, streams its metadata before the file data and puts the closing anchor into the
// last sector.

#include <optional>

#include "image/FileTable.h"
#include "image/ImageExtension.h"
#include "image/UdfBridge.h"

namespace velmarond::image {

class TUdfExtension final : public IImageExtension {
 public:
  bool Enabled(const TEngineState& state) const override;
  void ReserveAfterTerminator(TEngineState& state, std::uint32_t& cursor) override;
  void ReserveBeforeFileData(TEngineState& state, std::uint32_t& cursor) override;
  std::uint32_t SectorsAfterFileData(const TEngineState&) const override { return 1; }
  void FinishLayout(TEngineState& state) override;
  void WriteAfterTerminator(const TEngineState& state, THeaderWriter& out) const override;
  Result<void> StreamBeforeFileData(const TEngineState& state, ISectorSink& sink) override;
  void FinishLastSector(const TEngineState& state, std::span<std::uint8_t> sector) const override;

  const udf::UdfBridge& Bridge() const { return Udf; }
  // Set when the last layout could not place the UDF metadata (a file too large for one file entry).
  const std::optional<Error>& LayoutError() const { return AllocationError; }

 private:
  udf::UdfBridge Udf;
  std::optional<Error> AllocationError;  // the layout hooks cannot fail, so the write reports it
};

// The file table as the UDF side sees it, in the sorted order of the prepared layout.
udf::UdfTree MakeUdfTree(const TFileTable& table);

}  // namespace velmarond::image
