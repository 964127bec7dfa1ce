#include "app/core/ToolbarLayout.h"

namespace velmarond::app {

QList<int> ParseToolbarLayout(const QString& layout, const QSet<int>& knownTags) {
  QList<int> tags;
  for (const QString& entry : layout.split(QLatin1Char(';'))) {
    bool ok = false;
    const int tag = entry.trimmed().toInt(&ok);
    if (ok && knownTags.contains(tag) && !tags.contains(tag)) tags.append(tag);
  }
  return tags;
}

}  // namespace velmarond::app
