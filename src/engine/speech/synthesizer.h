#pragma once

// The speech synthesizer interface the character engine talks to: it hands over a parsed
// text and a voice, and gets back the audio in chunks, in order, with the times at which
// each word starts, the mouth changes shape and each bookmark is reached.

#include "engine/speech/speechtags.h"
#include "engine/speech/voices.h"

#include <QMetaType>
#include <QObject>
#include <QSet>

#include <vector>

namespace vistrel::speech {

struct SpeechEvent {
    enum class Kind { Word, Mouth, Bookmark };
    Kind kind = Kind::Word;
    qint64 timeMs = 0;   // from the start of the utterance
    int shownStart = 0;  // Word: the range of SpeechScript::shownText being spoken
    int shownLength = 0;
    int mouth = 0;     // Mouth: a MouthShape
    int bookmark = 0;  // Bookmark: the \Mrk\ number
    bool operator==(const SpeechEvent&) const = default;
};

struct SpeechChunk {
    std::vector<qint16> pcm;  // mono; may be empty (silent synthesis, or events only)
    int sampleRate = 0;
    std::vector<SpeechEvent> events;  // ordered by time
    bool final = false;               // the last chunk of the job
    qint64 totalMs = 0;               // length of the whole utterance; valid when final
};

// Jobs are numbered by the caller with newJob(), so that characters of any number of services
// sharing a synthesizer (and a sound output, where the job number names the stream) never
// take each other's chunks. Each job that is not cancelled ends with exactly one
// chunk marked final; a cancelled job sends nothing more once cancel() has returned.
class Synthesizer : public QObject {
    Q_OBJECT
  public:
    using QObject::QObject;
    ~Synthesizer() override = default;

    // A job number never handed out before in this process; never 0, top bit clear.
    static quint64 newJob();

    virtual void speak(quint64 job, const SpeechScript& script, const VoiceParams& voice) = 0;
    virtual void cancel(quint64 job) = 0;

  signals:
    // Emitted on the thread the synthesizer lives in.
    void chunk(quint64 job, const vistrel::speech::SpeechChunk& chunk);

  protected:
    // The jobs that run: from speak() until their final chunk is sent or they are cancelled.
    void jobStarted(quint64 job);
    // Returns false when the job was not running.
    bool jobCancelled(quint64 job);
    bool jobRunning(quint64 job) const { return running_.contains(job); }
    // Emits a chunk of a running job (and nothing for one cancelled meanwhile); the final
    // chunk ends the job.
    void deliver(quint64 job, const SpeechChunk& chunk);

  private:
    QSet<quint64> running_;
};

// A whole utterance timed without a speech engine: each word takes its share of the voice's
// rate (longer words longer), pauses and bookmarks where the script puts them, mouth events
// from the letters. One final chunk with no audio. Used when no engine can speak, so that a
// speaking character still finishes on time.
SpeechChunk estimatedSpeech(const SpeechScript& script, const VoiceParams& voice);

}  // namespace vistrel::speech

Q_DECLARE_METATYPE(vistrel::speech::SpeechChunk)
