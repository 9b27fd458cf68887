#include "compose/methods.h"

#include <QListWidget>

namespace vistrel::compose {

const QStringList& startingMethods() {
    static const QStringList entries{QStringLiteral("Load.")};
    return entries;
}

const QStringList& fullMethods() {
    static const QStringList entries{
        QStringLiteral("Load."),      QStringLiteral("Show"),        QStringLiteral("Hide"),
        QStringLiteral("Stop"),       QStringLiteral("Whisper."),    QStringLiteral("Think."),
        QStringLiteral("Speak."),     QStringLiteral("SpeakSound."), QStringLiteral("MoveTo."),
        QStringLiteral("GestureAt."), QStringLiteral("Req."),        QStringLiteral("WaitOn.Req."),
        QStringLiteral("Interrupt"),
    };
    return entries;
}

void showStartingMethods(QListWidget& list) {
    list.clear();
    list.addItems(startingMethods());
}

void showFullMethods(QListWidget& list) {
    list.clear();
    list.addItems(fullMethods());
}

}  // namespace vistrel::compose
