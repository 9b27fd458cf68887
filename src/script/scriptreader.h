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
    explicit ScriptReader(QStringView text) : text_(text) {}

    // Reads the next item into `item`; false at the end of the text.
    bool next(QString& item);

    bool atEnd() const;

  private:
    bool atLineEnd(qsizetype i) const;
    void skipDelimiter();  // one comma or one line end, if there is one

    QStringView text_;
    qsizetype pos_ = 0;
};

}  // namespace vistrel::script
