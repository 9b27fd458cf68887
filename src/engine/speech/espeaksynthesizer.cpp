#include "engine/speech/espeaksynthesizer.h"

#include "engine/speech/mouth.h"
#include "log/log.h"

#include <espeak-ng/speak_lib.h>

#include <QMetaObject>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

namespace vistrel::speech {

namespace detail {

// The process's one espeak-ng instance and the thread that runs it.
class EspeakEngine {
  public:
    // Started on first use and kept until the process ends: espeak-ng cannot be shut down
    // and started again reliably (its shutdown can hang), so it is never shut down.
    static EspeakEngine& instance() {
        static EspeakEngine* const engine = new EspeakEngine;
        return *engine;
    }

    EspeakEngine() : thread_([this] { run(); }) { thread_.detach(); }

    void submit(EspeakSynthesizer* owner, quint64 id, SpeechScript script, VoiceParams voice) {
        {
            std::lock_guard lock(m_);
            queue_.push_back({owner, id, std::move(script), std::move(voice)});
        }
        cv_.notify_all();
    }

    // Drops the owner's queued job `id` (every job when `all`) and stops it if it is being
    // spoken. With `wait`, returns only once the worker has let go of that job.
    void cancel(EspeakSynthesizer* owner, quint64 id, bool all, bool wait) {
        std::unique_lock lock(m_);
        const auto matches = [&](EspeakSynthesizer* o, quint64 j) {
            return o == owner && (all || j == id);
        };
        std::erase_if(queue_, [&](const Job& j) { return matches(j.owner, j.id); });
        if (busy_ && matches(currentOwner_, currentId_)) {
            abort_ = true;
            if (wait)
                cv_.wait(lock, [&] { return !busy_ || !matches(currentOwner_, currentId_); });
        }
    }

    bool available() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [&] { return started_; });
        return sampleRate_ > 0;
    }

    QStringList voiceNames() {
        std::unique_lock lock(m_);
        cv_.wait(lock, [&] { return started_; });
        return voiceNames_;
    }

  private:
    struct Job {
        EspeakSynthesizer* owner = nullptr;
        quint64 id = 0;
        SpeechScript script;
        VoiceParams voice;
    };

    // What the synthesis callback adds to while one segment is spoken.
    struct Progress {
        const SpeechSegment* segment = nullptr;
        std::vector<int> utf16At;  // code point index -> UTF-16 index in segment->spoken
        qint64 segmentStartMs = 0;
    };

    void run() {
        const int rate =
            espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMs, nullptr,
                              espeakINITIALIZE_PHONEME_EVENTS | espeakINITIALIZE_DONT_EXIT);
        running_ = this;
        QStringList names;
        if (rate > 0) {
            espeak_SetSynthCallback(&EspeakEngine::callback);
            for (const espeak_VOICE** v = espeak_ListVoices(nullptr); v && *v; ++v)
                if ((*v)->languages && (*v)->languages[0])
                    names.append(QString::fromUtf8((*v)->languages + 1));
        }
        {
            std::lock_guard lock(m_);
            sampleRate_ = rate;
            voiceNames_ = names;
            started_ = true;
        }
        cv_.notify_all();

