#include "engine/speech/speechtrack.h"

#include "engine/speech/mouth.h"

#include <algorithm>

namespace vistrel::speech {

namespace {

bool earlier(const SpeechEvent& a, const SpeechEvent& b) {
    return a.timeMs < b.timeMs;
}

// Keeps `list` ordered by time; events at equal times stay in arrival order.
void insert(std::vector<SpeechEvent>& list, const SpeechEvent& e) {
    list.insert(std::upper_bound(list.begin(), list.end(), e, earlier), e);
}

// The events at or before `ms`: [begin, returned).
std::vector<SpeechEvent>::const_iterator upTo(const std::vector<SpeechEvent>& list, qint64 ms) {
    SpeechEvent probe;
    probe.timeMs = ms;
    return std::upper_bound(list.begin(), list.end(), probe, earlier);
}

}  // namespace

void SpeechTrack::add(const SpeechChunk& chunk) {
    if (complete_)
        return;
    for (const SpeechEvent& e : chunk.events) {
        switch (e.kind) {
            case SpeechEvent::Kind::Word:
                insert(words_, e);
                insert(due_, e);
                break;
            case SpeechEvent::Kind::Mouth:
                insert(mouth_, e);
                insert(due_, e);
                break;
            case SpeechEvent::Kind::Bookmark:
                insert(bookmarks_, e);
                break;
        }
    }
    if (chunk.sampleRate > 0) {
        sampleRate_ = chunk.sampleRate;
        samples_ += qint64(chunk.pcm.size());
    }
    if (chunk.final) {
        complete_ = true;
        totalMs_ = chunk.totalMs;
    }
}

qint64 SpeechTrack::audioMs() const {
    if (complete_)
        return totalMs_;
    return sampleRate_ > 0 ? samples_ * 1000 / sampleRate_ : 0;
}

int SpeechTrack::revealedAt(qint64 ms) const {
    if (endedAt(ms))
        return shownLength_;
    int end = 0;
    for (auto it = words_.begin(); it != upTo(words_, ms); ++it)
        end = std::max(end, it->shownStart + it->shownLength);
    return std::min(end, shownLength_);
}

int SpeechTrack::mouthAt(qint64 ms) const {
    if (endedAt(ms))
        return MouthClosed;
    const auto end = upTo(mouth_, ms);
    return end == mouth_.begin() ? int(MouthClosed) : std::prev(end)->mouth;
}

std::vector<SpeechEvent> SpeechTrack::takeDue(qint64 ms) {
    const auto end = upTo(due_, ms);
    std::vector<SpeechEvent> out(due_.cbegin(), end);
    due_.erase(due_.cbegin(), end);
    return out;
}

qint64 SpeechTrack::nextDue() const {
    qint64 next = complete_ ? totalMs_ : -1;
    if (!due_.empty() && (next < 0 || due_.front().timeMs < next))
        next = due_.front().timeMs;
    return next;
}

std::vector<int> SpeechTrack::bookmarksIn(qint64 fromMs, qint64 toMs) const {
    std::vector<int> out;
    for (auto it = upTo(bookmarks_, fromMs); it != upTo(bookmarks_, toMs); ++it)
        out.push_back(it->bookmark);
    return out;
}

}  // namespace vistrel::speech
