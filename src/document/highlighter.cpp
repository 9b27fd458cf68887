#include "document/highlighter.h"

#include <QStringView>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include <algorithm>
#include <array>
#include <limits>

namespace vistrel::document {

namespace {

// What may follow "Name" in a command, longest first where one begins another.
const std::array<QLatin1String, 13> kCommands = {
    QLatin1String(".Hide.Quick"),  QLatin1String(".SpeakSound."), QLatin1String(".Play."),
    QLatin1String(".Speak."),      QLatin1String(".Whisper."),    QLatin1String(".Show"),
    QLatin1String(".Think."),      QLatin1String(".Hide"),        QLatin1String(".MoveTo."),
    QLatin1String(".GestureAt."),  QLatin1String(".Interrupt."),  QLatin1String(".Stop"),
    QLatin1String(".Balloon.Off"),
};

// Items that are a keyword as a whole.
const std::array<QLatin1String, 5> kWholeItems = {
    QLatin1String("VTL.END"),   QLatin1String("%Min"), QLatin1String("%Creator"),
    QLatin1String("UnloadAll"), QLatin1String("Exit"),
};

const QLatin1String kLoad("Load.");
const QLatin1String kWaitOn("WaitOn.Req.");
const QLatin1String kReq("Req");

bool speaks(QLatin1String command) {
    return command == QLatin1String(".Speak.") || command == QLatin1String(".Think.") ||
           command == QLatin1String(".Whisper.");
}

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

}  // namespace

const QColor ScriptHighlighter::kKeyword(0x1f, 0x3f, 0xb0);
const QColor ScriptHighlighter::kName(0x86, 0x1a, 0x8f);
const QColor ScriptHighlighter::kNumber(0x0a, 0x7d, 0x5a);
const QColor ScriptHighlighter::kQuoted(0xa3, 0x32, 0x15);
const QColor ScriptHighlighter::kDropped(0x96, 0x96, 0x96);

ScriptHighlighter::ScriptHighlighter(QTextDocument* document)
    : QSyntaxHighlighter(static_cast<QObject*>(document)) {
    resume_.setSingleShot(true);
    resume_.setInterval(0);
    connect(&resume_, &QTimer::timeout, this, &ScriptHighlighter::resume);
    // The colouring itself runs in the base class's own handler of the change, so these two
    // are connected before it and after it.
    connect(document, &QTextDocument::contentsChange, this, &ScriptHighlighter::beginPass);
    setDocument(document);
    connect(document, &QTextDocument::contentsChange, this, &ScriptHighlighter::endPass);
}

// The base class's destructor clears the colours it set, which the document reports as a change:
// by then this part of the object is gone, so its handlers must be too.
ScriptHighlighter::~ScriptHighlighter() {
    if (QTextDocument* text = document()) {
        disconnect(text, &QTextDocument::contentsChange, this, &ScriptHighlighter::beginPass);
        disconnect(text, &QTextDocument::contentsChange, this, &ScriptHighlighter::endPass);
    }
}

void ScriptHighlighter::beginPass(int position, int removed, int added) {
    // The lines the change touched, as the base class finds them.
    const QTextBlock last = document()->findBlock(position + added + (removed > 0 ? 1 : 0));
    passEnd_ = last.isValid() ? last.position() + last.length() : std::numeric_limits<int>::max();
    followOn_ = 0;
}

void ScriptHighlighter::endPass() {
    passEnd_ = kNoPass;
}

void ScriptHighlighter::stopHere() {
    // Its colours and end state stay as they were; only the colours are set again, as the base
    // class clears what is not set.
    const QTextBlock block = currentBlock();
    for (const QTextLayout::FormatRange& range : block.layout()->formats())
        setFormat(range.start, range.length, range.format);
    pending_.emplace_back(block);
    resume_.start();
}

void ScriptHighlighter::resume() {
    if (pending_.empty())
        return;
    // The earliest first: colouring from there may well take in the later ones.
    const auto earliest = std::min_element(
        pending_.begin(), pending_.end(),
        [](const QTextCursor& a, const QTextCursor& b) { return a.position() < b.position(); });
    const int position = earliest->position();
    pending_.erase(earliest);
    // The line left as it was, and the one after it, in case an edit since has joined the
    // line to the one before it.
    const QTextBlock block = document()->findBlock(position);
    for (const QTextBlock& line : {block, block.next()}) {
        if (!line.isValid())
            continue;
        passEnd_ = line.position() + line.length();
        followOn_ = 0;
        rehighlightBlock(line);
        passEnd_ = kNoPass;
    }
    if (!pending_.empty())
        resume_.start();
    else
        emit settled();
}

void ScriptHighlighter::colour(int start, int length, const QColor& colour) {
    if (length <= 0)
        return;
    QTextCharFormat format;
    format.setForeground(colour);
    setFormat(start, length, format);
}

void ScriptHighlighter::highlightBlock(const QString& text) {
    if (passEnd_ != kNoPass && currentBlock().position() >= passEnd_ &&
        ++followOn_ > kFollowOnLines) {
        stopHere();
        return;
    }
    const int size = static_cast<int>(text.size());
    int pos = 0;
    bool quoteOpen = previousBlockState() == InQuote;
    while (pos <= size) {
        if (!quoteOpen) {
            while (pos < size && isBlank(text[pos]))
                ++pos;
            if (pos < size && text[pos] == u'"') {
                quoteOpen = true;
                colour(pos, 1, kQuoted);
                ++pos;
            }
        }
        if (quoteOpen) {
            const int close = static_cast<int>(text.indexOf(u'"', pos));
            if (close < 0) {
                colour(pos, size - pos, kQuoted);
                setCurrentBlockState(InQuote);
                return;
            }
            colour(pos, close + 1 - pos, kQuoted);
            quoteOpen = false;
            int comma = static_cast<int>(text.indexOf(u',', close + 1));
            if (comma < 0)
                comma = size;
            colour(close + 1, comma - close - 1, kDropped);
            pos = comma + 1;
            continue;
        }
        int comma = static_cast<int>(text.indexOf(u',', pos));
        if (comma < 0)
            comma = size;
        highlightItem(text, pos, comma);
        pos = comma + 1;
    }
    setCurrentBlockState(Plain);
}

void ScriptHighlighter::highlightItem(const QString& text, int start, int end) {
    const QStringView item = QStringView(text).mid(start, end - start);
    if (item.isEmpty())
        return;
    for (QLatin1String whole : kWholeItems) {
        if (item.trimmed().compare(whole, Qt::CaseInsensitive) == 0) {
            colour(start, static_cast<int>(whole.size()), kKeyword);
            return;
        }
    }
    if (item.startsWith(kLoad, Qt::CaseInsensitive)) {
        colour(start, static_cast<int>(kLoad.size()), kKeyword);
        colour(start + static_cast<int>(kLoad.size()), end - start - static_cast<int>(kLoad.size()),
               kName);
        return;
    }
    if (item.startsWith(kWaitOn, Qt::CaseInsensitive)) {
        colour(start, static_cast<int>(kWaitOn.size()), kKeyword);
        highlightNumbers(text, start + static_cast<int>(kWaitOn.size()), end);
        return;
    }
    int at = start;
    if (item.startsWith(kReq, Qt::CaseInsensitive)) {
        // Req<slot>.Name.Command: the slot, then a command as any other.
        int digits = at + static_cast<int>(kReq.size());
        while (digits < end && text[digits].isDigit())
            ++digits;
        if (digits > at + static_cast<int>(kReq.size()) && digits < end && text[digits] == u'.') {
            colour(at, static_cast<int>(kReq.size()), kKeyword);
            colour(at + static_cast<int>(kReq.size()), digits - at - static_cast<int>(kReq.size()),
                   kNumber);
            at = digits + 1;
        }
    }
    const int dot = static_cast<int>(text.indexOf(u'.', at));
    if (dot <= at || dot >= end)
        return;
    colour(at, dot - at, kName);
    highlightCommand(text, dot, end);
}

void ScriptHighlighter::highlightCommand(const QString& text, int at, int end) {
    const QStringView rest = QStringView(text).mid(at, end - at);
    for (QLatin1String command : kCommands) {
        if (!rest.startsWith(command, Qt::CaseInsensitive))
            continue;
        const int length = static_cast<int>(command.size());
        colour(at, length, kKeyword);
        if (!speaks(command))
            highlightNumbers(text, at + length, end);
        return;
    }
}

void ScriptHighlighter::highlightNumbers(const QString& text, int start, int end) {
    int pos = start;
    while (pos < end) {
        const bool sign = text[pos] == u'-' && pos + 1 < end && text[pos + 1].isDigit();
        if (!sign && !text[pos].isDigit()) {
            ++pos;
            continue;
        }
        const int first = pos;
        pos += sign ? 2 : 1;
        while (pos < end && text[pos].isDigit())
            ++pos;
        colour(first, pos - first, kNumber);
    }
}

}  // namespace vistrel::document
