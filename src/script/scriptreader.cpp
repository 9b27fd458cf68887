#include "script/scriptreader.h"

namespace vistrel::script {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
}  // namespace

bool ScriptReader::atLineEnd(qsizetype i) const {
    return text_[i] == u'\n' || text_[i] == u'\r';
}

void ScriptReader::skipDelimiter() {
    if (pos_ >= text_.size())
        return;
    if (text_[pos_] == u',') {
        ++pos_;
    } else if (text_[pos_] == u'\r') {
        ++pos_;
        if (pos_ < text_.size() && text_[pos_] == u'\n')
            ++pos_;
    } else if (text_[pos_] == u'\n') {
        ++pos_;
    }
}

bool ScriptReader::atEnd() const {
    for (qsizetype i = pos_; i < text_.size(); ++i) {
        if (!isBlank(text_[i]))
            return false;
    }
    return true;
}

bool ScriptReader::next(QString& item) {
    while (pos_ < text_.size() && isBlank(text_[pos_]))
        ++pos_;
    if (pos_ >= text_.size())
        return false;

    span_ = Span{};
    span_.start = pos_;
    if (text_[pos_] == u'"') {
        const qsizetype start = pos_ + 1;
        qsizetype close = text_.indexOf(u'"', start);
        span_.quoted = true;
        span_.closed = close >= 0;
        if (close < 0)
            close = text_.size();
        item.setUnicode(text_.data() + start, close - start);
        span_.end = close;
        pos_ = close < text_.size() ? close + 1 : close;
        while (pos_ < text_.size() && text_[pos_] != u',' && !atLineEnd(pos_))
            ++pos_;
        span_.discarded = pos_;
    } else {
        const qsizetype start = pos_;
        while (pos_ < text_.size() && text_[pos_] != u',' && !atLineEnd(pos_))
            ++pos_;
        item.setUnicode(text_.data() + start, pos_ - start);
        span_.end = pos_;
        span_.discarded = pos_;
    }
    if (pos_ < text_.size())
        span_.delimiter = text_[pos_];
    skipDelimiter();
    span_.next = pos_;
    return true;
}

}  // namespace vistrel::script
