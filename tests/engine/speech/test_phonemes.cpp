// Lip-sync covers every phoneme espeak-ng can send, in every language it speaks: the test reads
// the phoneme tables of the installed espeak-ng data and checks that the mouth table knows
// every name in them, and opens the mouth for every vowel.

#include "engine/speech/mouth.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include <cstring>
#include <optional>
#include <set>
#include <string>
#include <vector>

using namespace vistrel::speech;

namespace {

// The kinds of phoneme espeak-ng's tables give (the byte after the phoneme's code).
enum PhonemeKind : int { Vowel = 2, Deleted = 14 };

struct Phoneme {
    std::string name;
    int kind = 0;
};

struct PhonemeTable {
    std::string name;
    std::vector<Phoneme> phonemes;
};

// espeak-ng's compiled "phontab": a count of tables, then for each a header (phoneme count,
// included table, two spare bytes, a 32-byte name) and 16 bytes per phoneme, whose first four
// bytes are its name and whose twelfth is its kind.
std::vector<PhonemeTable> readPhonemeTables(const QByteArray& data) {
    constexpr std::size_t kNameBytes = 32;
    constexpr std::size_t kPhonemeBytes = 16;
    const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
    const auto size = std::size_t(data.size());
    std::vector<PhonemeTable> tables;
    if (size < 4)
        return tables;
    const int count = b[0];
    std::size_t at = 4;
    for (int t = 0; t < count; ++t) {
        if (at + 4 + kNameBytes > size)
            return {};
        PhonemeTable table;
        const int phonemes = b[at];
        at += 4;
        table.name = std::string(reinterpret_cast<const char*>(b + at),
                                 strnlen(reinterpret_cast<const char*>(b + at), kNameBytes));
        at += kNameBytes;
        if (at + std::size_t(phonemes) * kPhonemeBytes > size)
            return {};
        for (int p = 0; p < phonemes; ++p, at += kPhonemeBytes)
            table.phonemes.push_back(
                {std::string(reinterpret_cast<const char*>(b + at),
                             strnlen(reinterpret_cast<const char*>(b + at), 4)),
                 b[at + 11]});
        tables.push_back(std::move(table));
    }
    return tables;
}

QByteArray phontab() {
    QStringList folders;
    if (qEnvironmentVariableIsSet("ESPEAK_DATA_PATH"))
        folders << qEnvironmentVariable("ESPEAK_DATA_PATH") + QStringLiteral("/espeak-ng-data");
    folders << QStringLiteral("/usr/lib/x86_64-linux-gnu/espeak-ng-data")
            << QStringLiteral("/usr/lib/aarch64-linux-gnu/espeak-ng-data")
            << QStringLiteral("/usr/share/espeak-ng-data");
    for (const QString& folder : folders) {
        QFile file(folder + QStringLiteral("/phontab"));
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    return {};
}

TEST(Mouth, EveryPhonemeOfEveryLanguageHasItsOwnShape) {
    const QByteArray data = phontab();
    if (data.isEmpty())
        GTEST_SKIP() << "espeak-ng's data is not installed";
    const std::vector<PhonemeTable> tables = readPhonemeTables(data);
    ASSERT_FALSE(tables.empty()) << "the phoneme tables cannot be read";
    // The languages characters speak most are there, each with its whole table.
    std::set<std::string> languages;
    for (const PhonemeTable& table : tables)
        languages.insert(table.name);
    for (const char* language : {"en", "en-us", "de", "fr", "es"})
        EXPECT_TRUE(languages.count(language)) << language;

    std::size_t checked = 0;
    for (const PhonemeTable& table : tables) {
        for (const Phoneme& phoneme : table.phonemes) {
            if (phoneme.kind == Deleted)
                continue;  // left in the table, never used
            SCOPED_TRACE(table.name + " phoneme \"" + phoneme.name + "\"");
            const std::optional<MouthShape> shape = knownMouthForPhoneme(phoneme.name);
            if (!shape) {
                ADD_FAILURE() << "no mouth shape";
                continue;
            }
            // Every vowel opens the mouth, but for the syllabic m of "rhythm".
            if (phoneme.kind == Vowel && phoneme.name != "m-") {
                EXPECT_NE(*shape, MouthClosed);
            }
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000u);
    EXPECT_FALSE(knownMouthForPhoneme("$").has_value());
}

TEST(Mouth, PhonemesPickShapesByOpennessAndRounding) {
    for (const char* ph : {"_", "_:", "p", "m", "", "#@", "||", "214", "5", "~"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthClosed) << ph;
    for (const char* ph : {"aI", "A:", "'a", ",A@", "a#", "A~"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide4) << ph;
    for (const char* ph : {"E", "3:", "V", "e@", "E~"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide3) << ph;
    for (const char* ph : {"i:", "I", "@", "eI", "j"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide2) << ph;
    // The vowel of "hot" is rounded, not wide.
    for (const char* ph : {"0", "'0", "02", "O:", "oU", "o@", "OI", "Y:", "W", "8", "8:"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthMedium) << ph;
    for (const char* ph : {"u:", "U", "w", "y", "y:"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthNarrow) << ph;
    for (const char* ph : {"t", "s", "D", "tS", "n", "l", "r", "R", "x", "#X1", "?", "G", "H"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide1) << ph;
}

}  // namespace
