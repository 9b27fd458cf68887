// The script checker: every trap it knows, placed at its line and column, over characters made
// by the project's writer; a clean script yields nothing.

#include "acs/testing/synthetic.h"
#include "document/characters.h"
#include "script/check.h"
#include "script/checkservice.h"
#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using vistrel::script::CheckOptions;
using vistrel::script::Finding;
using vistrel::script::Severity;
namespace acs = vistrel::acs;

// A characters folder: Merlin (Show, Hide, RestPose, Wave, Blink, Idle1_1), Clippy.acs whose
// character calls itself Clippit, Al and Hal, C0..C35 (all named Merlin), a damaged file, a
// folder posing as a file, and two sounds, one of them no WAV.
class CharsFolder {
  public:
    CharsFolder() {
        for (const auto& [file, name] :
             {std::pair{"Merlin", "Merlin"}, {"Clippy", "Clippit"}, {"Al", "Al"}, {"Hal", "Hal"}})
            EXPECT_TRUE(vistrel::test::writeCharacter(dir.path(), file, name));
        const QByteArray merlin = read("Merlin.acs");
        for (int i = 0; i < 36; ++i)
            put(QStringLiteral("C%1.acs").arg(i), merlin);
        put("Bad.acs", "this is not a character");
        QDir(dir.path()).mkdir("Dir.acs");
        const std::vector<std::uint8_t> wave = acs::testing::makeWave(64, 1);
        put("ding.wav", QByteArray(reinterpret_cast<const char*>(wave.data()),
                                   static_cast<qsizetype>(wave.size())));
        put("bad.wav", "not a sound");
    }

    CheckOptions options() const {
        CheckOptions o;
        o.charactersFolder = dir.path();
        o.scriptFolder = dir.path();
        o.shelf = shelf;
        return o;
    }

    QTemporaryDir dir;
    std::shared_ptr<vistrel::script::CharacterShelf> shelf =
        std::make_shared<vistrel::script::CharacterShelf>();

