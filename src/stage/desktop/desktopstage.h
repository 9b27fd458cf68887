#pragma once

// The characters of one character service on the desktop: for each loaded character a window
// showing its frame at its position and a window for its balloon, kept in step with the
// scene's changes. Two stages (of two services) share the screen without knowing of each
// other.

#include "stage/desktop/screenpixels.h"

#include "scene/scene.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <map>
#include <memory>

class QWidget;

namespace vistrel::desktop {

class BalloonWindow;
class CharacterWindow;
class PopupPresenter;

struct DesktopOptions {
    // Per-pixel alpha for the windows; without it they are cut to shape with window masks.
    bool perPixelAlpha = false;
};

// A stage shows one scene; it drops its windows when the scene goes.
class DesktopStage : public QObject {
  public:
    // Per-pixel alpha when a compositor runs.
    explicit DesktopStage(scene::Scene& scene, QObject* parent = nullptr);
    DesktopStage(scene::Scene& scene, DesktopOptions options, QObject* parent = nullptr);
    ~DesktopStage() override;

    // Replaces the QMenu pop-up, e.g. by one that picks an entry at once.
    void setPopupPresenter(std::unique_ptr<PopupPresenter> presenter);

    // Balloons stand where they leave `window` uncovered, when the screen has room for that
    // (the window's position is read each time a balloon is laid out).
    void keepBalloonsClearOf(const QWidget* window);

    // The windows of a character, or null when it has none.
    QWidget* characterWindow(const QString& id) const;
    QWidget* balloonWindow(const QString& id) const;

  private:
    struct Windows;
    void sync(const QString& id, unsigned changes);
    void remove(const QString& id);
    void deleteWindows();
    void updateBalloon(Windows& windows, const scene::CharacterView& view, bool force);
    void showMenu(const QString& id, QPoint screenPos);

    scene::Scene& m_scene;
    DesktopOptions m_options;
    ScreenPixels m_pixels;
    std::unique_ptr<PopupPresenter> m_presenter;
    QPointer<const QWidget> m_keepClear;
    std::map<QString, std::unique_ptr<Windows>> m_windows;
};

}  // namespace vistrel::desktop
