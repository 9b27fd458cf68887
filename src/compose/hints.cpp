#include "compose/hints.h"

#include "log/log.h"

namespace vistrel::compose {

bool Hints::speakHint(const QString& text, bool stopFirst) const {
    if (!helpOn_)
        return true;
    if (!voice_) {
        qCDebug(log::app) << "no voice for the hint:" << text;
        return true;
    }
    return voice_(text, stopFirst);
}

}  // namespace vistrel::compose
