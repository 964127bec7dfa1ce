#include "app/core/CommandLine.h"

#include <QFile>
#include <QFileInfo>

namespace velmarond::app {
namespace {

QStringList ReadLines(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  for (QString& line : lines)
    if (line.endsWith(QLatin1Char('\r'))) line.chop(1);
  if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
  return lines;
}

bool IsPlaylist(const QString& line) {
  const QString upper = line.trimmed().toUpper();
  return upper.endsWith(QLatin1String(".ASX")) || upper.endsWith(QLatin1String(".M3U"));
}

bool AllPlaylists(const QStringList& lines) {
  for (const QString& line : lines)
    if (!IsPlaylist(line)) return false;
  return true;
}

QString UpperExtension(const QString& path) {
  const QString suffix = QFileInfo(path.trimmed()).suffix();
  return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.toUpper();
}

}  // namespace

QString JoinArguments(const QStringList& arguments) { return arguments.join(QLatin1Char(' ')).trimmed(); }

bool TCommandLineProcessor::ProcessCommandLine(const QString& commandLine) {
  if (Target.BurnProgressWindowExists()) return true;
  const QString text = commandLine.trimmed();
  if (text.isEmpty()) return true;
  const bool firstCall = !Taken;
  Taken = true;
  if (firstCall && !ProcessArguments.isEmpty() && TakeArgumentsAsEntries()) return true;

  const qsizetype blank = text.indexOf(QLatin1Char(' '), 1);
  const QString verb = (blank > 0 ? text.left(blank) : text).trimmed().toUpper();
  const QString listFile = blank > 0 ? text.mid(blank + 1).trimmed() : QString();
  if (!listFile.isEmpty()) {
    if (!ProcessListFile(verb, listFile)) return true;  // an image burn took over
    Target.RefreshCompilationState(TRefresh::Full);
  }
  return RunVerb(verb);
}

bool TCommandLineProcessor::TakeArgumentsAsEntries() {
  for (const QString& argument : ProcessArguments)
    if (!QFileInfo::exists(argument)) return false;
  if (ProcessArguments.size() == 1 && UpperExtension(ProcessArguments.first()) == QLatin1String(".KVZ")) {
    Target.LoadProject(ProcessArguments.first());
    return true;
  }
  Target.BeginAdding();
  for (const QString& argument : ProcessArguments) Target.AddToCompilationRoot(argument);
  Target.ScrollToLastVisibleNode();
  Target.EndAdding();
  return true;
}

// False when the list started an image burn, which ends the processing.
bool TCommandLineProcessor::ProcessListFile(const QString& verb, const QString& listFile) {
  if (!QFileInfo(listFile).isFile()) return true;
  Target.ShowWaitCursor();
  const QStringList lines = ReadLines(listFile);
  bool continueProcessing = true;
  if (!lines.isEmpty()) {
    if (verb == QLatin1String("R") || verb == QLatin1String("RB")) {
      for (const QString& line : lines) Target.RemovePathFromCompilation(line);
    } else if (verb == QLatin1String("BISO")) {
      const QString image = lines.first().trimmed();
      if (lines.size() == 1 && QFileInfo(image).isFile() && UpperExtension(image) == QLatin1String(".ISO")) {
        Target.RestoreCursor();
        Target.StartBurnImage(image);
        continueProcessing = false;
      }
    } else {
      AddListLines(lines);
    }
  }
  if (continueProcessing) Target.RestoreCursor();
  QFile::remove(listFile);
  return continueProcessing;
}

void TCommandLineProcessor::AddListLines(const QStringList& lines) {
  Target.BeginAdding();
  if (AllPlaylists(lines)) {
    for (const QString& line : lines) Target.ImportPlaylist(line.trimmed());
  } else {
    // The first line comes last: the file manager puts the item that was clicked first.
    for (qsizetype i = 1; i < lines.size(); ++i) Target.AddToCompilationRoot(lines[i]);
    Target.AddToCompilationRoot(lines.first());
  }
  Target.ScrollToLastVisibleNode();
  Target.EndAdding();
}

bool TCommandLineProcessor::RunVerb(const QString& verb) {
  if (verb == QLatin1String("R")) {
    Target.RestoreAndRaise();
    Target.ShowMainWindow();
  } else if (verb == QLatin1String("E")) {
    Target.ShowMainWindow();
    Target.StartErase();
  } else if (verb == QLatin1String("I")) {
    Target.ShowMainWindow();
    Target.ShowDiscInformation();
  } else if (verb == QLatin1String("C")) {
    Target.ShowMainWindow();
    Target.DeleteAll();
  } else if (verb == QLatin1String("B") || verb == QLatin1String("AB") || verb == QLatin1String("RB")) {
    Target.RefreshCompilationState(TRefresh::Quiet);
    if (Target.HasAudioFiles())
      Target.ChooseBurnMode();
    else
      Target.StartDataBurn();
    return false;
  } else if (verb == QLatin1String("FLY")) {
    Target.ShowDropWindow();
  }
  return true;
}

}  // namespace velmarond::app
