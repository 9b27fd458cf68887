// Script files on disk: their bytes, their encodings, and what a failed write leaves behind.

#include "document/scriptfile.h"
#include "script/scripttext.h"
#include "support/permissions.h"
#include "support/windowfixture.h"

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

namespace vistrel::test {
namespace {

using document::editorTextFromBytes;
using document::encodeScriptText;
using document::readScriptFile;
using document::scriptFileBytes;
using document::writeScriptFile;

TEST(ScriptFileBytes, AreTheTextThenOneLineEnd) {
    EXPECT_EQ(scriptFileBytes(QStringLiteral("abc")), QByteArray("abc\r\n"));
    EXPECT_EQ(scriptFileBytes(QString()), QByteArray("\r\n"));
    EXPECT_EQ(scriptFileBytes(QStringLiteral("a\r\nb")), QByteArray("a\r\nb\r\n"));
}

TEST(ScriptFileBytes, UseWindows1252WhenItHoldsEveryCharacterAndUtf8Otherwise) {
    // é and the euro sign have bytes in the code page; the Greek letter does not.
    EXPECT_EQ(encodeScriptText(QStringLiteral("caf\u00e9 \u20ac5")), QByteArray("caf\xe9 \x80"
                                                                                "5"));
    EXPECT_EQ(encodeScriptText(QStringLiteral("\u03a9 caf\u00e9")),
              QByteArray("\xce\xa9 caf\xc3\xa9"));
    // "Ã©" in the code page is C3 A9, which a reader would take for UTF-8 "é": UTF-8 it is.
    const QString ambiguous = QStringLiteral("\u00c3\u00a9");
    EXPECT_EQ(encodeScriptText(ambiguous), ambiguous.toUtf8());
}

TEST(ScriptFileBytes, ReadBackAsTheSameText) {
    const QString samples[] = {
        QStringLiteral("Merlin.Speak.Hello"),
        QStringLiteral("Merlin.Speak.Gr\u00fc\u00dfe \u2013 \u201cquoted\u201d \u2122"),
        QStringLiteral("Genie.Speak.\u3053\u3093\u306b\u3061\u306f \U0001F600"),
        QStringLiteral("\u00c3\u00a9\u00c3\u00a8"),
        QStringLiteral("controls \u0081\u008d\u008f\u0090\u009d kept"),
        QStringLiteral("\ufeffstarts with a byte-order mark"),
    };
    for (const QString& text : samples)
        EXPECT_EQ(script::decodeScriptText(encodeScriptText(text)), text) << text.toStdString();
}

TEST(ScriptFileText, DropsTheLastLineEndAndSplitsOnEveryKindOfLineEnd) {
    EXPECT_EQ(editorTextFromBytes("a\r\nb\r\n"), QStringLiteral("a\nb"));
    EXPECT_EQ(editorTextFromBytes("a\nb\rc"), QStringLiteral("a\nb\nc"));
    EXPECT_EQ(editorTextFromBytes("a\r\n\r\n"), QStringLiteral("a\n"));
    EXPECT_EQ(editorTextFromBytes(""), QString());
}

class ScriptFileOnDisk : public testing::Test {
  protected:
    QString path(const char* name) const { return dir.filePath(QLatin1String(name)); }
    QTemporaryDir dir;
};

TEST_F(ScriptFileOnDisk, OpeningAndSavingGivesBackTheSameBytes) {
    const QByteArray original = "Load.Merlin\r\nMerlin.Speak.Caf\xe9\r\n\r\nMerlin.Hide\r\n";
    writeBytes(path("a.vtl"), original);
    const std::optional<document::ScriptFile> file = readScriptFile(path("a.vtl"));
    ASSERT_TRUE(file);
    ASSERT_TRUE(
        writeScriptFile(path("a.vtl"), QString(file->text).replace('\n', "\r\n"), file->encoding));
    EXPECT_EQ(readBytes(path("a.vtl")), original);
}

TEST_F(ScriptFileOnDisk, AFileIsWrittenBackInTheEncodingItWasReadIn) {
    using script::ScriptEncoding;
    const struct {
        QByteArray bytes;
        ScriptEncoding encoding;
    } cases[] = {
        {"Merlin.Speak.Caf\xc3\xa9\r\n", ScriptEncoding::Utf8},
        {"\xef\xbb\xbfMerlin.Speak.Caf\xc3\xa9\r\n", ScriptEncoding::Utf8WithMark},
        {"\xef\xbb\xbfMerlin.Show\r\n", ScriptEncoding::Utf8WithMark},
        {"Merlin.Speak.Caf\xe9\r\n", ScriptEncoding::Windows1252},
        {"Merlin.Show\r\n", ScriptEncoding::Undecided},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        writeBytes(path("e.vtl"), c.bytes);
        const std::optional<document::ScriptFile> file = readScriptFile(path("e.vtl"));
        ASSERT_TRUE(file);
        EXPECT_EQ(file->encoding, c.encoding);
        EXPECT_FALSE(file->text.startsWith(QChar::ByteOrderMark)) << "the mark is not text";
        ASSERT_TRUE(writeScriptFile(path("e.vtl"), file->text, file->encoding));
        EXPECT_EQ(readBytes(path("e.vtl")), c.bytes) << "unchanged text, unchanged bytes";
    }
    // Text typed into a UTF-8 file stays UTF-8 even where the code page has its characters.
    EXPECT_EQ(scriptFileBytes(QStringLiteral("\u20ac"), ScriptEncoding::Utf8),
              QByteArray("\xe2\x82\xac\r\n"));
    EXPECT_EQ(scriptFileBytes(QStringLiteral("\u20ac"), ScriptEncoding::Utf8WithMark),
              QByteArray("\xef\xbb\xbf\xe2\x82\xac\r\n"));
    EXPECT_EQ(scriptFileBytes(QStringLiteral("\u20ac"), ScriptEncoding::Windows1252),
              QByteArray("\x80\r\n"));
}

TEST(EditorLimits, RefuseTooManyLinesAndTooLongALine) {
    EXPECT_EQ(document::editorRefusal(QStringLiteral("Merlin.Show\nMerlin.Hide")), QString());
    const QString longest(document::kMaxEditorLines, QLatin1Char('\n'));  // one line more
    EXPECT_EQ(document::editorRefusal(longest.chopped(1)), QString()) << "exactly the limit";
    EXPECT_EQ(document::editorRefusal(longest),
              QStringLiteral("This script has %1 lines: the editor takes scripts of up to %2 "
                             "lines.")
                  .arg(document::kMaxEditorLines + 1)
                  .arg(document::kMaxEditorLines));
    const QString wide(document::kMaxEditorLineLength, QLatin1Char('x'));
    EXPECT_EQ(document::editorRefusal(QStringLiteral("a\n") + wide), QString());
    EXPECT_TRUE(document::editorRefusal(wide + QStringLiteral("x\nb"))
                    .startsWith(QStringLiteral("A line of this script has %1 characters")
                                    .arg(document::kMaxEditorLineLength + 1)));
}

TEST_F(ScriptFileOnDisk, ReadingRefusesFoldersFifosMissingAndOversizedFiles) {
    EXPECT_FALSE(readScriptFile(dir.path()));
    EXPECT_FALSE(readScriptFile(path("missing.vtl")));
    ASSERT_EQ(::mkfifo(path("pipe.vtl").toLocal8Bit().constData(), 0600), 0);
    QString problem;
    EXPECT_FALSE(readScriptFile(path("pipe.vtl"), document::kMaxEditorFileBytes, &problem));
    EXPECT_TRUE(problem.endsWith(QStringLiteral("is a FIFO (a named pipe), not a regular file")))
        << problem.toStdString();
    QFile big(path("big.vtl"));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    ASSERT_TRUE(big.resize(document::kMaxEditorFileBytes + 1));
    big.close();
    EXPECT_FALSE(readScriptFile(path("big.vtl")));
}

TEST_F(ScriptFileOnDisk, AFailedWriteLeavesTheOldFileAndLaterWritesWork) {
    writeBytes(path("keep.vtl"), "old script\r\n");
    // Writes past 64 bytes fail, as on a full disk.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = writeScriptFile(path("keep.vtl"), QString(1000, QLatin1Char('x')));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(readBytes(path("keep.vtl")), QByteArray("old script\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.vtl")})
        << "no temporary file is left behind";

    EXPECT_TRUE(writeScriptFile(path("keep.vtl"), QStringLiteral("new")));
    EXPECT_EQ(readBytes(path("keep.vtl")), QByteArray("new\r\n"));
}

// A folder where no new file may be created, as for a user who may write the script but not
// its folder.
class UnwritableFolder : public ScriptFileOnDisk {
  protected:
    void SetUp() override {
        writeBytes(path("s.vtl"), "old script\r\n");
        ASSERT_TRUE(
            QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
        if (!bind.active())
            GTEST_SKIP() << "permissions cannot be made to bind";
    }
    void TearDown() override {
        QFile::setPermissions(
            dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    PermissionsBind bind;
};

TEST_F(UnwritableFolder, TheScriptIsWrittenInPlace) {
    QString problem;
    ASSERT_TRUE(writeScriptFile(path("s.vtl"), QStringLiteral("new"), {}, &problem))
        << problem.toStdString();
    EXPECT_EQ(readBytes(path("s.vtl")), QByteArray("new\r\n"));
    ASSERT_TRUE(writeScriptFile(path("s.vtl"), QStringLiteral("a longer script\r\nthan before")));
    EXPECT_EQ(readBytes(path("s.vtl")), QByteArray("a longer script\r\nthan before\r\n"));
    ASSERT_TRUE(writeScriptFile(path("s.vtl"), QStringLiteral("x")));
    EXPECT_EQ(readBytes(path("s.vtl")), QByteArray("x\r\n")) << "cut to the new length";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("s.vtl")});
}

TEST_F(UnwritableFolder, AWriteThatFailsInPlacePutsTheOldContentBack) {
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    QString problem;
    const bool written =
        writeScriptFile(path("s.vtl"), QString(1000, QLatin1Char('x')), {}, &problem);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(written);
    EXPECT_FALSE(problem.isEmpty());
    EXPECT_EQ(readBytes(path("s.vtl")), QByteArray("old script\r\n"));
}

TEST_F(UnwritableFolder, AReadOnlyScriptThereIsNotWrittenAtAll) {
    ASSERT_TRUE(QFile::setPermissions(path("s.vtl"), QFileDevice::ReadOwner));
    QString problem;
    EXPECT_FALSE(writeScriptFile(path("s.vtl"), QStringLiteral("new"), {}, &problem));
    EXPECT_FALSE(problem.isEmpty());
    EXPECT_EQ(readBytes(path("s.vtl")), QByteArray("old script\r\n"));
    EXPECT_FALSE(writeScriptFile(path("other.vtl"), QStringLiteral("new")))
        << "no new file can be made there";
}

TEST_F(ScriptFileOnDisk, WritingIntoAMissingFolderOrOntoAFolderFails) {
    EXPECT_FALSE(writeScriptFile(path("no/such/folder/a.vtl"), QStringLiteral("x")));
    EXPECT_FALSE(writeScriptFile(dir.path(), QStringLiteral("x")));
    EXPECT_FALSE(writeScriptFile(QString(), QStringLiteral("x")));
    EXPECT_TRUE(QFileInfo(dir.path()).isDir());
}

}  // namespace
}  // namespace vistrel::test
