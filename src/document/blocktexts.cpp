#include "document/blocktexts.h"

#include "log/log.h"

#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace vistrel::document {

namespace {

// `blocks` in runs of nearly equal length, none longer than kRunBlocks.
std::vector<BlockTexts::Run> split(const QStringList& blocks) {
    const qsizetype total = blocks.size();
    const qsizetype pieces =
        std::max<qsizetype>(1, (total + BlockTexts::kRunBlocks - 1) / BlockTexts::kRunBlocks);
    std::vector<BlockTexts::Run> runs;
    runs.reserve(static_cast<std::size_t>(pieces));
    for (qsizetype p = 0; p < pieces; ++p) {
        const qsizetype from = total * p / pieces;
        const qsizetype to = total * (p + 1) / pieces;
        runs.push_back(std::make_shared<const QStringList>(blocks.mid(from, to - from)));
    }
    return runs;
}

}  // namespace

BlockTexts::BlockTexts(const QTextDocument& document) : document_(document) {
    readAll();
}

void BlockTexts::readAll() {
    QStringList blocks;
    blocks.reserve(document_.blockCount());
    for (QTextBlock block = document_.begin(); block.isValid(); block = block.next())
        blocks << block.text();
    count_ = static_cast<int>(blocks.size());
    runs_ = split(blocks);
}

void BlockTexts::changed(int position, int removed, int added) {
    // Blocks before the one holding `position` and after the one holding the first character
    // past the new text are as they were; the block count tells how many old blocks lay
    // between them.
    const QTextBlock first = document_.findBlock(position);
    QTextBlock last = document_.findBlock(position + std::max(0, added));
    if (!last.isValid())
        last = document_.lastBlock();
    if (!first.isValid() || last.blockNumber() < first.blockNumber()) {
        qCDebug(log::app) << "block copy re-read after a change at" << position << removed << added;
        readAll();
        return;
    }
    const int firstNumber = first.blockNumber();
    const int newBlocks = last.blockNumber() - firstNumber + 1;
    const int oldBlocks = newBlocks - (document_.blockCount() - count_);
    if (oldBlocks < 1 || firstNumber + oldBlocks > count_) {
        qCDebug(log::app) << "block copy re-read after a change at" << position << removed << added;
        readAll();
        return;
    }
    QStringList blocks;
    blocks.reserve(newBlocks);
    for (QTextBlock block = first;; block = block.next()) {
        blocks << block.text();
        if (block == last)
            break;
    }
    replace(firstNumber, oldBlocks, std::move(blocks));
}

void BlockTexts::replace(int first, int count, QStringList blocks) {
    // The run that holds block `first`, and the block it starts with.
    std::size_t from = 0;
    int start = 0;
    while (from + 1 < runs_.size() && start + runs_[from]->size() <= first) {
        start += static_cast<int>(runs_[from]->size());
        ++from;
    }
    const int added = static_cast<int>(blocks.size());
    QStringList lines = runs_[from]->mid(0, first - start);
    lines += std::move(blocks);
    // Past the replaced blocks, keeping the rest of the run that holds the first one after.
    const int after = first + count;
    std::size_t to = from;
    int end = start;
    while (to < runs_.size() && end + runs_[to]->size() <= after) {
        end += static_cast<int>(runs_[to]->size());
        ++to;
    }
    if (to < runs_.size()) {
        lines += runs_[to]->mid(after - end);
        ++to;
    }
    // A short result takes in the next run, so that runs do not dwindle edit by edit.
    if (lines.size() < kRunBlocks && to < runs_.size()) {
        lines += *runs_[to];
        ++to;
    }
    std::vector<Run> made = split(lines);
    const auto at = runs_.erase(runs_.begin() + static_cast<std::ptrdiff_t>(from),
                                runs_.begin() + static_cast<std::ptrdiff_t>(to));
    runs_.insert(at, made.begin(), made.end());
    count_ += added - count;
}

QString BlockTexts::joined(const Copy& copy) {
    qsizetype length = 0;
    for (const Run& run : copy) {
        for (const QString& block : *run)
            length += block.size() + 1;
    }
    QString text;
    text.reserve(length);
    bool firstBlock = true;
    for (const Run& run : copy) {
        for (const QString& block : *run) {
            if (!firstBlock)
                text += QLatin1Char('\n');
            firstBlock = false;
            text += block;
        }
    }
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

}  // namespace vistrel::document
