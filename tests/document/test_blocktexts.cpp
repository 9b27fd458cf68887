// The block-by-block copy of the editor's text that the live check works on: after any run of
// edits it must read exactly as the document does, and a copy taken earlier must not change.

#include "document/blocktexts.h"
#include "document/editor.h"

#include <gtest/gtest.h>

#include <QPlainTextDocumentLayout>
#include <QRandomGenerator>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace vistrel::test {
namespace {

using document::BlockTexts;

// The document's text as the check must see it: blocks joined by LF.
QString documentText(const QTextDocument& document) {
    return document::ScriptEditor::plainText(document.toRawText(), QLatin1String("\n"));
}

// Keeps a BlockTexts in step with a document, as the live check does.
struct Followed {
    QTextDocument document;
    BlockTexts texts{document};

    Followed() {
        // A document reports its changes once it has a layout; this one is the editor's.
        document.setDocumentLayout(new QPlainTextDocumentLayout(&document));
        QObject::connect(&document, &QTextDocument::contentsChange,
                         [this](int position, int removed, int added) {
                             texts.changed(position, removed, added);
                         });
    }

    // An empty string when the copy reads as the document, else what differs.
    std::string mismatch() const {
        const QString expected = documentText(document);
        const QString copied = BlockTexts::joined(texts.copy());
        if (texts.blockCount() != document.blockCount())
            return "blocks " + std::to_string(texts.blockCount()) + " instead of " +
                   std::to_string(document.blockCount());
        if (copied == expected)
            return {};
        qsizetype at = 0;
        while (at < copied.size() && at < expected.size() && copied[at] == expected[at])
            ++at;
        return "differs at " + std::to_string(at) + ": \"" + copied.mid(at, 20).toStdString() +
               "\" for \"" + expected.mid(at, 20).toStdString() + "\"";
    }
};

QString numberedLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("Line%1.Speak.Number %1").arg(i);
    return lines.join(QLatin1Char('\n'));
}

TEST(BlockTexts, ReadsAsTheDocumentAfterEveryKindOfEdit) {
    Followed f;
    f.document.setPlainText(numberedLines(2000));
    ASSERT_EQ(f.mismatch(), "");
    const BlockTexts::Copy before = f.texts.copy();

    QTextCursor cursor(&f.document);
    struct Step {
        const char* what;
        std::function<void()> edit;
    };
    const std::vector<Step> steps = {
        {"a letter mid-script",
         [&] {
             cursor.setPosition(f.document.findBlockByNumber(1000).position() + 3);
             cursor.insertText(QStringLiteral("x"));
         }},
        {"a new line", [&] { cursor.insertText(QStringLiteral("\n")); }},
        {"joining two lines",
         [&] {
             cursor.setPosition(f.document.findBlockByNumber(1000).position());
             cursor.deletePreviousChar();
         }},
        {"pasting lines across a run boundary",
         [&] {
             cursor.setPosition(f.document.findBlockByNumber(255).position() + 2);
             cursor.insertText(QStringLiteral("a\nb\nc\n\nd"));
         }},
        {"deleting a span of many runs",
         [&] {
             cursor.setPosition(f.document.findBlockByNumber(300).position() + 1);
             cursor.setPosition(f.document.findBlockByNumber(1700).position() + 4,
                                QTextCursor::KeepAnchor);
             cursor.removeSelectedText();
         }},
        {"a line separator inside a line",
         [&] {
             cursor.setPosition(5);
             cursor.insertText(QString(QChar::LineSeparator));
         }},
        {"undo", [&] { f.document.undo(); }},
        {"undo twice",
         [&] {
             f.document.undo();
             f.document.undo();
         }},
        {"redo", [&] { f.document.redo(); }},
        {"the first line removed",
         [&] {
             cursor.setPosition(0);
             cursor.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);
             cursor.removeSelectedText();
         }},
        {"text at the very end",
         [&] {
             cursor.movePosition(QTextCursor::End);
             cursor.insertText(QStringLiteral("\nLast\n"));
         }},
        {"a format change only",
         [&] {
             cursor.setPosition(10);
             cursor.setPosition(40, QTextCursor::KeepAnchor);
             QTextCharFormat bold;
             bold.setFontWeight(QFont::Bold);
             cursor.mergeCharFormat(bold);
         }},
        {"everything removed",
         [&] {
             cursor.select(QTextCursor::Document);
             cursor.removeSelectedText();
         }},
        {"a new text", [&] { f.document.setPlainText(numberedLines(700)); }},
    };
    for (const Step& step : steps) {
        step.edit();
        ASSERT_EQ(f.mismatch(), "") << "after " << step.what;
    }
    EXPECT_EQ(BlockTexts::joined(before), numberedLines(2000))
        << "a copy taken earlier keeps the text as it was";
}

TEST(BlockTexts, RandomEditsKeepTheCopyExactAndItsRunsFew) {
    Followed f;
    f.document.setPlainText(numberedLines(3000));
    QRandomGenerator random(18);
    QTextCursor cursor(&f.document);
    for (int i = 0; i < 600; ++i) {
        const int length = f.document.characterCount() - 1;
        const int at = static_cast<int>(random.bounded(length + 1));
        cursor.setPosition(at);
        switch (random.bounded(4)) {
            case 0:
                cursor.insertText(QStringLiteral("y"));
                break;
            case 1: {
                QString lines;
                for (quint32 n = random.bounded(1, 400); n > 0; --n)
                    lines += QStringLiteral("new %1\n").arg(n);
                cursor.insertText(lines);
                break;
            }
            default:
                // Deletions outweigh insertions a little, so runs are also emptied.
                cursor.setPosition(std::min(length, at + static_cast<int>(random.bounded(9000))),
                                   QTextCursor::KeepAnchor);
                cursor.removeSelectedText();
                break;
        }
        ASSERT_EQ(f.mismatch(), "") << "after edit " << i;
        ASSERT_LE(f.texts.runCount(),
                  2 * static_cast<std::size_t>(f.texts.blockCount()) / BlockTexts::kRunBlocks + 1)
            << "after edit " << i;
    }
}

}  // namespace
}  // namespace vistrel::test
