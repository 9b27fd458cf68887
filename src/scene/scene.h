#pragma once

// What presenters (desktop windows, the offscreen stage) see of a character service: every
// loaded character's picture, position and balloon, and the user input they hand back.

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace vistrel::scene {

// The look of a character's balloon, from its file (or the service's defaults).
struct BalloonStyle {
    int lines = 2;          // lines of text shown at once
    int charsPerLine = 32;  // sets the balloon's width
    QColor text{0, 0, 0};
    QColor background{255, 255, 225};
    QColor border{0, 0, 0};
    QString fontFamily = QStringLiteral("Sans");
    int fontHeight = -13;  // as in the file: negative = character height in pixels
    int fontWeight = 400;
    bool italic = false;
    // The balloon grows to hold the whole text (within the screen) instead of showing `lines`.
    bool sizeToText = false;
    // On: the text shows as it is spoken, older lines scrolling up when it is longer than the
    // balloon. Off: whole pages at once, the page of the word being spoken.
    bool autoPace = true;
};

enum class BalloonKind { Speak, Think };

struct BalloonView {
    bool visible = false;
    BalloonKind kind = BalloonKind::Speak;
    // The whole text of the speech, tags removed; `revealed` characters of it are shown so far
    // (Speak reveals word by word; Think shows everything at once).
    QString text;
    int revealed = 0;
    BalloonStyle style;
};

// One entry of a character's pop-up menu.
struct MenuEntry {
    QString name;     // comes back through Scene::chooseCommand
    QString caption;  // what the menu shows
    bool enabled = true;
    bool visible = true;
};

struct CharacterView {
    QString id;
    bool visible = false;
    QPoint position;  // top-left of the frame, in screen pixels
    // The current frame, composed: ARGB32_Premultiplied, the character's width x height,
    // fully transparent where no image covers it. Null while nothing is shown.
    QImage frame;
    std::uint64_t frameSerial = 0;  // changes whenever `frame` does
    BalloonView balloon;
    QString menuCaption;          // Commands.Caption: heads the character's own entries
    std::vector<MenuEntry> menu;  // Commands entries, in the order added
};

// Which parts of a character changed.
enum Change : unsigned {
    ChangedFrame = 1u << 0,
    ChangedPosition = 1u << 1,
    ChangedVisibility = 1u << 2,
    ChangedBalloon = 1u << 3,
    ChangedMenu = 1u << 4,
    Added = 1u << 5,
    Removed = 1u << 6,
};

class Scene : public QObject {
    Q_OBJECT
  public:
    explicit Scene(QObject* parent = nullptr) : QObject(parent) {}
    ~Scene() override = default;

    // Loaded characters, in loading order (later ones are drawn on top).
    virtual QStringList characterIds() const = 0;
    // A snapshot of one character; an empty view (empty id) for an unknown id.
    virtual CharacterView view(const QString& id) const = 0;

    // User input, in screen pixels. A left-button press and release without a drag is a
    // click; `button` 1 left, 2 right, 4 middle; `shift` 1 Shift, 2 Ctrl, 4 Alt.
    virtual void click(const QString& id, int button, int shift, QPoint screenPos) = 0;
    // The user drags the character: its frame's top-left follows the pointer.
    virtual void dragTo(const QString& id, QPoint topLeft) = 0;
    virtual void dragComplete(const QString& id, int button, int shift, QPoint screenPos) = 0;
    // The user chose one of the character's own pop-up entries (by its name)...
    virtual void chooseCommand(const QString& id, const QString& name) = 0;
    // ... or the service's own "Hide" entry.
    virtual void hideFromMenu(const QString& id) = 0;

  signals:
    void changed(const QString& id, unsigned changes);
};

}  // namespace vistrel::scene
