#include "script/check.h"

#include "script/checkservice.h"
#include "script/player.h"
#include "script/scripterror.h"
#include "script/scripttext.h"

#include "files/regularfile.h"

#include <QFileInfo>

#include <algorithm>
#include <set>

namespace vistrel::script {

namespace {

const QString kReq = QStringLiteral("Req");
const QString kWaitOn = QStringLiteral("WaitOn.Req.");

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}

// Plays the script with an observer and a judging service, and turns what they see into
// findings placed in the text.
class Checker final : public PlayObserver, public PlayerHost, public CheckSink {
  public:
    Checker(const QString& text, const CheckOptions& options, CharacterShelf& shelf)
        : text_(text),
          service_(*this, shelf, options.charactersFolder, options.scriptFolder),
          keywords_(ScriptPlayer::commandKeywords()) {
        state_.charactersFolder = options.charactersFolder;
        lineStarts_.push_back(0);
        for (qsizetype i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
                continue;  // the LF ends this line
            if (c == u'\r' || c == u'\n')
                lineStarts_.push_back(i + 1);
        }
    }

    CheckResult run() {
        ScriptPlayer player(state_, service_, *this);
        player.setObserver(this);
        player.playText(text_);
        finishItem();
        textAfterEnd();
        std::stable_sort(result_.findings.begin(), result_.findings.end(),
                         [](const Finding& a, const Finding& b) { return a.offset < b.offset; });
        return std::move(result_);
    }

    // --- PlayObserver ---
    void itemRead(int number, const ScriptReader::Span& span, const QString& item) override {
        finishItem();
        number_ = number;
        span_ = span;
        item_ = item;
        codes_.clear();
        spoke_ = false;
        failureReported_ = false;
        result_.itemStarts.push_back(span.start);
        checkQuotes();
        checkReqSlot();
        checkCharacterNames();
    }

    bool keepGoing(const QString& description) override {
        if (description == ScriptError::overflow() && !overflowed_ &&
            number_ >= std::numeric_limits<std::int16_t>::max()) {
            overflowed_ = true;
            found(Severity::Error, QStringLiteral("too-many-items"),
                  QStringLiteral("the script has 32,767 items or more: the play stops here with "
                                 "\"Overflow\"; split it into several scripts"));
            return true;
        }
        if (overflowed_ && description == ScriptError::overflow())
            return true;
        if (failureReported_)
            return true;  // the service already said why
        const QString folded = item_.toCaseFolded();
        if (folded.startsWith(kWaitOn.toCaseFolded()) ||
            folded.contains(QLatin1String(".interrupt."))) {
            const qsizetype at = folded.startsWith(kWaitOn.toCaseFolded())
                                     ? kWaitOn.size()
                                     : folded.indexOf(QLatin1String(".interrupt.")) + 11;
            foundAt(at, Severity::Error, QStringLiteral("bad-slot"),
                    QStringLiteral("a request slot is a number from 0 to 9 (%1): the play "
                                   "stops here")
                        .arg(description));
        } else if (folded.contains(QLatin1String(".moveto.")) ||
                   folded.contains(QLatin1String(".gestureat."))) {
            qsizetype at = folded.indexOf(QLatin1String(".moveto."));
            at = at >= 0 ? at + 8 : folded.indexOf(QLatin1String(".gestureat.")) + 11;
            const QString why =
                description == ScriptError::overflow()
                    ? QStringLiteral("a coordinate is outside -32768 to 32767")
                    : QStringLiteral("MoveTo and GestureAt need two numbers written x/y");
            foundAt(at, Severity::Error, QStringLiteral("bad-point"),
                    why + QStringLiteral(": the play stops here"));
        } else {
            found(Severity::Error, QStringLiteral("play-stops"),
                  QStringLiteral("the play stops here: %1").arg(description));
        }
        return true;
    }

    // --- PlayerHost: a check shows nothing ---
    void setStatusText(const QString&) override {}
    void minimizeWindow() override {}
    void showStopMessage(const QString&, const QString&) override {}
    void focusEditor() override {}
    QString programFolder() const override { return {}; }

