// Reading script files: 8-bit decoding and the split into items.

#include "script/mailtext.h"
#include "script/scriptreader.h"
#include "script/scripttext.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QStringList>

using vistrel::script::decodeScriptText;
using vistrel::script::ScriptReader;

namespace {

QStringList items(const QString& text) {
    ScriptReader reader(text);
    QStringList out;
    QString item;
    while (reader.next(item))
        out << item;
    return out;
}

struct ItemCase {
    const char* name;
    QString text;
    QStringList expected;
};

void PrintTo(const ItemCase& c, std::ostream* os) {
    *os << c.name;
}

class ItemSplit : public testing::TestWithParam<ItemCase> {};

TEST_P(ItemSplit, GivesTheExpectedItems) {
    EXPECT_EQ(items(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Reader, ItemSplit,
    testing::Values(
        ItemCase{"crlf", "Load.Merlin\r\nMerlin.Show\r\n", {"Load.Merlin", "Merlin.Show"}},
        ItemCase{"lf", "Load.Merlin\nMerlin.Show\n", {"Load.Merlin", "Merlin.Show"}},
        ItemCase{"cr", "a\rb", {"a", "b"}}, ItemCase{"noFinalLineEnd", "a\r\nb", {"a", "b"}},
        ItemCase{"emptyFile", "", {}},
        ItemCase{"blankLinesAreEmptyItems", "\r\n\r\na\r\n\r\n", {"", "", "a", ""}},
        ItemCase{"commaSplits", "Merlin.Speak.Hello, world\r\n", {"Merlin.Speak.Hello", "world"}},
        ItemCase{"commaAtLineEnd", "a,\r\nb", {"a", "", "b"}},
        ItemCase{"leadingBlanksSkippedTrailingKept", "  \t%Min  \r\n", {"%Min  "}},
        ItemCase{"quotedHoldsCommas",
                 "\"Merlin.Speak.Hello, world\"\r\nx",
                 {"Merlin.Speak.Hello, world", "x"}},
        ItemCase{"textAfterClosingQuoteDropped", "\"ab\"cd,ef", {"ab", "ef"}},
        ItemCase{"quotedRunsOverLineEnds", "\"a\r\nb\",c", {"a\r\nb", "c"}},
        ItemCase{"unterminatedQuoteRunsToEnd", "x\r\n\"abc, def", {"x", "abc, def"}},
        ItemCase{"quoteInsideFieldIsText", "Merlin.Speak.say \"hi\"", {"Merlin.Speak.say \"hi\""}},
        ItemCase{"trailingBlankTextIsNoItem", "a\r\n   ", {"a"}}),
    [](const testing::TestParamInfo<ItemCase>& p) { return std::string(p.param.name); });

TEST(ScriptText, DecodesUtf8AndDropsItsByteOrderMark) {
    EXPECT_EQ(decodeScriptText(QByteArray("caf\xc3\xa9")), QString::fromUtf8("caf\xc3\xa9"));
    EXPECT_EQ(decodeScriptText(QByteArray("\xef\xbb\xbfLoad.Merlin")),
              QStringLiteral("Load.Merlin"));
}

TEST(ScriptText, ReadsAnythingElseAsWindows1252) {
    // 0xE9 alone is not UTF-8; in the code page it is e-acute. 0x80 is the euro sign and
    // 0x93/0x94 are curly quotes, where Latin-1 would give control characters.
    EXPECT_EQ(decodeScriptText(QByteArray("caf\xe9 \x80 \x93q\x94")),
              QString::fromUtf8("caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x9cq\xe2\x80\x9d"));
    // Undefined bytes of the code page keep their value.
    EXPECT_EQ(decodeScriptText(QByteArray("\x81\x8d")), QString::fromUtf16(u"\u0081\u008d"));
    // A truncated UTF-8 sequence at the end is not UTF-8.
    EXPECT_EQ(decodeScriptText(QByteArray("ab\xc3")), QString::fromUtf16(u"ab\u00c3"));
}

}  // namespace

// A script as the text of a mail, and back out of whatever the mail became on its way.
TEST(MailText, WrapsTheScriptBetweenMarkersAndFindsItAgainInASavedMail) {
    using vistrel::script::mailText;
    using vistrel::script::scriptFromMailText;
    EXPECT_EQ(mailText({}), "< V.T.L - SCRIPT START>\r\n\r\n<SCRIPT VTL.END>");
    const QString script = QStringLiteral("Load.Merlin\r\nMerlin.Show\r\n");
    EXPECT_EQ(scriptFromMailText(mailText(script)), script);
    EXPECT_EQ(scriptFromMailText(mailText({})), QString());

    // Headers before, a signature after, line ends turned into LF by the mail program.
    EXPECT_EQ(scriptFromMailText("Subject: hi\n\n< V.T.L - SCRIPT START>\nLoad.A\nA.Show\n"
                                 "<SCRIPT VTL.END>\n-- \nAnn"),
              "Load.A\nA.Show");
    // The end marker lost: the script runs to the end of the text.
    EXPECT_EQ(scriptFromMailText("< V.T.L - SCRIPT START>\r\nLoad.A"), "Load.A");
    // Markers back to back, and an end marker only before the start.
    EXPECT_EQ(scriptFromMailText("< V.T.L - SCRIPT START><SCRIPT VTL.END>"), QString());
    EXPECT_EQ(scriptFromMailText("<SCRIPT VTL.END>\n< V.T.L - SCRIPT START>\nLoad.A\n"),
              "Load.A\n");
    EXPECT_FALSE(scriptFromMailText("Load.A\nA.Show\n<SCRIPT VTL.END>"));
    EXPECT_FALSE(scriptFromMailText("<V.T.L - SCRIPT START>\nLoad.A")) << "the blank matters";
}
