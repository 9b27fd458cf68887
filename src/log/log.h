#pragma once

// The program's logging categories and the one way to record a failure that is ignored on
// purpose. Every category is off below warnings unless the user turns it on, for example
//   QT_LOGGING_RULES="vistrel.*.debug=true" vtscripter SCRIPT.vtl
// which traces each item read, each call made, each request with its status, each animation
// and sound started, and each ignored failure with its reason.

#include <QLoggingCategory>
#include <QString>

#include <exception>

namespace vistrel::log {

Q_DECLARE_LOGGING_CATEGORY(script)  // "vistrel.script": items read, calls made, request slots
Q_DECLARE_LOGGING_CATEGORY(engine)  // "vistrel.engine": requests, animations, moves, sounds
Q_DECLARE_LOGGING_CATEGORY(speech)  // "vistrel.speech": synthesis, voices, sound output
Q_DECLARE_LOGGING_CATEGORY(stage)   // "vistrel.stage": windows, balloons, input
Q_DECLARE_LOGGING_CATEGORY(app)     // "vistrel.app": the window, documents, settings, start-up
Q_DECLARE_LOGGING_CATEGORY(render)  // "vistrel.render": rendering a script to a video file

// Records that `what` failed for `why` and that the program goes on without it.
void ignored(const QLoggingCategory& category, const QString& what, const QString& why);

// The same for a failure caught as an exception.
void ignored(const QLoggingCategory& category, const QString& what, const std::exception& e);

}  // namespace vistrel::log