    // --- CheckSink ---
    void found(Severity severity, const QString& code, const QString& message,
               const QString& needle = {}) override {
        qsizetype at = 0;
        if (!needle.isEmpty()) {
            at = item_.indexOf(needle, 0, Qt::CaseInsensitive);
            if (at < 0)
                at = 0;
        }
        foundAt(at, severity, code, message, needle.isEmpty() ? 1 : needle.size());
    }
    void spoke() override { spoke_ = true; }
    bool castFull() const override { return state_.cast.full(); }
    QStringList castNames() const override {
        QStringList names;
        for (const Cast::Member& m : state_.cast)
            names << m.name;
        return names;
    }

  private:
    // A finding `at` characters into the current item's text as written.
    void foundAt(qsizetype at, Severity severity, const QString& code, const QString& message,
                 qsizetype length = 1) {
        if (severity == Severity::Error)
            failureReported_ = true;
        if (!codes_.insert(code).second)
            return;  // once per item and code
        placeAt(span_.start + (span_.quoted ? 1 : 0) + at, length, severity, code, message);
    }

    void placeAt(qsizetype offset, qsizetype length, Severity severity, const QString& code,
                 const QString& message) {
        offset = std::clamp<qsizetype>(offset, 0, text_.size());
        Finding f;
        f.offset = offset;
        f.length = std::min(length, text_.size() - offset);
        const auto line = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset) - 1;
        f.line = static_cast<int>(line - lineStarts_.begin()) + 1;
        f.column = static_cast<int>(offset - *line) + 1;
        f.item = number_;
        f.severity = severity;
        f.code = code;
        f.message = message;
        result_.findings.push_back(std::move(f));
    }

    // Findings known only once the whole item has run.
    void finishItem() {
        if (number_ == 0 || !spoke_)
            return;
        spoke_ = false;
        if (!span_.quoted && span_.delimiter == u',') {
            placeAt(span_.end, 1, Severity::Warning, QStringLiteral("comma-splits-text"),
                    QStringLiteral("the comma ends the item, so the text after it is not said; "
                                   "leave the comma out"));
        } else if (span_.quoted && item_.contains(QLatin1Char(','))) {
            foundAt(item_.indexOf(QLatin1Char(',')), Severity::Warning,
                    QStringLiteral("quoted-comma-dropped"),
                    QStringLiteral("commas are removed from every item: this one is not said"));
        }
    }

    void checkQuotes() {
        if (!span_.quoted)
            return;
        if (!span_.closed) {
            const bool spansLines = item_.contains(u'\n') || item_.contains(u'\r');
            placeAt(span_.start, 1, spansLines ? Severity::Error : Severity::Warning,
                    QStringLiteral("unclosed-quote"),
                    QStringLiteral("this quote is never closed: the rest of the script is one "
                                   "item"));
            return;
        }
        for (qsizetype i = span_.end + 1; i < span_.discarded; ++i) {
            if (!isBlank(text_[i])) {
                placeAt(i, span_.discarded - i, Severity::Warning,
                        QStringLiteral("text-after-quote"),
                        QStringLiteral("text after the closing quote is dropped"));
                return;
            }
        }
    }

    // "Req" takes one digit: "Req12." stores into slot 1 and keeps "2." in the command.
    void checkReqSlot() {
        if (!item_.startsWith(kReq, Qt::CaseInsensitive) || item_.size() < 5)
            return;
        const QChar a = item_[3];
        const QChar b = item_[4];
        if ((a.isDigit() && b.isDigit()) || (a == u'-' && b.isDigit())) {
            qsizetype end = 4;
            while (end < item_.size() && item_[end].isDigit())
                ++end;
            foundAt(3, Severity::Warning, QStringLiteral("bad-slot"),
                    QStringLiteral("a request slot is one digit from 0 to 9; \"%1\" is not one")
                        .arg(item_.mid(3, end - 3)),
                    end - 3);
        }
    }

