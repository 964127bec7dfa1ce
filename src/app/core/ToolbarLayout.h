#pragma once
// The toolbar layout setting: button tags separated by ";", shown in that order.

#include <QList>
#include <QSet>
#include <QString>

namespace velmarond::app {

// Tags in the listed order; entries that are not numbers or match no known button are skipped.
QList<int> ParseToolbarLayout(const QString& layout, const QSet<int>& knownTags);

}  // namespace velmarond::app
