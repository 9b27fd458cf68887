#include "log/log.h"

#include <exception>

namespace vistrel::log {

Q_LOGGING_CATEGORY(script, "vistrel.script", QtWarningMsg)
Q_LOGGING_CATEGORY(engine, "vistrel.engine", QtWarningMsg)
Q_LOGGING_CATEGORY(speech, "vistrel.speech", QtWarningMsg)
Q_LOGGING_CATEGORY(stage, "vistrel.stage", QtWarningMsg)
Q_LOGGING_CATEGORY(app, "vistrel.app", QtWarningMsg)
Q_LOGGING_CATEGORY(render, "vistrel.render", QtWarningMsg)

void ignored(const QLoggingCategory& category, const QString& what, const QString& why) {
    qCDebug(category).noquote() << "ignored:" << what << "failed:" << why;
}

void ignored(const QLoggingCategory& category, const QString& what, const std::exception& e) {
    ignored(category, what, QString::fromUtf8(e.what()));
}

}  // namespace vistrel::log
