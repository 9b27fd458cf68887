#pragma once

#include "document/editor.h"

#include <QObject>
#include <QStringList>

#include <functional>

class QCompleter;
class QStringListModel;

namespace vistrel::document {

// Offers, as the user types, the names of the characters the script loads at the start of an
// item, and the animations of the named character after ".Play.".
class ScriptCompletion : public QObject {
    Q_OBJECT
  public:
    struct Source {
        std::function<QStringList()> names;                     // the loaded characters
        std::function<QStringList(const QString&)> animations;  // of one loaded character
    };

    // What the text before the caret asks for: candidates, and the part of one typed so far.
    struct Context {
        QStringList candidates;
        QString prefix;
    };

    ScriptCompletion(ScriptEditor& editor, Source source, QObject* parent = nullptr);
    ~ScriptCompletion() override;

    QCompleter& completer() { return *completer_; }
    // What `line`, the text of a line before the caret, asks for.
    Context contextFor(const QString& line) const;
    // Shows the list for the text before the caret, or hides it when there is nothing to offer.
    void update();

  private:
    bool keyBefore(QKeyEvent* event);
    void keyAfter(QKeyEvent* event);
    void insert(const QString& completion);

    ScriptEditor& editor_;
    Source source_;
    QStringListModel* model_;
    QCompleter* completer_;
};

}  // namespace vistrel::document
