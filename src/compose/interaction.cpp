#include "compose/interaction.h"

#include "compose/methods.h"
#include "document/typing.h"
#include "log/log.h"

#include <QEvent>
#include <QListWidget>

namespace vistrel::compose {

namespace {

// Animation names in alphabetical order, whatever their case.
class AnimationItem final : public QListWidgetItem {
  public:
    explicit AnimationItem(const QString& name) : QListWidgetItem(name, nullptr, UserType) {}
    bool operator<(const QListWidgetItem& other) const override {
        const int folded = text().compare(other.text(), Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : text() < other.text();
    }
};

template <typename Step>
void skipping(const QString& what, Step&& step) {
    try {
        step();
    } catch (const agent::AgentError& e) {
        log::ignored(log::app(), what, e);
    }
}

}  // namespace

QString CharacterInteraction::clickHint(const QString& id) {
    return tr("Now you can see ") + id +
           tr("'s , animations appear. When you double click the animation, the play command "
              "will be added to the script in the current position.");
}
QString CharacterInteraction::activeStatus(const QString& name) {
    return tr("Active Character - ") + name;
}
QString CharacterInteraction::emptyTooltip() {
    return tr("Animations");
}
QString CharacterInteraction::animationsTooltip(const QString& name) {
    return name + tr("'s Animations");
}

CharacterInteraction::CharacterInteraction(const script::Cast& cast, agent::Agent& service,
                                           QListWidget& animationsList, QListWidget& methodsList,
                                           document::EditorTyping& typing, const Hints& hints,
                                           std::function<void(const QString&)> setStatusText,
                                           QObject* parent)
    : QObject(parent),
      cast_(cast),
      service_(service),
      animationsList_(animationsList),
      methodsList_(methodsList),
      typing_(typing),
      hints_(hints),
      setStatusText_(std::move(setStatusText)) {
    animationsList_.setSortingEnabled(true);
    animationsList_.setMouseTracking(true);
    animationsList_.viewport()->setMouseTracking(true);
    animationsList_.viewport()->installEventFilter(this);
    refreshTooltip();
    connect(&service_, &agent::Agent::Click, this,
            [this](const QString& id) { characterClicked(id); });
    connect(&service_, &agent::Agent::DragComplete, this,
            [this](const QString& id) { characterDragged(id); });
    connect(&animationsList_, &QListWidget::itemClicked, this,
            &CharacterInteraction::previewSelectedAnimation);
    connect(&animationsList_, &QListWidget::itemDoubleClicked, this,
            &CharacterInteraction::typeSelectedAnimation);
}

void CharacterInteraction::clearLists() {
    animationsList_.clear();
    methodsList_.clear();
}

void CharacterInteraction::characterClicked(const QString& id) {
    clearLists();
    hints_.speakHint(clickHint(id), true);
    activate(id);
}

void CharacterInteraction::characterDragged(const QString& id) {
    hints_.speakHint(clickHint(id), true);
    clearLists();
    activate(id);
}

void CharacterInteraction::activate(const QString& id) {
    showFullMethods(methodsList_);
    for (const script::Cast::Member& member : cast_) {
        if (!member.character)
            continue;
        QString name;
        skipping(id + QLatin1String(".Name"), [&] { name = member.character->Name(); });
        if (name.compare(id, Qt::CaseInsensitive) != 0)
            continue;
        skipping(id + QLatin1String(".AnimationNames"), [&] {
            for (const QString& animation : member.character->AnimationNames())
                animationsList_.addItem(new AnimationItem(animation));
        });
        setStatusText_(activeStatus(name));
        activeName_ = name;
    }
    refreshTooltip();
}

QString CharacterInteraction::selectedAnimation() const {
    const QListWidgetItem* item = animationsList_.currentItem();
    return item ? item->text() : QString();
}

void CharacterInteraction::previewSelectedAnimation() {
    const QString animation = selectedAnimation();
    skipping(activeName_ + QLatin1String(".Play.") + animation, [&] {
        const agent::CharacterRef character = service_.Characters().Item(activeName_);
        if (!character)
            return;
        character->Stop();
        character->Play(animation);
    });
}

void CharacterInteraction::typeSelectedAnimation() {
    typing_.type(activeName_ + QLatin1String(".Play.") + selectedAnimation(), true);
}

void CharacterInteraction::refreshTooltip() {
    animationsList_.setToolTip(animationsList_.count() == 0 ? emptyTooltip()
                                                            : animationsTooltip(activeName_));
}

bool CharacterInteraction::eventFilter(QObject* watched, QEvent* event) {
    if (watched == animationsList_.viewport() && event->type() == QEvent::MouseMove)
        refreshTooltip();
    return QObject::eventFilter(watched, event);
}

}  // namespace vistrel::compose
