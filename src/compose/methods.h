#pragma once

#include <QStringList>

class QListWidget;

namespace vistrel::compose {

// The Methods list's entries before any character is active: only "Load.".
const QStringList& startingMethods();
// The entries once a character is active, in the order they are listed.
const QStringList& fullMethods();

void showStartingMethods(QListWidget& list);
void showFullMethods(QListWidget& list);

}  // namespace vistrel::compose
