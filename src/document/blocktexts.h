#pragma once

#include <QStringList>

#include <memory>
#include <vector>

class QTextDocument;

namespace vistrel::document {

// The text of a document block by block, kept in step with its edits, so that a copy for
// another thread costs a few hundred pointers rather than a walk over the whole document. The
// blocks are held in shared runs that are never changed once made: an edit replaces the runs
// it touches, and a copy taken earlier keeps the text as it was.
class BlockTexts {
  public:
    using Run = std::shared_ptr<const QStringList>;
    using Copy = std::vector<Run>;

    // About this many blocks make a run; an edit re-reads and re-makes the runs it touches.
    static constexpr int kRunBlocks = 256;

    explicit BlockTexts(const QTextDocument& document);

    // Follows one change the document reported (QTextDocument::contentsChange).
    void changed(int position, int removed, int added);

    Copy copy() const { return runs_; }
    int blockCount() const { return count_; }
    // How many runs hold the blocks (at most about 2 * blockCount() / kRunBlocks + 1).
    std::size_t runCount() const { return runs_.size(); }

    // The blocks of `copy` joined by LF, with every line separator inside a block an LF as
    // well: offsets into the result are document positions.
    static QString joined(const Copy& copy);

  private:
    void readAll();
    // Replaces `count` blocks from block `first` with `blocks`.
    void replace(int first, int count, QStringList blocks);

    const QTextDocument& document_;
    std::vector<Run> runs_;
    int count_ = 0;
};

}  // namespace vistrel::document
