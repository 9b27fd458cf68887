#pragma once

#include "agent/agent.h"
#include "compose/hints.h"
#include "script/cast.h"

#include <QCoreApplication>
#include <QObject>
#include <QString>

#include <functional>

class QListWidget;

namespace vistrel::document {
class EditorTyping;
}  // namespace vistrel::document

namespace vistrel::compose {

// Clicking or dragging one of the script's characters on the desktop makes it the active
// character: its name starts every command the Methods list types, its animations fill the
// animations list (in alphabetical order) and the status bar names it. A click on an animation
// plays it on the active character as a preview; a double-click types the play command.
class CharacterInteraction : public QObject {
    Q_OBJECT
  public:
    static QString clickHint(const QString& id);
    static QString activeStatus(const QString& name);
    static QString emptyTooltip();
    static QString animationsTooltip(const QString& name);

    // `cast` is the loaded-character table; `service` the script characters' service.
    CharacterInteraction(const script::Cast& cast, agent::Agent& service,
                         QListWidget& animationsList, QListWidget& methodsList,
                         document::EditorTyping& typing, const Hints& hints,
                         std::function<void(const QString&)> setStatusText,
                         QObject* parent = nullptr);

    const QString& activeName() const { return activeName_; }

    void characterClicked(const QString& id);
    // As a click, but the hint comes before the lists are emptied.
    void characterDragged(const QString& id);
    void previewSelectedAnimation();
    void typeSelectedAnimation();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void clearLists();
    void activate(const QString& id);
    QString selectedAnimation() const;
    void refreshTooltip();

    const script::Cast& cast_;
    agent::Agent& service_;
    QListWidget& animationsList_;
    QListWidget& methodsList_;
    document::EditorTyping& typing_;
    const Hints& hints_;
    std::function<void(const QString&)> setStatusText_;
    QString activeName_;
};

}  // namespace vistrel::compose
