#pragma once

// Checking a script against the characters it loads, without playing it.
//
//   script::CheckOptions options;
//   options.charactersFolder = "/usr/share/vistrel/chars";
//   for (const script::Finding& f : script::checkScript(text, options))
//       qDebug() << f.line << f.column << f.code << f.message;
//
// The script is read by the player itself, run against a service that only judges each call,
// so the checker and the player cannot disagree on where items begin or what they do.
// checkScript may run on any thread; it touches no widgets and shares nothing but the
// character shelf, which locks itself.

#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <mutex>
#include <vector>

namespace vistrel::script {

enum class Severity {
    Warning,  // the play does something the author probably did not mean
    Error,    // the play stops here, or the line does nothing
};

struct Finding {
    qsizetype offset = 0;  // into the script text, in UTF-16 units
    qsizetype length = 0;  // of the text it is about (at least 1 when the text has any)
    int line = 1;          // counting from 1; CR LF, LF and CR end lines, as for the reader
    int column = 1;        // counting from 1, in UTF-16 units
    int item = 0;          // the player's item number, counting from 1; 0 for none
    Severity severity = Severity::Warning;
    QString code;     // stable, lower-case with dashes: "unknown-animation"
    QString message;  // one sentence for the user

    bool operator==(const Finding&) const = default;
};

// What the checker needs to know about one character file: read from its index only.
struct CharacterSummary {
    enum class Problem { None, Missing, Unreadable, Refused };
    Problem problem = Problem::None;
    QString reason;                // why it cannot be used, for messages
    QString name;                  // the name the character gives itself (English entry), or empty
    QStringList animations;        // as written in the file
    QStringList foldedAnimations;  // the same, case-folded and sorted, for lookups
};

// Opened character files, kept across checks and shared between threads. A file is read
// again when its size or modification time changes.
class CharacterShelf {
  public:
    std::shared_ptr<const CharacterSummary> summary(const QString& path);

  private:
    struct Entry {
        qint64 size = -1;
        qint64 modified = 0;
        std::shared_ptr<const CharacterSummary> summary;
    };
    std::mutex mutex_;
    QHash<QString, Entry> entries_;
};

struct CheckOptions {
    QString charactersFolder;  // where Load.NAME finds NAME.acs
    QString scriptFolder;      // relative sound files are looked up here; empty: the working folder
    // Characters opened by earlier checks; null opens them afresh for this check.
    std::shared_ptr<CharacterShelf> shelf;
};

struct CheckResult {
    std::vector<Finding> findings;      // in text order
    std::vector<qsizetype> itemStarts;  // where each item the player read begins
};

// Checks script text as the player would read it.
CheckResult checkScript(const QString& text, const CheckOptions& options);

// Reads a script file as the player does (UTF-8 or Windows-1252) and checks it. Sets `error`
// and returns nothing when the file cannot be read.
CheckResult checkScriptFile(const QString& path, const CheckOptions& options, QString* error);

QString severityName(Severity severity);  // "warning" or "error"

}  // namespace vistrel::script
