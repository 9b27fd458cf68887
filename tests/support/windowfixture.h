#pragma once

// The main window on the offscreen platform, wired to scripted platform services and two
// recording character services, with its program folder and characters folder in temporary
// folders.

#include "agent/recording.h"
#include "app/mainwindow.h"
#include "platform/testing/scripted.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QWindow>

namespace vistrel::test {

inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

inline void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    f.write(bytes);
}

inline QStringList entries(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i)
        out << list.item(i)->text();
    return out;
}

class AppTest : public testing::Test {
  protected:
    AppTest() {
        QDir(programDir.path()).mkpath(QStringLiteral("scripts"));
        writeBytes(programDir.filePath(QStringLiteral("vistrel.ini")),
                   "[Current]\r\nCurrent=1033\r\n");
        platform.settings.setValue(QStringLiteral("Vtl"), QStringLiteral("Dir"),
                                   QStringLiteral("Dir"), charsDir.path());
    }

    // A character file the recording service will accept.
    void addCharacter(const QString& id) {
        writeBytes(QDir(charsDir.path()).filePath(id + QLatin1String(".acs")), "ACS");
    }

    QString scriptPath(const QString& name) const {
        return QDir(programDir.path()).filePath(QLatin1String("scripts/") + name);
    }

    // Writes a script and opens it for editing as the /ed command line does.
    QString openScript(const QByteArray& text, const QString& name = QStringLiteral("s.vtl")) {
        const QString path = scriptPath(name);
        writeBytes(path, text);
        form.start({path, QStringLiteral("/ed")});
        return path;
    }

    QStringList callLines() const { return control.callLines(); }

    // The caption as the desktop shows it, with the modified mark in place.
    QString shownTitle() {
        form.winId();  // a window hidden since start-up has its caption too
        return form.windowHandle()->title();
    }

    const app::WindowCommands& commands() const { return form.commands(); }

    QTemporaryDir programDir;
    QTemporaryDir charsDir;
    platform::testing::ScriptedPlatform platform;
    agent::RecordingAgent control;
    agent::RecordingAgent assistant;
    app::MainWindow form{platform.platform(), control, assistant, programDir.path()};
};

}  // namespace vistrel::test
