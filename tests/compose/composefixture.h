#pragma once

// The main window ready for composing: Merlin loaded by Load All and, when asked, made the
// active character; hints recorded as the help assistant would be asked to speak them.

#include "compose/hints.h"
#include "support/windowfixture.h"

#include <QCoreApplication>
#include <QListWidget>
#include <QTest>

namespace vistrel::test {

class ComposeTest : public AppTest {
  protected:
    ComposeTest() {
        form.hints().setVoice([this](const QString& text, bool stopFirst) {
            hints << (stopFirst ? QLatin1String("(stop) ") : QLatin1String("")) + text;
            return assistantSpeaks;
        });
    }

    // Merlin on the desktop through Load All, the editor emptied, Merlin clicked.
    void loadMerlin(const QStringList& animations = {"Wave", "blink", "Alert"}) {
        addCharacter(QStringLiteral("Merlin"));
        control.setAnimationNames(QStringLiteral("Merlin"), animations);
        openScript("Load.Merlin\r\n");
        form.commands().loadAll->trigger();
        form.scriptEditor().setText(QString());
    }
    void activateMerlin(const QStringList& animations = {"Wave", "blink", "Alert"}) {
        loadMerlin(animations);
        control.raiseClick(QStringLiteral("Merlin"));
    }

    static QListWidgetItem* itemOf(QListWidget& list, const QString& text) {
        const QList<QListWidgetItem*> found = list.findItems(text, Qt::MatchExactly);
        return found.isEmpty() ? nullptr : found.front();
    }
    // A real double-click (or click) on the entry `text` of `list`.
    static void doubleClick(QListWidget& list, const QString& text) {
        QListWidgetItem* item = itemOf(list, text);
        ASSERT_NE(item, nullptr) << text.toStdString();
        list.scrollToItem(item);
        const QPoint at = list.visualItemRect(item).center();
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, at);
    }
    static void click(QListWidget& list, const QString& text) {
        QListWidgetItem* item = itemOf(list, text);
        ASSERT_NE(item, nullptr) << text.toStdString();
        list.scrollToItem(item);
        QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualItemRect(item).center());
    }
    void runMethod(const QString& entry) { doubleClick(form.methodsList(), entry); }

    // The editor's text once the queued typing has arrived.
    QString typed() {
        QCoreApplication::processEvents();
        return form.scriptEditor().scriptText();
    }
    int caret() { return form.scriptEditor().textCursor().position(); }

    QStringList hints;
    // Whether the recorded assistant takes the hints it is given.
    bool assistantSpeaks = true;
};

}  // namespace vistrel::test
