#pragma once

// A player wired to a recording service and a scripted window, with the script written to a
// temporary folder beside a vistrel.ini.

#include "agent/recording.h"
#include "script/check.h"
#include "script/player.h"
#include "script/scripttext.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

namespace vistrel::test {

class FakeHost final : public script::PlayerHost {
  public:
    void setStatusText(const QString& text) override { statusTexts << text; }
    void minimizeWindow() override { ++minimised; }
    void showStopMessage(const QString& title, const QString& text) override {
        messages << title + QLatin1String(" | ") + text;
    }
    void focusEditor() override { ++editorFocused; }
    QString programFolder() const override { return folder; }

    QString folder;
    QStringList statusTexts;
    QStringList messages;
    int minimised = 0;
    int editorFocused = 0;
};

class PlayerTest : public testing::Test {
  protected:
    PlayerTest() {
        host.folder = QDir::toNativeSeparators(programDir.path());
        writeFile(programDir.filePath("vistrel.ini"), "[Current]\r\nCurrent=1033\r\n");
        state.charactersFolder = QDir::toNativeSeparators(charsDir.path());
        service.setAssumeFilesExist(true);
    }

    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }

    // Plays `script` (8-bit text) and returns every call line of this play. Like the Play
    // command, it first unloads what earlier plays loaded.
    QStringList play(const QByteArray& script) {
        const QString path = programDir.filePath(QStringLiteral("scripts-%1.vtl").arg(++plays_));
        writeFile(path, script);
        for (const QString& id : service.loadedIds())
            service.Unload(id);
        service.clearCalls();
        player.playScript(path);
        expectCheckerAgrees(script);
        return service.callLines();
    }

    // The calls of a play without the bookkeeping of its loads (Characters.*, Name, the
    // language and the pop-up menu).
    QStringList commands(const QByteArray& script) {
        QStringList out;
        for (const QString& line : play(script)) {
            if (line.startsWith(QLatin1String("Characters.")) ||
                line.contains(QLatin1String(".Name ->")) ||
                line.contains(QLatin1String(".LanguageID=")) ||
                line.contains(QLatin1String(".Commands.")))
                continue;
            out << line;
        }
        return out;
    }

    // The checker reads every script of these tests into the same items as the player.
    void expectCheckerAgrees(const QByteArray& script) {
        if (player.failed())
            return;  // the player stopped early; the checker reads on
        script::CheckOptions options;
        options.charactersFolder = charsDir.path();
        const script::CheckResult checked =
            script::checkScript(script::decodeScriptText(script), options);
        EXPECT_EQ(static_cast<int>(checked.itemStarts.size()), player.itemsRead())
            << "the checker and the player disagree on the items of:\n"
            << script.toStdString();
    }

    QTemporaryDir programDir;
    QTemporaryDir charsDir;
    FakeHost host;
    agent::RecordingAgent service;
    script::PlayerState state;
    script::ScriptPlayer player{state, service, host};

  private:
    int plays_ = 0;
};

}  // namespace vistrel::test
