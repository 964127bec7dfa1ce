#pragma once
// Reading and writing a table container file. Saving goes through a temporary file beside the target
// that is flushed and renamed into place, so a crash or a full disk never leaves a half-written file.

#include <QString>
#include <variant>

#include "app/core/TableContainer.h"

namespace velmarond::app {

enum class TLoadFailure { Missing, Unreadable, Damaged };

struct TLoadError {
  TLoadFailure Kind;
  QString Text;
};

// Reads and parses the file; an open/read failure is retried (another process may hold the file),
// handing control to the event loop between attempts.
std::variant<TTable, TLoadError> LoadTableFromFile(const QString& path, int attempts = 101);

// The two halves of a save, separate so that the rename is a step of its own.
Result<QString> WriteTemporaryTableFile(const QString& path, const TTable& table);
Result<void> CommitTemporaryTableFile(const QString& temporaryPath, const QString& path);
Result<void> SaveTableToFile(const QString& path, const TTable& table);

// Moves a damaged file out of the way under a name that tells what it is; returns the new path.
Result<QString> KeepDamagedFileAside(const QString& path);

}  // namespace velmarond::app
