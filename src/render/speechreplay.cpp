#include "render/speechreplay.h"

#include <QDataStream>
#include <QIODevice>

namespace vistrel::render {

namespace {

std::int64_t sizeOf(const SpeechReplay::Chunks& chunks) {
    std::int64_t bytes = 0;
    for (const speech::SpeechChunk& c : chunks)
        bytes += std::int64_t(sizeof c + c.pcm.size() * sizeof(qint16) +
                              c.events.size() * sizeof(speech::SpeechEvent));
    return bytes;
}

}  // namespace

SpeechReplay::SpeechReplay(std::int64_t capacityBytes) : capacity_(capacityBytes) {}

SpeechReplay& SpeechReplay::shared() {
    // About 100 minutes of speech at espeak-ng's 22,050 samples a second.
    static SpeechReplay replay(256LL << 20);
    return replay;
}

QByteArray SpeechReplay::keyOf(const speech::SpeechScript& script,
                               const speech::VoiceParams& voice) {
    QByteArray key;
    QDataStream out(&key, QIODevice::WriteOnly);
    out << voice.voice << voice.gender << voice.rateWpm << voice.pitch << voice.volume
        << script.shownText << quint32(script.segments.size());
    for (const speech::SpeechSegment& s : script.segments) {
        out << s.spoken << s.shownStart << s.shownLength << s.pauseMs;
        out << quint32(s.bookmarks.size());
        for (int b : s.bookmarks)
            out << b;
        const speech::Prosody& p = s.prosody;
        out << p.rateWpm << p.pitchHz << p.volume << int(p.style) << p.emphasis;
        out << quint32(s.words.size());
        for (const speech::WordSpan& w : s.words)
            out << w.spokenStart << w.spokenLength << w.shownStart << w.shownLength;
    }
    return key;
}

std::shared_ptr<const SpeechReplay::Chunks> SpeechReplay::find(const QByteArray& key) {
    std::lock_guard lock(m_);
    const auto it = entries_.find(key);
    if (it == entries_.end())
        return nullptr;
    uses_.splice(uses_.begin(), uses_, it->use);
    return it->chunks;
}

void SpeechReplay::keep(const QByteArray& key, Chunks chunks) {
    const std::int64_t bytes = sizeOf(chunks) + key.size();
    if (bytes > capacity_)
        return;
    std::lock_guard lock(m_);
    if (entries_.contains(key))
        return;  // the first sound made stays the one given
    while (bytes_ + bytes > capacity_ && !uses_.empty()) {
        const auto oldest = entries_.find(uses_.back());
        bytes_ -= oldest->bytes;
        entries_.erase(oldest);
        uses_.pop_back();
    }
    uses_.push_front(key);
    entries_.insert(key, {std::make_shared<const Chunks>(std::move(chunks)), bytes, uses_.begin()});
    bytes_ += bytes;
}

std::int64_t SpeechReplay::bytes() const {
    std::lock_guard lock(m_);
    return bytes_;
}

int SpeechReplay::size() const {
    std::lock_guard lock(m_);
    return int(entries_.size());
}

}  // namespace vistrel::render
