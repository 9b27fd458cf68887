// Lip-sync covers every phoneme espeak-ng can send for the languages characters speak most:
// the test reads the phoneme tables of the installed espeak-ng data (with the tables each one
// includes) and checks that the mouth table knows every name in them.

#include "engine/speech/mouth.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

using namespace vistrel::speech;

namespace {

struct PhonemeTable {
    std::string name;
    int includes = 0;  // 1 + the index of the table it builds on; 0: none
    std::vector<std::string> phonemes;
};

// espeak-ng's compiled "phontab": a count of tables, then for each a header (phoneme count,
// included table, two spare bytes, a 32-byte name) and 16 bytes per phoneme, whose first four
// bytes are its name.
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
        table.includes = b[at + 1];
        at += 4;
        table.name = std::string(reinterpret_cast<const char*>(b + at),
                                 strnlen(reinterpret_cast<const char*>(b + at), kNameBytes));
        at += kNameBytes;
        if (at + std::size_t(phonemes) * kPhonemeBytes > size)
            return {};
        for (int p = 0; p < phonemes; ++p, at += kPhonemeBytes)
            table.phonemes.emplace_back(reinterpret_cast<const char*>(b + at),
                                        strnlen(reinterpret_cast<const char*>(b + at), 4));
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

TEST(Mouth, EveryPhonemeOfEnglishGermanFrenchAndSpanishHasItsOwnShape) {
    const QByteArray data = phontab();
    if (data.isEmpty())
        GTEST_SKIP() << "espeak-ng's data is not installed";
    const std::vector<PhonemeTable> tables = readPhonemeTables(data);
    ASSERT_FALSE(tables.empty()) << "the phoneme tables cannot be read";
    std::set<std::string> names;
    int found = 0;
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const std::string& name = tables[i].name;
        if (name != "en" && name != "en-us" && name != "de" && name != "fr" && name != "es")
            continue;
        ++found;
        // The table and every table it builds on.
        std::set<std::size_t> seen;
        for (std::size_t t = i; seen.insert(t).second && t < tables.size();) {
            names.insert(tables[t].phonemes.begin(), tables[t].phonemes.end());
            if (tables[t].includes <= 0)
                break;
            t = std::size_t(tables[t].includes - 1);
        }
    }
    EXPECT_EQ(found, 5);
    EXPECT_GT(names.size(), 100u);
    for (const std::string& phoneme : names)
        EXPECT_TRUE(knownMouthForPhoneme(phoneme).has_value()) << "phoneme \"" << phoneme << "\"";
    EXPECT_FALSE(knownMouthForPhoneme("$").has_value());
}

TEST(Mouth, PhonemesPickShapesByOpennessAndRounding) {
    for (const char* ph : {"_", "_:", "p", "m", "", "#@", "||"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthClosed) << ph;
    for (const char* ph : {"aI", "A:", "'a", ",A@", "a#", "A~"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide4) << ph;
    for (const char* ph : {"E", "3:", "V", "e@", "E~"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide3) << ph;
    for (const char* ph : {"i:", "I", "@", "eI", "j"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide2) << ph;
    // The vowel of "hot" is rounded, not wide.
    for (const char* ph : {"0", "'0", "02", "O:", "oU", "o@", "OI", "Y:", "W"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthMedium) << ph;
    for (const char* ph : {"u:", "U", "w", "y", "y:"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthNarrow) << ph;
    for (const char* ph : {"t", "s", "D", "tS", "n", "l", "r", "R", "x", "#X1", "?"})
        EXPECT_EQ(mouthForPhoneme(ph), MouthWide1) << ph;
}

}  // namespace
