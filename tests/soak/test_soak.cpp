// A long play on the real engine: 35 characters written by the project's writer, 30,000
// requests of every kind (speech from the predictable synthesizer, sounds that are missing,
// moves, gestures, animations, showing and hiding) on a fast clock, drawn on the offscreen stage
// as it goes. The script plays in chunks of 1,000 requests, loading every character before a
// chunk and unloading it after, so that anything a request or a character leaves behind adds
// up: the heap after the last chunk stays within 10 % of the heap after the first, and every
// request of every chunk ends.

#include "acs/writer.h"
#include "engine/service.h"
#include "engine/speech/testing/fakeaudiooutput.h"
#include "engine/speech/testing/fakesynthesizer.h"
#include "engine/testing/testcharacter.h"
#include "script/player.h"
#include "stage/offscreen/offscreenstage.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include <malloc.h>
#include <array>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define VISTREL_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VISTREL_ASAN 1
#endif
#endif
#ifdef VISTREL_ASAN
// The sanitizer's runtime keeps the count of live heap bytes; GCC ships no header for it.
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace vistrel::engine::testing {
namespace {

constexpr int kCharacters = 35;
constexpr int kChunks = 30;
constexpr int kRequestsPerChunk = 1'000;
constexpr std::int64_t kStepMs = 40;
constexpr std::int64_t kChunkLimitMs = 60LL * 60 * 1000;  // simulated time a chunk may take

// Bytes the program holds on the heap now. Without the sanitizer this is glibc's count, which
// takes the blocks kept in its per-thread caches for reuse as in use: those caches fill up
// over the first thousands of requests (up to about 240 KB a thread) and would pass for
// growth. The test therefore runs with them off (GLIBC_TUNABLES in CMakeLists.txt), and
// HeapCountDropsWhenBlocksAreFreed fails when they are on.
std::size_t heapBytes() {
#ifdef VISTREL_ASAN
    return __sanitizer_get_current_allocated_bytes();
#else
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;  // small blocks in the arenas, large ones mapped apart
#endif
}

QString id(int c) {
    return QStringLiteral("Char%1").arg(c);
}

// One chunk of the script: the Load lines, then `kRequestsPerChunk` lines that each make one
// request, taking the characters in turn and the kinds of request in turn for each.
QString chunk(int number) {
    static const char* const kKinds[] = {
        "%1.Show",
        "%1.Play.Wave",
        "%1.Speak.Hello there, this is line %2 of the soak",
        "%1.MoveTo.%3/%4",
        "%1.GestureAt.%4/%3",
        "%1.Think.Thinking about %2",
        "%1.Whisper.psst %2",
        "%1.SpeakSound.no-such-sound-%2.wav",
        "%1.Play.Coin",
        "%1.Hide",
    };
    QString script;
    for (int c = 0; c < kCharacters; ++c)
        script += QStringLiteral("Load.%1\r\n").arg(id(c));
    for (int i = 0; i < kRequestsPerChunk; ++i) {
        const int line = number * kRequestsPerChunk + i;
        const int kind = (line / kCharacters) % static_cast<int>(std::size(kKinds));
        // Commas would split an item: the speech text keeps its comma inside quotes.
        QString text = QString::fromLatin1(kKinds[kind]);
        text.replace(QLatin1String("%1"), id(line % kCharacters))
            .replace(QLatin1String("%2"), QString::number(line))
            .replace(QLatin1String("%3"), QString::number(100 + line % 700))
            .replace(QLatin1String("%4"), QString::number(50 + line % 500));
        if (text.contains(QLatin1Char(',')))
            text = QLatin1Char('"') + text + QLatin1Char('"');
        script += text + QLatin1String("\r\n");
    }
    return script;
}

class QuietHost : public script::PlayerHost {
  public:
    explicit QuietHost(QString folder) : folder_(std::move(folder)) {}
    void setStatusText(const QString&) override {}
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString& text) override { stops << text; }
    void focusEditor() override {}
    QString programFolder() const override { return folder_; }
    QStringList stops;

  private:
    QString folder_;
};

// Blocks given back must leave the count at once, or what a long run frees and no longer uses
// is taken for growth.
TEST(Soak, HeapCountDropsWhenBlocksAreFreed) {
    constexpr std::size_t kBlocks = 7;  // as many as glibc's cache keeps of one size
    constexpr std::size_t kBlockBytes = 480;
    std::array<void*, kBlocks> blocks{};
    for (void*& block : blocks) {
        block = std::malloc(kBlockBytes);
        ASSERT_NE(block, nullptr);
        asm volatile("" : : "g"(block) : "memory");  // the blocks must really be made
    }
    const std::size_t holding = heapBytes();
    for (void* block : blocks)
        std::free(block);
    const std::size_t freed = heapBytes();
    EXPECT_LE(freed + kBlocks * kBlockBytes, holding)
        << "the heap count still holds freed blocks: run with "
           "GLIBC_TUNABLES=glibc.malloc.tcache_count=0 (as ctest does)";
}

TEST(Soak, ThirtyThousandRequestsOnThirtyFiveCharactersEndAndLeaveNothingBehind) {
    QTemporaryDir folder;
    for (int c = 0; c < kCharacters; ++c) {
        acs::CharacterData data = makeTestCharacter();
        data.info.localized.at(0).name = id(c).toStdU16String();
        acs::saveAcs(data, QDir(folder.path()).filePath(id(c) + ".acs").toStdString());
    }
    ManualClock clock;
    speech::FakeSynthesizer synth{speech::FakeSynthesizer::Delivery::Immediate};
    speech::FakeAudioOutput audio;
    ServiceOptions options;
    options.defaultCharacterFolder = folder.path();
    Service service(clock, &synth, &audio, options);
    std::size_t ended = 0;
    QObject::connect(&service, &agent::Agent::RequestComplete,
                     [&ended](const agent::Request&) { ++ended; });

    script::PlayerState state;
    state.charactersFolder = folder.path();
    QuietHost host(folder.path());
    script::ScriptPlayer player(state, service, host);

    std::size_t heapAfterFirst = 0;
    std::size_t frames = 0;
    for (int n = 0; n < kChunks; ++n) {
        const std::size_t endedBefore = ended;
        player.playText(chunk(n));
        ASSERT_FALSE(player.failed()) << host.stops.join('\n').toStdString();
        ASSERT_EQ(state.cast.size(), kCharacters);
        // Every request made is counted when it ends; the Load lines make none.
        const std::int64_t start = clock.now();
        std::int64_t steps = 0;
        while (ended - endedBefore < kRequestsPerChunk && clock.now() - start < kChunkLimitMs) {
            clock.advance(kStepMs);
            if (++steps % 25 == 0) {
                const QImage desktop = offscreen::renderScenes({&service.scene()}, {1280, 1024});
                frames += desktop.isNull() ? 0 : 1;
                QCoreApplication::processEvents();
            }
        }
        ASSERT_EQ(ended - endedBefore, static_cast<std::size_t>(kRequestsPerChunk))
            << "requests of chunk " << n << " left pending";
        for (int c = 0; c < kCharacters; ++c)
            service.Characters().Unload(id(c));
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // What the stand-ins record for tests is theirs, not the engine's.
        synth.clearCalls();
        audio.streams.clear();
        if (n == 0)
            heapAfterFirst = heapBytes();
    }
    const std::size_t heapAtEnd = heapBytes();
    EXPECT_GT(frames, 0U);
    EXPECT_LE(heapAtEnd, heapAfterFirst + heapAfterFirst / 10)
        << "heap after the first 1,000 requests: " << heapAfterFirst
        << " bytes, after all 30,000: " << heapAtEnd;
    RecordProperty("heapAfterFirst", std::to_string(heapAfterFirst));
    RecordProperty("heapAtEnd", std::to_string(heapAtEnd));
    RecordProperty("simulatedSeconds", std::to_string(clock.now() / 1000));
}

}  // namespace
}  // namespace vistrel::engine::testing
