#pragma once

#include <QObject>
#include <QString>

#include <deque>

namespace vistrel::document {

class ScriptEditor;

// Types text into the script editor as if the user typed it at the caret: the editor gets the
// keyboard focus, the text replaces any selection, an optional line end follows (the rest of a
// line the caret stood in moves to the next line), and the caret ends after what was typed.
// Texts are queued and reach the editor in the order given once the caller has returned to the
// event loop; typeAndWait() delivers what is queued and its own text before it returns.
class EditorTyping final : public QObject {
    Q_OBJECT
  public:
    explicit EditorTyping(ScriptEditor& editor, QObject* parent = nullptr);

    void type(const QString& text, bool endLine);
    void typeAndWait(const QString& text, bool endLine);
    // Delivers everything queued now.
    void deliver();
    bool pending() const { return !queued_.empty(); }

  private:
    struct Typed {
        QString text;
        bool endLine;
    };
    void insert(const Typed& typed);

    ScriptEditor& editor_;
    std::deque<Typed> queued_;
    bool scheduled_ = false;
};

}  // namespace vistrel::document
