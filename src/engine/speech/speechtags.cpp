#include "engine/speech/speechtags.h"

#include <algorithm>

namespace vistrel::speech {

namespace {

// A run of text inside a segment. Plain text is spoken as shown; a mapped run speaks one
// text and shows another.
struct Piece {
    int spokenStart = 0;
    int spokenLength = 0;
    int shownStart = 0;
    int shownLength = 0;
    bool mapped = false;
};

struct Span {
    int start = 0;
    int length = 0;
};

std::vector<Span> wordsOf(QStringView text, int base) {
    std::vector<Span> words;
    int i = 0;
    const int n = int(text.size());
    while (i < n) {
        while (i < n && text[i].isSpace())
            ++i;
        const int start = i;
        while (i < n && !text[i].isSpace())
            ++i;
        if (i > start)
            words.push_back({base + start, i - start});
    }
    return words;
}

// Whole number argument of a tag such as "=500"; huge values saturate.
std::optional<qint64> numberArg(QStringView args) {
    args = args.trimmed();
    if (!args.startsWith(u'='))
        return std::nullopt;
    args = args.mid(1).trimmed();
    if (args.size() >= 2 && args.startsWith(u'"') && args.endsWith(u'"'))
        args = args.mid(1, args.size() - 2).trimmed();
    if (args.isEmpty())
        return std::nullopt;
    qint64 value = 0;
    for (QChar c : args) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = std::min<qint64>(value * 10 + (c.unicode() - u'0'), qint64(1) << 40);
    }
    return value;
}

// The quoted strings of an argument list such as ="a"="b". Unquoted values are accepted
// when they are the only argument.
std::optional<std::vector<QString>> stringArgs(QStringView args) {
    std::vector<QString> out;
    args = args.trimmed();
    while (!args.isEmpty()) {
        if (!args.startsWith(u'='))
            return std::nullopt;
        args = args.mid(1).trimmed();
        if (args.startsWith(u'"')) {
            const qsizetype close = args.indexOf(u'"', 1);
            if (close < 0)
                return std::nullopt;
            out.push_back(args.mid(1, close - 1).toString());
            args = args.mid(close + 1).trimmed();
        } else {
            const qsizetype next = args.indexOf(u'=');
            out.push_back(args.left(next < 0 ? args.size() : next).trimmed().toString());
            args = next < 0 ? QStringView() : args.mid(next);
        }
    }
    return out;
}

class Parser {
  public:
    SpeechScript run(QStringView text) {
        int i = 0;
        const int n = int(text.size());
        while (i < n) {
            const QChar c = text[i];
            if (c != u'\\') {
                appendChar(c);
                ++i;
                continue;
            }
            if (i + 1 < n && text[i + 1] == u'\\') {
                appendChar(u'\\');
                i += 2;
                continue;
            }
            int nameEnd = i + 1;
            while (nameEnd < n && text[nameEnd].isLetter())
                ++nameEnd;
            const int close = closingBackslash(text, nameEnd);
            if (close < 0) {
                ++i;  // a stray backslash: drop it, keep what follows
                continue;
            }
            applyTag(text.mid(i + 1, nameEnd - i - 1), text.mid(nameEnd, close - nameEnd));
            i = close + 1;
        }
        flush();
        if (pendingPause_ > 0 || !pendingBookmarks_.empty()) {
            open();
            flush();
        }
        return std::move(script_);
    }

  private:
    // The backslash that ends a tag whose arguments start at `from`: the first one outside
    // double quotes, or, when the quotes do not pair up, simply the first one.
    static int closingBackslash(QStringView text, int from) {
        bool quoted = false;
        for (int j = from; j < int(text.size()); ++j) {
            if (text[j] == u'"')
                quoted = !quoted;
            else if (text[j] == u'\\' && !quoted)
                return j;
        }
        const qsizetype plain = text.indexOf(u'\\', from);
        return plain < 0 ? -1 : int(plain);
    }

    void applyTag(QStringView name, QStringView args) {
        const auto is = [&](const char* tag) {
            return name.compare(QLatin1String(tag), Qt::CaseInsensitive) == 0;
        };
        if (is("chr")) {
            const auto values = stringArgs(args);
            if (!values || values->size() != 1)
                return;
            const QString& v = values->front();
            if (v.compare(u"Normal", Qt::CaseInsensitive) == 0)
                prosody_.style = SpeechStyle::Normal;
            else if (v.compare(u"Monotone", Qt::CaseInsensitive) == 0)
                prosody_.style = SpeechStyle::Monotone;
            else if (v.compare(u"Whisper", Qt::CaseInsensitive) == 0)
                prosody_.style = SpeechStyle::Whisper;
        } else if (is("pau")) {
            if (const auto ms = numberArg(args)) {
                flush();
                pendingPause_ = int(std::min<qint64>(pendingPause_ + *ms, kMaxPauseMs));
            }
        } else if (is("spd")) {
            if (const auto v = numberArg(args))
                prosody_.rateWpm = int(std::clamp<qint64>(*v, kMinTagRateWpm, kMaxTagRateWpm));
        } else if (is("pit")) {
            if (const auto v = numberArg(args))
                prosody_.pitchHz = int(std::clamp<qint64>(*v, kMinTagPitchHz, kMaxTagPitchHz));
        } else if (is("vol")) {
            if (const auto v = numberArg(args))
                prosody_.volume = int(std::clamp<qint64>(*v, 0, kMaxTagVolume));
        } else if (is("rst")) {
            prosody_ = Prosody{};
        } else if (is("mrk")) {
            if (const auto v = numberArg(args)) {
                flush();
                pendingBookmarks_.push_back(int(std::min<qint64>(*v, 0x7fffffff)));
            }
        } else if (is("emp")) {
            if (args.trimmed().isEmpty())
                emphasisPending_ = true;
        } else if (is("map")) {
            const auto values = stringArgs(args);
            if (values && values->size() == 2)
                appendMapped((*values)[0], (*values)[1]);
        }
        // \Ctx\, \Lst\, \Com\, \Eng\ and anything unknown: nothing to do.
    }

