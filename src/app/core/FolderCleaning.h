#pragma once
// Emptying the temporary folder, and removing the WAV files the program made. The WAV folder is the
// user's choice and may hold the user's own WAV files (even the sources of a burn), so only files
// recorded in the manifest of created files are deleted there.

#include <QString>

namespace velmarond::app {

// Deletes every file directly in the folder; sub-folders and the folder itself stay.
void DeleteFilesIn(const QString& folder);

class TCreatedWavFiles {
 public:
  explicit TCreatedWavFiles(QString manifestPath) : ManifestPath(std::move(manifestPath)) {}
  // Recorded before the file is written, so a crash in between still lets the next start clean up.
  bool Register(const QString& wavPath) const;
  // Deletes every recorded file that still exists and forgets them all.
  void DeleteCreated() const;

 private:
  QString ManifestPath;
};

}  // namespace velmarond::app
