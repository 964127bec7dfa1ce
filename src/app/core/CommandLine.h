#pragma once
// Command lines, at start-up and forwarded from a second instance: files and folders to add, or a
// verb with an optional list file.

#include <QString>
#include <QStringList>

#include "app/core/CommandTarget.h"

namespace velmarond::app {

QString JoinArguments(const QStringList& arguments);  // arguments 1..n, one blank apart, trimmed

class TCommandLineProcessor {
 public:
  // `processArguments` are the program's own arguments (without the program name).
  TCommandLineProcessor(TCommandTarget& target, QStringList processArguments)
      : Target(target), ProcessArguments(std::move(processArguments)) {}

  // False only when a burn was started.
  bool ProcessCommandLine(const QString& commandLine);
  bool CommandLineTaken() const { return Taken; }

 private:
  bool TakeArgumentsAsEntries();
  bool ProcessListFile(const QString& verb, const QString& listFile);
  void AddListLines(const QStringList& lines);
  bool RunVerb(const QString& verb);

  TCommandTarget& Target;
  QStringList ProcessArguments;
  bool Taken = false;
};

}  // namespace velmarond::app
