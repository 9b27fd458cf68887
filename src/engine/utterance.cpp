#include "engine/utterance.h"

#include "engine/speech/audio.h"
#include "engine/speech/mouth.h"
#include "engine/speech/synthesizer.h"
#include "engine/speech/wav.h"
#include "log/log.h"

#include <algorithm>

namespace vistrel::engine {

namespace {

// Reading pace when there is no synthesizer.
constexpr int kSilentMsPerChar = 65;
constexpr int kSilentMinMs = 500;
// How often a sound file's loudness picks the mouth.
constexpr int kSoundMouthStepMs = 50;

}  // namespace

Utterance::Utterance(QString owner, Clock& clock, speech::Synthesizer* synthesizer,
                     speech::AudioOutput* audio, Hooks hooks)
    : owner_(std::move(owner)),
      clock_(clock),
      synthesizer_(synthesizer),
      audio_(audio),
      hooks_(std::move(hooks)),
      timer_(clock, [this] { tick(); }) {}

// Synthesis and sound were stopped by whoever ended the utterance.
Utterance::~Utterance() = default;

void Utterance::begin(int shownLength) {
    reset();
    playing_ = true;
    track_ = speech::SpeechTrack(shownLength);
    mouth_ = speech::MouthClosed;
}

void Utterance::speak(quint64 job, const speech::SpeechScript& script,
                      const speech::VoiceParams& voice) {
    begin(int(script.shownText.size()));
    if (synthesizer_) {
        job_ = job;
        qCDebug(log::speech).noquote()
            << owner_ << "speaks as job" << job << "with voice" << voice.voice << "gender"
            << voice.gender << "rate" << voice.rateWpm << "pitch" << voice.pitch << "volume"
            << voice.volume;
        // Chunks may come back before speak() returns.
        synthesizer_->speak(job, script, voice);
        return;
    }
    read(script, kSilentMsPerChar, kSilentMinMs);
}

void Utterance::read(const speech::SpeechScript& script, int msPerChar, int minMs) {
    begin(int(script.shownText.size()));
    // Each word shows when the reader gets to it: at its share of the text's length.
    const int total = std::max<int>(1, int(script.shownText.size()));
    const int duration = std::max(minMs, total * std::max(msPerChar, 1));
    speech::SpeechChunk timing;
    for (const speech::SpeechSegment& segment : script.segments)
        for (const speech::WordSpan& word : segment.words)
            timing.events.push_back({speech::SpeechEvent::Kind::Word,
                                     std::int64_t(duration) * word.shownStart / total,
                                     word.shownStart, word.shownLength, 0, 0});
    timing.final = true;
    timing.totalMs = duration;
    start_ = clock_.now();
    track_.add(timing);
    arm();
}

void Utterance::playSound(const speech::WavData& sound) {
    begin(0);
    start_ = clock_.now();
    if (audio_) {
        sound_ = audio_->play(sound);
        qCDebug(log::speech).noquote()
            << owner_ << "plays a sound for its voice:" << QString::fromStdString(sound.format)
            << sound.durationMs << "ms";
    }
    speech::SpeechChunk timing;
    for (const speech::MouthEvent& event : speech::loudnessMouth(sound, kSoundMouthStepMs))
        timing.events.push_back(
            {speech::SpeechEvent::Kind::Mouth, event.timeMs, 0, 0, event.shape, 0});
    timing.final = true;
    timing.totalMs = sound.durationMs;
    track_.add(timing);
    arm();
}

void Utterance::chunk(quint64 job, const speech::SpeechChunk& chunk) {
    if (job == 0 || job != job_ || !playing_)
        return;
    if (start_ < 0) {
        start_ = clock_.now();
        if (audio_ && !chunk.pcm.empty()) {
            sound_ = job;
            audio_->startStream(job, chunk.sampleRate);
            qCDebug(log::speech).noquote()
                << owner_ << "plays the speech of job" << job << "at" << chunk.sampleRate << "Hz";
        }
    }
    if (audio_ && sound_ == job && !chunk.pcm.empty())
        audio_->writeStream(job, chunk.pcm);
    track_.add(chunk);
    if (chunk.final && audio_ && sound_ == job)
        audio_->endStream(job);
    arm();
}

void Utterance::tick() {
    if (!playing_ || start_ < 0)
        return;
    const qint64 at = clock_.now() - start_;
    const std::uint64_t run = run_;
    for (const speech::SpeechEvent& event : track_.takeDue(at)) {
        if (event.kind == speech::SpeechEvent::Kind::Word) {
            hooks_.reveal(event.shownStart + event.shownLength);
        } else if (event.mouth != mouth_) {
            mouth_ = event.mouth;
            hooks_.mouth(event.mouth);
        }
        if (run != run_)
            return;  // a listener ended the utterance
    }
    if (track_.endedAt(at)) {
        reset();
        hooks_.ended();
        return;
    }
    arm();
}

void Utterance::arm() {
    const qint64 next = track_.nextDue();
    if (next < 0)
        timer_.stop();
    else
        timer_.at(start_ + next);
}

void Utterance::cancel() {
    if (synthesizer_ && job_)
        synthesizer_->cancel(job_);
    if (audio_ && sound_)
        audio_->stop(sound_);
    reset();
}

void Utterance::reset() {
    timer_.stop();
    ++run_;
    playing_ = false;
    job_ = 0;
    sound_ = 0;
    start_ = -1;
}

}  // namespace vistrel::engine
