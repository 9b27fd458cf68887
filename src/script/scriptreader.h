#pragma once

#include <QString>
#include <QStringView>

namespace vistrel::script {

// Splits script text into items. A field ends at a comma or at the end of a line (CR LF, LF or
// CR); blanks before a field are skipped; a field that begins with a double quote runs to the
// next double quote (line ends and commas included), the quotes are dropped, and whatever
// follows the closing quote up to the next comma or line end is discarded. An empty line is
// an empty item. Text after the last line end makes a last item only if it is not blank.
class ScriptReader {
  public:
    // Where the last item lies in the text, as offsets into it.
    struct Span {
        qsizetype start = 0;      // its first character (the opening quote of a quoted field)
        qsizetype end = 0;        // just past its text (at the closing quote, if any)
        qsizetype next = 0;       // where the next item's search begins
        qsizetype discarded = 0;  // text after a closing quote that was dropped: [end + 1, this)
        bool quoted = false;
        bool closed = true;  // a quoted field found its closing quote
        QChar delimiter;     // the comma or line-end character that ended it; null at the end
    };

    explicit ScriptReader(QStringView text) : text_(text) {}

    // Reads the next item into `item`; false at the end of the text.
    bool next(QString& item);

    bool atEnd() const;
    const Span& span() const { return span_; }

  private:
    bool atLineEnd(qsizetype i) const;
    void skipDelimiter();  // one comma or one line end, if there is one

    QStringView text_;
    qsizetype pos_ = 0;
    Span span_;
};

}  // namespace vistrel::script