    // A command at the start of the item whose name no loaded character answers to.
    void checkCharacterNames() {
        qsizetype start = 0;
        if (item_.startsWith(kReq, Qt::CaseInsensitive)) {
            start = kReq.size();
            if (start < item_.size() && item_[start] >= u'0' && item_[start] <= u'9') {
                ++start;
                if (start < item_.size() && item_[start] == u'.')
                    ++start;
            }
        }
        const qsizetype dot = item_.indexOf(u'.', start);
        if (dot <= start || !item_[start].isLetter())
            return;
        const QStringView rest = QStringView(item_).sliced(dot);
        const bool command = std::any_of(keywords_.begin(), keywords_.end(), [&](const QString& k) {
            return rest.startsWith(k, Qt::CaseInsensitive);
        });
        if (!command)
            return;
        const QString token = item_.mid(start, dot - start);
        if (token.contains(u' ') || token.contains(u'\t'))
            return;  // prose, or a name the player matches further on
        const QStringList names = castNames();
        for (const QString& name : names) {
            if (token.endsWith(name, Qt::CaseInsensitive))
                return;
        }
        QString message = QStringLiteral("no character named %1 is loaded").arg(token);
        const auto outcome = service_.loadOutcomes().constFind(token.toCaseFolded());
        if (outcome != service_.loadOutcomes().constEnd() && !outcome->isEmpty())
            message += QStringLiteral(
                           ": Load.%1 loaded a character that calls itself \"%2\"; "
                           "write %2%3")
                           .arg(token, *outcome, rest.toString());
        else if (outcome != service_.loadOutcomes().constEnd())
            message += QStringLiteral(": its Load failed");
        else if (const QStringList near = closestNames(token, names); !near.isEmpty())
            message += QStringLiteral("; did you mean %1?").arg(near.join(QLatin1String(", ")));
        else if (names.isEmpty())
            message += QStringLiteral("; load it first with Load.%1").arg(token);
        foundAt(start, Severity::Error, QStringLiteral("unknown-character"), message, token.size());
    }

    void textAfterEnd() {
        if (number_ == 0 || span_.next >= text_.size())
            return;
        const QStringView rest = QStringView(text_).sliced(span_.next);
        ScriptReader reader(rest);
        QString item;
        if (!reader.next(item))
            return;
        ++number_;
        placeAt(span_.next + reader.span().start, 1, Severity::Warning,
                QStringLiteral("text-after-end"),
                QStringLiteral("the play ends at VTL.END: nothing after it is read"));
        number_ = 0;
        result_.findings.back().item = 0;
    }

    const QString& text_;
    PlayerState state_;
    CheckingService service_;
    QStringList keywords_;
    std::vector<qsizetype> lineStarts_;
    CheckResult result_;

    int number_ = 0;
    ScriptReader::Span span_;
    QString item_;
    std::set<QString> codes_;
    bool spoke_ = false;
    bool failureReported_ = false;
    bool overflowed_ = false;
};

}  // namespace

CheckResult checkScript(const QString& text, const CheckOptions& options) {
    std::shared_ptr<CharacterShelf> shelf =
        options.shelf ? options.shelf : std::make_shared<CharacterShelf>();
    Checker checker(text, options, *shelf);
    return checker.run();
}

CheckResult checkScriptFile(const QString& path, const CheckOptions& options, QString* error) {
    QByteArray bytes;
    try {
        bytes = files::read<QByteArray>(std::filesystem::path(path.toStdU16String()),
                                        files::kMaxScriptFileBytes);
    } catch (const files::Error& e) {
        if (error)
            *error = QString::fromLocal8Bit(e.detail().c_str());
        return {};
    }
    CheckOptions withFolder = options;
    if (withFolder.scriptFolder.isEmpty())
        withFolder.scriptFolder = QFileInfo(path).absolutePath();
    return checkScript(decodeScriptText(bytes), withFolder);
}

QString severityName(Severity severity) {
    return severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning");
}

}  // namespace vistrel::script