  private:
    void put(const QString& name, const QByteArray& bytes) const {
        QFile f(dir.filePath(name));
        if (f.open(QIODevice::WriteOnly))
            f.write(bytes);
    }
    QByteArray read(const QString& name) const {
        QFile f(dir.filePath(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

CharsFolder& chars() {
    static CharsFolder folder;
    return folder;
}

struct TrapCase {
    const char* name;
    QString script;
    const char* code;
    int line;
    int column;
    Severity severity;
    const char* mentions = "";  // a word the message must hold
};

void PrintTo(const TrapCase& c, std::ostream* os) {
    *os << c.name;
}

QString describe(const std::vector<Finding>& findings) {
    QString out;
    for (const Finding& f : findings)
        out += QStringLiteral("%1:%2 %3 %4\n").arg(f.line).arg(f.column).arg(f.code, f.message);
    return out;
}

class Traps : public testing::TestWithParam<TrapCase> {};

TEST_P(Traps, AreFoundWhereTheyAre) {
    const TrapCase& c = GetParam();
    const auto findings = vistrel::script::checkScript(c.script, chars().options()).findings;
    const auto it = std::find_if(findings.begin(), findings.end(),
                                 [&](const Finding& f) { return f.code == QLatin1String(c.code); });
    ASSERT_NE(it, findings.end()) << describe(findings).toStdString();
    EXPECT_EQ(it->line, c.line) << describe(findings).toStdString();
    EXPECT_EQ(it->column, c.column) << describe(findings).toStdString();
    EXPECT_EQ(it->severity, c.severity);
    EXPECT_TRUE(it->message.contains(QLatin1String(c.mentions))) << it->message.toStdString();
}

QString manyItems(int count) {
    QString s = QStringLiteral("Load.Merlin\n");
    for (int i = 1; i < count; ++i)
        s += QStringLiteral("x\n");
    return s;
}

QString manyLoads(int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QStringLiteral("Load.C%1\n").arg(i);
    return s;
}

constexpr Severity W = Severity::Warning;
constexpr Severity E = Severity::Error;

INSTANTIATE_TEST_SUITE_P(
    Check, Traps,
    testing::Values(
        TrapCase{"commaSplitsSpeech", "Load.Merlin\nMerlin.Speak.Hello, world\n",
                 "comma-splits-text", 2, 19, W},
        TrapCase{"quotedItemDropsItsComma", "Load.Merlin\n\"Merlin.Speak.Hi, you\"\n",
                 "quoted-comma-dropped", 2, 17, W},
        TrapCase{"textAfterClosingQuote", "Load.Merlin\n\"Merlin.Speak.Hi\" there\n",
                 "text-after-quote", 2, 19, W},
        TrapCase{"unclosedQuote", "Load.Merlin\nMerlin.Show\n\"Merlin.Speak.Hi\nMerlin.Hide\n",
                 "unclosed-quote", 3, 1, E},
        TrapCase{"trailingBlankInLoad", "Load.Merlin \n", "load-blank", 1, 6, E},
        TrapCase{"missingCharacter", "Load.Merlni\n", "char-missing", 1, 6, E, "Merlin"},
        TrapCase{"refusedCharacter", "Load.Bad\n", "char-refused", 1, 6, E},
        TrapCase{"unreadableCharacter", "Load.Dir\n", "char-unreadable", 1, 6, E},
        TrapCase{"unknownAnimation", "Load.Merlin\nMerlin.Play.Wav\n", "unknown-animation", 2, 13,
                 E, "Wave"},
        TrapCase{"namePrefixClash", "Load.Hal\nLoad.Al\n", "name-clash", 2, 6, W, "Hal"},
        TrapCase{"fileCallsItselfAnotherName", "Load.Clippy\n", "load-name-differs", 1, 6, W,
                 "Clippit"},
        TrapCase{"commandUnderTheFileName", "Load.Clippy\nReq2.Clippy.Show\n", "unknown-character",
                 2, 6, E, "Clippit.Show"},
        TrapCase{"commandForANameNotLoaded", "Load.Merlin\nMerlni.Show\n", "unknown-character", 2,
                 1, E, "Merlin"},
        TrapCase{"itemCounterOverflows", manyItems(32'767), "too-many-items", 32'767, 1, E},
        TrapCase{"moveToWithOneNumber", "Load.Merlin\nMerlin.MoveTo.300\n", "bad-point", 2, 15, E,
                 "two numbers"},
        TrapCase{"gestureAtOutside16Bits", "Load.Merlin\nMerlin.GestureAt.40000/1\n", "bad-point",
                 2, 18, E, "32767"},
        TrapCase{"waitOnSlotOutOfRange", "WaitOn.Req.12\n", "bad-slot", 1, 12, E},
        TrapCase{"interruptSlotOutOfRange", "Load.Merlin\nMerlin.Interrupt.11\n", "bad-slot", 2, 18,
                 E},
        TrapCase{"reqTakesOneDigit", "Load.Merlin\nReq12.Merlin.Show\n", "bad-slot", 2, 4, W},
        TrapCase{"waitOnEmptySlot", "Load.Merlin\nWaitOn.Req.3\n", "empty-slot", 2, 1, W},
        TrapCase{"interruptEmptySlot", "Load.Merlin\nMerlin.Interrupt.2\n", "empty-slot", 2, 1, E},
        TrapCase{"moreThan35Characters", manyLoads(36), "too-many-characters", 36, 6, W},
        TrapCase{"sameLoadTwice", "Load.Merlin\nload.merlin\n", "load-twice", 2, 6, W},
        TrapCase{"missingSound", "Load.Merlin\nMerlin.SpeakSound.nope.wav\n", "sound-missing", 2,
                 19, E},
        TrapCase{"soundThatIsNoWave", "Load.Merlin\r\nMerlin.SpeakSound.bad.wav\r\n",
                 "sound-undecodable", 2, 19, E},
        TrapCase{"textAfterTheEnd", "Load.Merlin\nVTL.END\n  Merlin.Show\n", "text-after-end", 3, 3,
                 W}),
    [](const testing::TestParamInfo<TrapCase>& p) { return std::string(p.param.name); });

TEST(Check, ACleanScriptYieldsNothing) {
    const QString script = QStringLiteral(
        "A comment line about the show\r\n"
        "Load.Merlin\r\n"
        "Load.Hal\r\n"
        "Merlin.Show\r\n"
        "Merlin.Play.wave\r\n"
        "Req1.Merlin.Speak.Hello there\r\n"
        "WaitOn.Req.1\r\n"
        "Merlin.Interrupt.1\r\n"
        "\"Merlin.Think.Quoted, and closed\"\r\n"
        "\r\n"
        "Merlin.MoveTo.-10/20\r\n"
        "Hal.GestureAt.300/200\r\n"
        "Merlin.SpeakSound.ding.wav\r\n"
        "Merlin.Hide\r\n"
        "VTL.END\r\n");
    const auto findings = vistrel::script::checkScript(script, chars().options()).findings;
    // The quoted Think keeps its text but loses the comma: the one thing to say here.
    ASSERT_EQ(findings.size(), 1U) << describe(findings).toStdString();
    EXPECT_EQ(findings[0].code, "quoted-comma-dropped");
    EXPECT_EQ(findings[0].item, 9);
}

TEST(Check, FindingsCarryItemNumbersAndLengths) {
    const auto result =
        vistrel::script::checkScript("Load.Merlin,Merlin.Play.Wav,x\n", chars().options());
    ASSERT_EQ(result.itemStarts, (std::vector<qsizetype>{0, 12, 28}));
    ASSERT_EQ(result.findings.size(), 1U);
    EXPECT_EQ(result.findings[0].item, 2);
    EXPECT_EQ(result.findings[0].offset, 24);
    EXPECT_EQ(result.findings[0].length, 3);
}

TEST(Check, FilesAreReadLikeThePlayerReadsThem) {
    QTemporaryDir dir;
    const QString path = dir.filePath("s.vtl");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("Load.Merlin\r\nMerlin.Speak.Caf\xe9, ok\r\n");  // Windows-1252
    f.close();
    QString error;
    const auto result = vistrel::script::checkScriptFile(path, chars().options(), &error);
    EXPECT_TRUE(error.isEmpty());
    ASSERT_EQ(result.findings.size(), 1U);
    EXPECT_EQ(result.findings[0].column, 18);
    vistrel::script::checkScriptFile(dir.filePath("none.vtl"), chars().options(), &error);
    EXPECT_EQ(error, "no such file");
}

TEST(Check, ClosestNamesPreferNearOnes) {
    using vistrel::script::closestNames;
    const QStringList names{"Show", "Wave", "Blink", "Explain"};
    EXPECT_EQ(closestNames("wav", names), (QStringList{"Wave"}));
    EXPECT_EQ(closestNames("Xyzzy", names), QStringList{});
    EXPECT_EQ(closestNames("Explai", names).value(0), "Explain");
}

}  // namespace
