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

    // An empty string when the copy reads as the document, else what it reads.
    std::string mismatch() const {
        const QString copied = BlockTexts::joined(texts.copy());
        if (texts.blockCount() == document.blockCount() && copied == documentText(document))
            return {};
        return std::to_string(texts.blockCount()) + " blocks: " + copied.left(200).toStdString();
    }
};

QString numberedLines(int count) {
    QStringList lines;
    for (int i = 0; i < count; ++i)
        lines << QStringLiteral("Line%1.Speak.Number %1").arg(i);
    return lines.join(QLatin1Char('\n'));
}

// Edits that typing and pasting do not make; those are the next test's.
TEST(BlockTexts, ReadsAsTheDocumentAfterUndoFormatsAndWholeNewTexts) {
    Followed f;
    f.document.setPlainText(numberedLines(2000));
    ASSERT_EQ(f.mismatch(), "");
    const BlockTexts::Copy before = f.texts.copy();

    QTextCursor cursor(&f.document);
    cursor.setPosition(f.document.findBlockByNumber(300).position() + 1);
    cursor.setPosition(f.document.findBlockByNumber(1700).position() + 4, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    cursor.setPosition(5);
    cursor.insertText(QString(QChar::LineSeparator));
    ASSERT_EQ(f.mismatch(), "") << "a line separator inside a line";
    f.document.undo();
    f.document.undo();
    ASSERT_EQ(f.mismatch(), "") << "undo";
    f.document.redo();
    ASSERT_EQ(f.mismatch(), "") << "redo";
    cursor.setPosition(10);
    cursor.setPosition(40, QTextCursor::KeepAnchor);
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.mergeCharFormat(bold);
    ASSERT_EQ(f.mismatch(), "") << "a format change only";
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    ASSERT_EQ(f.mismatch(), "") << "everything removed";
    f.document.setPlainText(numberedLines(700));
    ASSERT_EQ(f.mismatch(), "") << "a new text";
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
