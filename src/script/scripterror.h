#pragma once

#include <QString>

#include <stdexcept>

namespace vistrel::script {

// A failure of the player itself (a bad number, a slot out of range, an unreadable file).
// Failures of the character service arrive as agent::AgentError instead.
class ScriptError : public std::runtime_error {
  public:
    explicit ScriptError(const QString& description)
        : std::runtime_error(description.toStdString()), description_(description) {}
    const QString& description() const { return description_; }

    // The descriptions the player uses, in the words users of such scripts know.
    static QString typeMismatch() { return QStringLiteral("Type mismatch"); }
    static QString overflow() { return QStringLiteral("Overflow"); }
    static QString outOfRange() { return QStringLiteral("Subscript out of range"); }
    static QString fileNotFound() { return QStringLiteral("File not found"); }
    static QString pathAccess() { return QStringLiteral("Path/File access error"); }

  private:
    QString description_;
};

}  // namespace vistrel::script
