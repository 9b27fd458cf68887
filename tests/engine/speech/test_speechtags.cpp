// Speech tags: what is shown, what is spoken, in which segments, and the word links between.

#include "engine/speech/speechtags.h"

#include <gtest/gtest.h>

#include <random>

using namespace vistrel::speech;

namespace {

std::string str(const QString& s) {
    return s.toStdString();
}

std::vector<std::string> spokenOf(const SpeechScript& s) {
    std::vector<std::string> out;
    for (const auto& seg : s.segments)
        out.push_back(str(seg.spoken));
    return out;
}

std::string shownWord(const SpeechScript& s, const WordSpan& w) {
    return str(s.shownText.mid(w.shownStart, w.shownLength));
}

TEST(SpeechTags, PlainTextIsOneSegmentSpokenAsShownWordForWord) {
    const auto s = parseSpeech("Hello there,  world!");
    EXPECT_EQ(str(s.shownText), "Hello there,  world!");
    ASSERT_EQ(s.segments.size(), 1u);
    const auto& seg = s.segments[0];
    EXPECT_EQ(str(seg.spoken), "Hello there,  world!");
    EXPECT_EQ(seg.shownStart, 0);
    EXPECT_EQ(seg.shownLength, 20);
    EXPECT_EQ(seg.prosody, Prosody{});
    ASSERT_EQ(seg.words.size(), 3u);
    EXPECT_EQ(shownWord(s, seg.words[1]), "there,");
    EXPECT_EQ(shownWord(s, seg.words[2]), "world!");
    EXPECT_EQ(seg.words[2].spokenStart, 14);
}

TEST(SpeechTags, ProsodyTagsStartNewSegmentsAndNeverShow) {
    const auto s = parseSpeech(
        "\\Chr=\"Whisper\"\\psst \\spd=220\\\\PIT=180\\\\Vol=30000\\quick \\chr=\"monotone\"\\flat "
        "\\Rst\\done");
    EXPECT_EQ(str(s.shownText), "psst quick flat done");
    ASSERT_EQ(spokenOf(s), (std::vector<std::string>{"psst ", "quick ", "flat ", "done"}));
    EXPECT_EQ(s.segments[0].prosody.style, SpeechStyle::Whisper);
    const Prosody& quick = s.segments[1].prosody;
    EXPECT_EQ(quick.style, SpeechStyle::Whisper);
    EXPECT_EQ(quick.rateWpm, 220);
    EXPECT_EQ(quick.pitchHz, 180);
    EXPECT_EQ(quick.volume, 30000);
    EXPECT_EQ(s.segments[2].prosody.style, SpeechStyle::Monotone);
    EXPECT_EQ(s.segments[2].prosody.rateWpm, 220);
    EXPECT_EQ(s.segments[3].prosody, Prosody{});
    // Shown ranges follow one another through the shown text.
    EXPECT_EQ(s.segments[1].shownStart, 5);
    EXPECT_EQ(s.segments[3].shownStart, 16);
}

TEST(SpeechTags, NumbersAreClampedAndRepeatedSettingsDoNotSplit) {
    auto s = parseSpeech("\\Spd=5\\a \\Spd=99999999999999999999\\b \\Vol=70000\\\\Pit=1\\c");
    ASSERT_EQ(s.segments.size(), 3u);
    EXPECT_EQ(s.segments[0].prosody.rateWpm, kMinTagRateWpm);
    EXPECT_EQ(s.segments[1].prosody.rateWpm, kMaxTagRateWpm);
    EXPECT_EQ(s.segments[2].prosody.volume, kMaxTagVolume);
    EXPECT_EQ(s.segments[2].prosody.pitchHz, kMinTagPitchHz);

    s = parseSpeech("one \\Spd=150\\\\Spd=150\\two \\Chr=\"Normal\"\\three");
    EXPECT_EQ(spokenOf(s), (std::vector<std::string>{"one ", "two three"}));
}

TEST(SpeechTags, PausesAndBookmarksGoBeforeTheFollowingText) {
    auto s = parseSpeech("Wait\\Pau=400\\\\Pau=100\\ for it\\Mrk=7\\ now\\Pau=250\\\\Mrk=9\\");
    EXPECT_EQ(str(s.shownText), "Wait for it now");
    ASSERT_EQ(s.segments.size(), 4u);
    EXPECT_EQ(s.segments[0].pauseMs, 0);
    EXPECT_EQ(s.segments[1].pauseMs, 500);
    EXPECT_EQ(str(s.segments[1].spoken), " for it");
    EXPECT_EQ(s.segments[2].bookmarks, std::vector<int>{7});
    EXPECT_EQ(str(s.segments[2].spoken), " now");
    // Trailing pause and bookmark: an empty segment carries them.
    EXPECT_TRUE(s.segments[3].spoken.isEmpty());
    EXPECT_EQ(s.segments[3].pauseMs, 250);
    EXPECT_EQ(s.segments[3].bookmarks, std::vector<int>{9});

    s = parseSpeech("\\Pau=20000\\\\Pau=20000\\x");
    EXPECT_EQ(s.segments[0].pauseMs, kMaxPauseMs);
}

TEST(SpeechTags, EmphasisCoversExactlyTheNextWord) {
    const auto s = parseSpeech("I \\Emp\\  really mean it");
    EXPECT_EQ(str(s.shownText), "I   really mean it");
    ASSERT_EQ(spokenOf(s), (std::vector<std::string>{"I   ", "really", " mean it"}));
    EXPECT_FALSE(s.segments[0].prosody.emphasis);
    EXPECT_TRUE(s.segments[1].prosody.emphasis);
    EXPECT_FALSE(s.segments[2].prosody.emphasis);
}

TEST(SpeechTags, MapSpeaksOneTextAndShowsAnother) {
    const auto s = parseSpeech("Ask \\Map=\"Doctor John Smith\"=\"Dr. Smith\"\\ today");
    EXPECT_EQ(str(s.shownText), "Ask Dr. Smith today");
    ASSERT_EQ(s.segments.size(), 1u);
    const auto& seg = s.segments[0];
    EXPECT_EQ(str(seg.spoken), "Ask Doctor John Smith today");
    ASSERT_EQ(seg.words.size(), 5u);
    // Three spoken words over two shown ones: "Doctor" and "John" show "Dr.", "Smith" "Smith".
    EXPECT_EQ(shownWord(s, seg.words[0]), "Ask");
    EXPECT_EQ(shownWord(s, seg.words[1]), "Dr.");
    EXPECT_EQ(shownWord(s, seg.words[2]), "Dr.");
    EXPECT_EQ(shownWord(s, seg.words[3]), "Smith");
    EXPECT_EQ(shownWord(s, seg.words[4]), "today");

    // More shown words than spoken: the spoken word stands for all of them.
    const auto many = parseSpeech("\\Map=\"etcetera\"=\"and so on\"\\");
    ASSERT_EQ(many.segments[0].words.size(), 1u);
    EXPECT_EQ(shownWord(many, many.segments[0].words[0]), "and so on");
}

TEST(SpeechTags, BackslashesAndBrokenTagsNeverReachTheBalloon) {
    EXPECT_EQ(str(parseSpeech("C:\\\\Temp").shownText), "C:\\Temp");
    EXPECT_EQ(str(parseSpeech("a\\Foo=1\\b").shownText), "ab");
    EXPECT_EQ(str(parseSpeech("a\\Ctx=\"Address\"\\\\Lst\\\\Com=x\\\\Eng=y\\b").shownText), "ab");
    // A value that is not a number: dropped, and no pause.
    auto s = parseSpeech("a\\Pau=soon\\b");
    EXPECT_EQ(str(s.shownText), "ab");
    EXPECT_EQ(s.segments.size(), 1u);
    // Map with one text is malformed.
    EXPECT_EQ(str(parseSpeech("a\\Map=\"x\"\\b").shownText), "ab");
    // Quotes may hold a backslash.
    s = parseSpeech("\\Map=\"back slash\"=\"\\\"\\!");
    EXPECT_EQ(str(s.shownText), "\\!");
    EXPECT_EQ(str(s.segments[0].spoken), "back slash!");
    // Unterminated: the backslash goes, the text stays.
    EXPECT_EQ(str(parseSpeech("50\\Pau=100").shownText), "50Pau=100");
    EXPECT_EQ(str(parseSpeech("\\").shownText), "");
    // An unknown style keeps the current one.
    s = parseSpeech("\\Chr=\"Whisper\"\\a \\Chr=\"Shout\"\\b");
    EXPECT_EQ(s.segments.back().prosody.style, SpeechStyle::Whisper);
}

TEST(SpeechTags, SpokenRangesFindTheirShownWords) {
    const auto s = parseSpeech("Say \\Map=\"World Wide Web\"=\"WWW\"\\ now");
    const auto& seg = s.segments[0];  // spoken: "Say World Wide Web now"
    const auto shown = [&](int pos, int len) {
        const auto r = seg.shownRangeFor(pos, len);
        return r ? str(s.shownText.mid(r->start, r->length)) : std::string("<none>");
    };
    EXPECT_EQ(shown(0, 3), "Say");
    EXPECT_EQ(shown(1, 1), "Say");      // inside a word
    EXPECT_EQ(shown(3, 1), "WWW");      // a space: the next word
    EXPECT_EQ(shown(10, 4), "WWW");     // "Wide"
    EXPECT_EQ(shown(0, 9), "Say WWW");  // "Say World" spans two words
    EXPECT_EQ(shown(19, 3), "now");
    EXPECT_EQ(shown(22, 1), "<none>");  // past the end
    EXPECT_EQ(shown(19, 0), "now");
}

// Random mixtures of text and tag pieces: whatever comes in, every range stays inside its
// text and segments follow one another through the shown text.
TEST(SpeechTags, RandomInputKeepsEveryRangeConsistent) {
    const std::vector<QString> pieces{"word ",
                                      "\\",
                                      "\\\\",
                                      "\\Pau=50\\",
                                      "\\Spd=",
                                      "\"",
                                      "=",
                                      "\\Emp\\",
                                      "\\Map=\"a b c\"=\"x\"\\",
                                      "\\Map=\"\"=\"y z\"\\",
                                      "\\Mrk=3\\",
                                      "\\Rst\\",
                                      "\\Chr=\"Whisper\"\\",
                                      " ",
                                      "é",
                                      "😀",
                                      "\\Vol=1\\"};
    std::mt19937 rng(42);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int n = int(rng() % 12);
        for (int i = 0; i < n; ++i)
            text += pieces[rng() % pieces.size()];
        const auto s = parseSpeech(text);
        const int shownSize = int(s.shownText.size());
        int next = 0;
        for (const auto& seg : s.segments) {
            ASSERT_EQ(seg.shownStart, next) << str(text);
            ASSERT_GE(seg.shownLength, 0);
            next = seg.shownStart + seg.shownLength;
            ASSERT_LE(next, shownSize) << str(text);
            int lastSpoken = -1;
            for (const auto& w : seg.words) {
                ASSERT_GT(w.spokenStart, lastSpoken) << str(text);
                lastSpoken = w.spokenStart;
                ASSERT_LE(w.spokenStart + w.spokenLength, seg.spoken.size()) << str(text);
                ASSERT_GE(w.shownStart, seg.shownStart) << str(text);
                ASSERT_LE(w.shownStart + w.shownLength, next) << str(text);
            }
        }
        ASSERT_EQ(next, shownSize) << str(text);
    }
}

}  // namespace