    // Emphasis covers the next word: it starts at its first non-space character and ends at
    // the next space.
    void enterWord() {
        if (emphasisPending_) {
            emphasisPending_ = false;
            flush();
            prosody_.emphasis = true;
        }
    }

    void leaveEmphasis() {
        if (prosody_.emphasis) {
            flush();
            prosody_.emphasis = false;
        }
    }

    void appendChar(QChar c) {
        if (c.isSpace())
            leaveEmphasis();
        else
            enterWord();
        ensureOpen();
        const int spokenPos = int(segment_->spoken.size());
        const int shownPos = int(script_.shownText.size());
        if (pieces_.empty() || pieces_.back().mapped)
            pieces_.push_back({spokenPos, 0, shownPos, 0, false});
        segment_->spoken.append(c);
        script_.shownText.append(c);
        ++pieces_.back().spokenLength;
        ++pieces_.back().shownLength;
    }

    void appendMapped(const QString& spoken, const QString& shown) {
        enterWord();
        ensureOpen();
        pieces_.push_back({int(segment_->spoken.size()), int(spoken.size()),
                           int(script_.shownText.size()), int(shown.size()), true});
        segment_->spoken.append(spoken);
        script_.shownText.append(shown);
        leaveEmphasis();
    }

    void ensureOpen() {
        if (segment_ && segment_->prosody != prosody_)
            flush();
        if (!segment_)
            open();
    }

    void open() {
        segment_.emplace();
        segment_->prosody = prosody_;
        segment_->pauseMs = pendingPause_;
        segment_->bookmarks = std::move(pendingBookmarks_);
        segment_->shownStart = int(script_.shownText.size());
        pendingPause_ = 0;
        pendingBookmarks_.clear();
    }

    void flush() {
        if (!segment_)
            return;
        segment_->shownLength = int(script_.shownText.size()) - segment_->shownStart;
        for (const Piece& p : pieces_)
            addWords(p);
        script_.segments.push_back(std::move(*segment_));
        segment_.reset();
        pieces_.clear();
    }

    void addWords(const Piece& p) {
        const QStringView spoken = QStringView(segment_->spoken).mid(p.spokenStart, p.spokenLength);
        const std::vector<Span> spokenWords = wordsOf(spoken, p.spokenStart);
        if (!p.mapped) {
            const int shift = p.shownStart - p.spokenStart;
            for (const Span& w : spokenWords)
                segment_->words.push_back({w.start, w.length, w.start + shift, w.length});
            return;
        }
        // A mapped run: spread the shown words evenly over the spoken ones.
        const QStringView shown = QStringView(script_.shownText).mid(p.shownStart, p.shownLength);
        const std::vector<Span> shownWords = wordsOf(shown, p.shownStart);
        const qint64 n = qint64(spokenWords.size());
        const qint64 m = qint64(shownWords.size());
        for (qint64 k = 0; k < n; ++k) {
            WordSpan span{spokenWords[k].start, spokenWords[k].length, p.shownStart, 0};
            if (m > 0) {
                const qint64 first = std::min(k * m / n, m - 1);
                const qint64 last = std::max(first, (k + 1) * m / n - 1);
                span.shownStart = shownWords[first].start;
                span.shownLength =
                    shownWords[last].start + shownWords[last].length - span.shownStart;
            }
            segment_->words.push_back(span);
        }
    }

    SpeechScript script_;
    std::optional<SpeechSegment> segment_;
    std::vector<Piece> pieces_;
    Prosody prosody_;
    int pendingPause_ = 0;
    std::vector<int> pendingBookmarks_;
    bool emphasisPending_ = false;
};

}  // namespace

std::optional<ShownRange> SpeechSegment::shownRangeFor(int spokenPos, int spokenLength) const {
    const auto firstAt = [&](int pos) {
        return std::find_if(words.begin(), words.end(), [&](const WordSpan& w) {
            return w.spokenStart + w.spokenLength > pos;
        });
    };
    const auto first = firstAt(spokenPos);
    if (first == words.end())
        return std::nullopt;
    const int lastPos = spokenPos + std::max(spokenLength, 1) - 1;
    auto last = first;
    for (auto it = first; it != words.end() && it->spokenStart <= lastPos; ++it)
        last = it;
    const int start = std::min(first->shownStart, last->shownStart);
    const int end =
        std::max(first->shownStart + first->shownLength, last->shownStart + last->shownLength);
    return ShownRange{start, end - start};
}

SpeechScript parseSpeech(const QString& text) {
    return Parser().run(QStringView(text).left(kMaxSpeechTextLength));
}

}  // namespace vistrel::speech
