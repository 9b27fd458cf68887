// Number conversion of script arguments and the INI lookup behind the speech language.

#include "script/ini.h"
#include "script/numbers.h"
#include "script/scripterror.h"

#include "support/qtprinters.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

using namespace vistrel::script;

namespace {

QString failureOf(const QString& text) {
    try {
        toInteger16(text);
    } catch (const ScriptError& e) {
        return e.description();
    }
    return {};
}

TEST(Numbers, ConvertsAndRoundsHalvesToEven) {
    EXPECT_EQ(toInteger16(u"300"), 300);
    EXPECT_EQ(toInteger16(u"  -12 "), -12);
    EXPECT_EQ(toInteger16(u"+7"), 7);
    EXPECT_EQ(toInteger16(u"1.4"), 1);
    EXPECT_EQ(toInteger16(u"1.5"), 2);
    EXPECT_EQ(toInteger16(u"2.5"), 2);
    EXPECT_EQ(toInteger16(u"-2.5"), -2);
    EXPECT_EQ(toInteger16(u".5"), 0);
    EXPECT_EQ(toInteger16(u"1e3"), 1000);
    EXPECT_EQ(toInteger16(u"32767"), 32767);
    EXPECT_EQ(toInteger16(u"-32768"), -32768);
    EXPECT_EQ(toInteger32(u"1033"), 1033);
    EXPECT_EQ(toInteger32(u"2147483647"), 2147483647);
}

TEST(Numbers, RejectsWhatIsNotANumberAndWhatDoesNotFit) {
    for (const char* bad : {"", "  ", "abc", "12abc", "1/2", "--1", "1e", "e5", ".", "3 4"})
        EXPECT_EQ(failureOf(QString::fromLatin1(bad)), ScriptError::typeMismatch()) << bad;
    for (const char* big : {"32768", "32767.5", "-32769", "1e9", "1e400", "-1e400"})
        EXPECT_EQ(failureOf(QString::fromLatin1(big)), ScriptError::overflow()) << big;
}

TEST(Ini, FindsKeysTheWayTheClassicLookupDoes) {
    const QString ini = QStringLiteral(
        "; language of the characters\r\n"
        "[Other]\r\nCurrent=1\r\n"
        "  [ current ]  \r\n"
        "other = 5\r\n"
        "  CURRENT =  1031  \r\n"
        "Current=9\r\n"
        "[Quoted]\nkey=\"  spaced  \"\nsingle='x'\nhalf=\"x\n");
    EXPECT_EQ(lookupProfileString(ini, "Current", "Current", "def", 250), "1031");
    EXPECT_EQ(lookupProfileString(ini, "Other", "current", "def", 250), "1");
    EXPECT_EQ(lookupProfileString(ini, "Quoted", "key", "def", 250), "  spaced  ");
    EXPECT_EQ(lookupProfileString(ini, "Quoted", "single", "def", 250), "x");
    EXPECT_EQ(lookupProfileString(ini, "Quoted", "half", "def", 250), "\"x");
    EXPECT_EQ(lookupProfileString(ini, "Missing", "Current", "def", 250), "def");
    EXPECT_EQ(lookupProfileString(ini, "Current", "Missing", "def", 250), "def");
}

TEST(Ini, CutsValuesToTheBuffer) {
    const QString longValue(400, QLatin1Char('7'));
    EXPECT_EQ(lookupProfileString("[s]\nk=" + longValue, "s", "k", "", 250).size(), 249);
    EXPECT_EQ(lookupProfileString("", "s", "k", longValue, 250).size(), 249);
}

TEST(Ini, MissingFileGivesTheDefaultAndiniValueGivesThePath) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("vistrel.ini");
    EXPECT_EQ(readPrivateProfileString("Current", "Current", "x", missing, 250), "x");

    QFile f(missing);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[Current]\r\nCurrent= 2057 \r\n");
    f.close();
    EXPECT_EQ(readPrivateProfileString("current", "current", "x", missing, 250), "2057");
}

}  // namespace