        std::unique_lock lock(m_);
        for (;;) {
            cv_.wait(lock, [&] { return !queue_.empty(); });
            Job job = std::move(queue_.front());
            queue_.pop_front();
            busy_ = true;
            abort_ = false;
            currentOwner_ = job.owner;
            currentId_ = job.id;
            lock.unlock();
            if (sampleRate_ > 0)
                speak(job);
            else
                post(job, estimatedSpeech(job.script, job.voice));
            lock.lock();
            busy_ = false;
            currentOwner_ = nullptr;
            cv_.notify_all();
        }
    }

    // Hands a chunk to the owner's thread unless the job was cancelled meanwhile. Holding
    // the lock while posting means a cancelling owner cannot be destroyed in between; what
    // is posted before it is destroyed goes with it.
    void post(const Job& job, SpeechChunk chunk) {
        std::lock_guard lock(m_);
        if (abort_)
            return;
        EspeakSynthesizer* owner = job.owner;
        const quint64 id = job.id;
        QMetaObject::invokeMethod(
            owner, [owner, id, c = std::move(chunk)] { owner->deliver(id, c); },
            Qt::QueuedConnection);
    }

    void speak(const Job& job) {
        current_ = &job;
        samples_ = 0;
        firstAudioSent_ = false;
        lastMouth_ = MouthClosed;
        pending_ = {};
        pending_.sampleRate = sampleRate_;
        QString appliedVoice;
        for (const SpeechSegment& seg : job.script.segments) {
            if (abort_)
                return;
            if (seg.pauseMs > 0) {
                addSilence(seg.pauseMs);
                closeMouth(nowMs());
            }
            for (int b : seg.bookmarks)
                pending_.events.push_back({SpeechEvent::Kind::Bookmark, nowMs(), 0, 0, 0, b});
            if (seg.spoken.trimmed().isEmpty())
                continue;
            applyProsody(job.voice, seg.prosody, appliedVoice);
            speakSegment(seg);
        }
        if (abort_)
            return;
        closeMouth(nowMs());
        pending_.final = true;
        pending_.totalMs = nowMs();
        flush();
    }

    void applyProsody(const VoiceParams& voice, const Prosody& p, QString& applied) {
        const bool female = voice.gender == int(VoiceGender::Female);
        QString variant;
        if (p.style == SpeechStyle::Whisper)
            variant = female ? QStringLiteral("whisperf") : QStringLiteral("whisper");
        else if (female)
            variant = QStringLiteral("f2");
        QString name = voice.voice;
        if (!variant.isEmpty())
            name += u'+' + variant;
        if (name != applied) {
            if (espeak_SetVoiceByName(name.toUtf8().constData()) == EE_OK) {
                qCDebug(log::speech).noquote() << "espeak-ng voice" << name;
            } else {
                const QString fallback =
                    QStringLiteral("en-us") + (variant.isEmpty() ? QString() : u'+' + variant);
                espeak_SetVoiceByName(fallback.toUtf8().constData());
                log::ignored(
                    log::speech(), QStringLiteral("the espeak-ng voice ") + name,
                    QStringLiteral("it is not installed; %1 speaks instead").arg(fallback));
            }
            applied = name;
        }
        int pitch =
            p.pitchHz > 0 ? espeakPitchForHz(p.pitchHz, VoiceGender(voice.gender)) : voice.pitch;
        double volume = voice.volume * (double(p.volume) / kMaxTagVolume);
        if (p.emphasis) {
            pitch += 12;
            volume *= 1.3;
        }
        const int rate = p.rateWpm > 0 ? p.rateWpm : voice.rateWpm;
        espeak_SetParameter(espeakRATE, std::clamp(rate, kMinRateWpm, kMaxRateWpm), 0);
        espeak_SetParameter(espeakPITCH, std::clamp(pitch, 0, 100), 0);
        espeak_SetParameter(espeakRANGE, p.style == SpeechStyle::Monotone ? 0 : 50, 0);
        espeak_SetParameter(espeakVOLUME, std::clamp(int(volume), 0, 200), 0);
    }

    void speakSegment(const SpeechSegment& seg) {
        progress_.segment = &seg;
        progress_.segmentStartMs = nowMs();
        progress_.utf16At.clear();
        for (int i = 0; i < int(seg.spoken.size()); ++i) {
            progress_.utf16At.push_back(i);
            if (seg.spoken[i].isHighSurrogate() && i + 1 < int(seg.spoken.size()))
                ++i;
        }
        progress_.utf16At.push_back(int(seg.spoken.size()));
        // Characters espeak-ng would stop at or read as markup are spoken as spaces.
        QString text = seg.spoken;
        text.replace(QChar(0), u' ');
        const QByteArray utf8 = text.toUtf8();
        espeak_Synth(utf8.constData(), std::size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0,
                     espeakCHARS_UTF8, nullptr, nullptr);
    }

    // espeak-ng calls this on the worker thread, inside espeak_Synth().
    static int callback(short* wav, int count, espeak_EVENT* events) {
        return running_ ? running_->onAudio(wav, count, events) : 1;
    }

    int onAudio(short* wav, int count, espeak_EVENT* events) {
        if (abort_)
            return 1;
        for (espeak_EVENT* e = events; e && e->type != espeakEVENT_LIST_TERMINATED; ++e)
            onEvent(*e);
        if (wav && count > 0) {
            pending_.pcm.insert(pending_.pcm.end(), wav, wav + count);
            samples_ += count;
        }
        if (!firstAudioSent_ ? !pending_.pcm.empty()
                             : qint64(pending_.pcm.size()) * 1000 >= qint64(kChunkMs) * sampleRate_)
            flush();
        return abort_ ? 1 : 0;
    }

    void onEvent(const espeak_EVENT& e) {
        const qint64 t = progress_.segmentStartMs + std::max(0, e.audio_position);
        if (e.type == espeakEVENT_WORD) {
            const auto& at = progress_.utf16At;
            const int last = int(at.size()) - 1;
            const int cp = std::clamp(e.text_position - 1, 0, last);
            const int cpEnd = std::clamp(cp + std::max(e.length, 1), cp, last);
            if (const auto shown = progress_.segment->shownRangeFor(at[cp], at[cpEnd] - at[cp]))
                pending_.events.push_back(
                    {SpeechEvent::Kind::Word, t, shown->start, shown->length, 0, 0});
        } else if (e.type == espeakEVENT_PHONEME) {
            const std::string_view name(e.id.string, strnlen(e.id.string, sizeof e.id.string));
            const int shape = mouthForPhoneme(name);
            if (shape != lastMouth_)
                pending_.events.push_back({SpeechEvent::Kind::Mouth, t, 0, 0, shape, 0});
            lastMouth_ = shape;
        }
    }

    void addSilence(int ms) {
        const qint64 n = qint64(ms) * sampleRate_ / 1000;
        pending_.pcm.insert(pending_.pcm.end(), std::size_t(n), qint16(0));
        samples_ += n;
    }

    void closeMouth(qint64 t) {
        if (lastMouth_ != MouthClosed)
            pending_.events.push_back({SpeechEvent::Kind::Mouth, t, 0, 0, MouthClosed, 0});
        lastMouth_ = MouthClosed;
    }

    qint64 nowMs() const { return samples_ * 1000 / sampleRate_; }

    void flush() {
        std::stable_sort(
            pending_.events.begin(), pending_.events.end(),
            [](const SpeechEvent& a, const SpeechEvent& b) { return a.timeMs < b.timeMs; });
        if (!pending_.pcm.empty())
            firstAudioSent_ = true;
        post(*current_, std::move(pending_));
        pending_ = {};
        pending_.sampleRate = sampleRate_;
    }

    static constexpr int kBufferMs = 20;  // espeak-ng's synthesis step
    static constexpr int kChunkMs = 100;  // audio gathered before a chunk is sent on
    static inline thread_local EspeakEngine* running_ = nullptr;

    std::mutex m_;
    std::condition_variable cv_;
    std::deque<Job> queue_;
    bool started_ = false;
    bool busy_ = false;
    std::atomic<bool> abort_ = false;
    EspeakSynthesizer* currentOwner_ = nullptr;
    quint64 currentId_ = 0;
    int sampleRate_ = 0;
    QStringList voiceNames_;

    // Worker thread only.
    const Job* current_ = nullptr;
    Progress progress_;
    SpeechChunk pending_;
    qint64 samples_ = 0;
    bool firstAudioSent_ = false;
    int lastMouth_ = MouthClosed;

    std::thread thread_;  // last: starts once everything above is set up
};

}  // namespace detail

EspeakSynthesizer::EspeakSynthesizer(QObject* parent)
    : Synthesizer(parent), engine_(&detail::EspeakEngine::instance()) {}

EspeakSynthesizer::~EspeakSynthesizer() {
    engine_->cancel(this, 0, true, true);
}

void EspeakSynthesizer::speak(quint64 job, const SpeechScript& script, const VoiceParams& voice) {
    jobStarted(job);
    engine_->submit(this, job, script, voice);
}

void EspeakSynthesizer::cancel(quint64 job) {
    if (jobCancelled(job))
        engine_->cancel(this, job, false, false);
}

bool EspeakSynthesizer::isAvailable() const {
    return engine_->available();
}

QStringList EspeakSynthesizer::voiceNames() const {
    return engine_->voiceNames();
}

}  // namespace vistrel::speech
