#include "stage/desktop/desktopstage.h"

#include "log/log.h"
#include "stage/desktop/balloonwindow.h"
#include "stage/desktop/characterwindow.h"
#include "stage/desktop/display.h"
#include "stage/desktop/popuppresenter.h"

#include "stage/presentation/balloon.h"
#include "stage/presentation/popupmenu.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>

#include <cstdint>

namespace vistrel::desktop {

namespace {

// Windows are handed to the event loop for deletion: the scene may drop a character while
// one of its windows is still handling the click that caused it.
struct LaterDeleter {
    void operator()(QWidget* widget) const {
        widget->hide();
        widget->deleteLater();
    }
};

// The screen the character stands on, in screen pixels.
QRect screenAround(const QRect& character, const ScreenPixels& pixels) {
    QScreen* screen = QGuiApplication::screenAt(pixels.toWindow(character.center()));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? pixels.toScreen(screen->geometry()) : QRect(0, 0, 640, 480);
}

}  // namespace

struct DesktopStage::Windows {
    std::unique_ptr<CharacterWindow, LaterDeleter> character;
    std::unique_ptr<BalloonWindow, LaterDeleter> balloon;
    std::uint64_t frameSerial = 0;
    bool hasFrame = false;
    QRect balloonFor;  // the character's rectangle the balloon was laid out for
};

DesktopStage::DesktopStage(scene::Scene& scene, QObject* parent)
    : DesktopStage(scene, DesktopOptions{compositorRunning()}, parent) {}

DesktopStage::DesktopStage(scene::Scene& scene, DesktopOptions options, QObject* parent)
    : QObject(parent),
      m_scene(scene),
      m_options(options),
      m_pixels(primaryScreenPixels()),
      m_presenter(std::make_unique<MenuPopupPresenter>()) {
    connect(&scene, &scene::Scene::changed, this, &DesktopStage::sync);
    // The windows hand input to the scene: they go with it.
    connect(&scene, &QObject::destroyed, this, &DesktopStage::deleteWindows);
    for (const QString& id : scene.characterIds())
        sync(id, scene::Added);
}

DesktopStage::~DesktopStage() {
    deleteWindows();
}

void DesktopStage::deleteWindows() {
    // At once: no event loop may run after the stage or the scene is gone.
    for (auto& [id, windows] : m_windows) {
        delete windows->balloon.release();
        delete windows->character.release();
    }
    m_windows.clear();
}

void DesktopStage::setPopupPresenter(std::unique_ptr<PopupPresenter> presenter) {
    if (presenter)
        m_presenter = std::move(presenter);
}

QWidget* DesktopStage::characterWindow(const QString& id) const {
    const auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : it->second->character.get();
}

QWidget* DesktopStage::balloonWindow(const QString& id) const {
    const auto it = m_windows.find(id);
    return it == m_windows.end() ? nullptr : it->second->balloon.get();
}

void DesktopStage::remove(const QString& id) {
    m_windows.erase(id);
}

void DesktopStage::sync(const QString& id, unsigned changes) {
    if (changes & scene::Removed) {
        qCDebug(log::stage).noquote() << "windows of" << id << "closed";
        remove(id);
        return;
    }
    const scene::CharacterView view = m_scene.view(id);
    if (view.id.isEmpty()) {
        remove(id);
        return;
    }
    auto& slot = m_windows[id];
    const bool created = !slot;
    if (created) {
        slot = std::make_unique<Windows>();
        slot->character.reset(new CharacterWindow(m_scene, id, m_options.perPixelAlpha, m_pixels));
        slot->character->setMenuRequest([this, id](QPoint at) { showMenu(id, at); });
        slot->balloon.reset(new BalloonWindow(m_options.perPixelAlpha, m_pixels));
        qCDebug(log::stage).noquote()
            << "windows made for" << id
            << (m_options.perPixelAlpha ? "with per-pixel alpha" : "shaped by masks");
    }
    Windows& windows = *slot;
    CharacterWindow& window = *windows.character;

    if (!windows.hasFrame || windows.frameSerial != view.frameSerial) {
        window.setFrame(view.frame);
        windows.frameSerial = view.frameSerial;
        windows.hasFrame = true;
    }
    if (created || window.screenPosition() != view.position)
        window.setScreenPosition(view.position);
    const bool show = view.visible && window.hasPicture();
    if (show != window.isVisible()) {
        qCDebug(log::stage).noquote() << id << (show ? "shown at" : "hidden at") << view.position;
        window.setVisible(show);
    }

    updateBalloon(
        windows, view,
        (changes & (scene::ChangedBalloon | scene::ChangedVisibility | scene::Added)) != 0);
}

void DesktopStage::updateBalloon(Windows& windows, const scene::CharacterView& view, bool force) {
    BalloonWindow& balloon = *windows.balloon;
    const bool wanted = view.visible && view.balloon.visible && windows.character->hasPicture();
    if (!wanted) {
        balloon.hide();
        windows.balloonFor = {};
        return;
    }
    const QRect character(view.position, view.frame.size());
    if (!force && balloon.isVisible() && character == windows.balloonFor)
        return;
    windows.balloonFor = character;
    QRect keepClear;
    if (m_keepClear && m_keepClear->isVisible())
        keepClear = m_pixels.toScreen(m_keepClear->frameGeometry());
    balloon.setBalloon(presentation::layoutBalloon(view.balloon, character,
                                                   screenAround(character, m_pixels), keepClear),
                       view.balloon.style);
    // The balloon's whole text is its title, for screen readers and window lists.
    balloon.setWindowTitle(view.id + QLatin1String(": ") + view.balloon.text);
    if (!balloon.isVisible()) {
        qCDebug(log::stage).noquote() << "balloon shown for" << view.id;
        balloon.show();
        balloon.raise();
    }
}

void DesktopStage::keepBalloonsClearOf(const QWidget* window) {
    m_keepClear = window;
}

void DesktopStage::showMenu(const QString& id, QPoint screenPos) {
    const scene::CharacterView view = m_scene.view(id);
    if (view.id.isEmpty())
        return;
    const std::vector<presentation::PopupItem> items = presentation::popupItems(view);
    m_presenter->popup(items, m_pixels.toWindow(screenPos),
                       [stage = QPointer<DesktopStage>(this), id, items](std::size_t index) {
                           if (stage && index < items.size())
                               presentation::choosePopupItem(stage->m_scene, id, items[index]);
                       });
}

}  // namespace vistrel::desktop
