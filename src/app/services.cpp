#include "app/services.h"

#include "engine/clock.h"
#include "engine/service.h"
#include "engine/speech/audio.h"
#include "engine/speech/espeaksynthesizer.h"
#include "platform/paths.h"
#include "stage/desktop/desktopstage.h"

#include <QHash>
#include <QPointer>
#include <QScreen>
#include <QWidget>

namespace vistrel::app {

CharacterServices::CharacterServices() = default;
CharacterServices::CharacterServices(CharacterServices&&) noexcept = default;
CharacterServices& CharacterServices::operator=(CharacterServices&&) noexcept = default;
CharacterServices::~CharacterServices() = default;

CharacterServices createCharacterServices(const QString& programFolder) {
    CharacterServices services;
    services.clock = std::make_unique<engine::RealClock>();
    services.synthesizer = std::make_unique<speech::EspeakSynthesizer>();
    services.audio = speech::createAudioOutput();
    engine::ServiceOptions options;
    options.defaultCharacterFolder = platform::charactersDataFolder(programFolder);
    auto make = [&](std::uint32_t seed) {
        options.seed = seed;
        auto service = std::make_unique<engine::Service>(
            *services.clock, services.synthesizer.get(), services.audio.get(), options);
        services.stages.push_back(std::make_unique<desktop::DesktopStage>(service->scene()));
        return service;
    };
    auto script = make(0x5eed);
    services.scriptScene = &script->scene();
    services.scriptService = std::move(script);
    services.assistantService = make(0xacc);
    return services;
}

QPoint placeBeside(const QRect& window, const QRect& screen, QSize size, int n) {
    constexpr int kGap = 8;
    const int width = size.isValid() ? size.width() : 0;
    const int height = size.isValid() ? size.height() : 0;
    const QPoint step((n % 3) * 32, (n % 6) * 56);
    int y = std::min(window.top() + step.y(), screen.bottom() + 1 - height);
    y = std::max(y, screen.top());
    const int right = window.right() + 1 + kGap + step.x();
    if (right + width <= screen.right() + 1)
        return {right, y};
    const int left = window.left() - kGap - width - step.x();
    if (left >= screen.left())
        return {left, y};
    // No room on either side: at the screen's right edge, below the window's menus.
    constexpr int kMenus = 64;
    y = std::min(std::max(y, window.top() + kMenus), screen.bottom() + 1 - height);
    return {std::max(screen.left(), screen.right() + 1 - width), std::max(y, screen.top())};
}

namespace {

// Places each character as it is loaded, and once its first frame shows its size, moves it to
// the other side if it does not fit where it stands, unless something moved it meanwhile.
class Placement final : public QObject {
  public:
    Placement(scene::Scene& scene, const QWidget& window) : scene_(scene), window_(&window) {
        connect(&scene_, &scene::Scene::changed, this, &Placement::changed);
    }

  private:
    struct Placed {
        int n;
        QPoint at;
    };

    void changed(const QString& id, unsigned changes) {
        if (!window_)
            return;
        if (changes & scene::Removed) {
            placed_.remove(id);
            if (scene_.characterIds().isEmpty())
                count_ = 0;
            return;
        }
        if (changes & scene::Added) {
            const Placed placed{count_++, place(QSize(), count_ - 1)};
            placed_.insert(id, placed);
            scene_.dragTo(id, placed.at);
            return;
        }
        if (!(changes & scene::ChangedFrame) || !placed_.contains(id))
            return;
        const scene::CharacterView view = scene_.view(id);
        if (view.frame.isNull())
            return;
        const Placed placed = placed_.take(id);
        if (view.position != placed.at)
            return;
        const QPoint at = place(view.frame.size(), placed.n);
        if (at != view.position)
            scene_.dragTo(id, at);
    }

    QPoint place(QSize size, int n) const {
        const QScreen* screen = window_->screen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
        return placeBeside(window_->frameGeometry(), area, size, n);
    }

    scene::Scene& scene_;
    QPointer<const QWidget> window_;
    QHash<QString, Placed> placed_;
    int count_ = 0;
};

}  // namespace

void keepCharactersBeside(CharacterServices& services, const QWidget& window) {
    if (services.scriptScene)
        services.placement = std::make_unique<Placement>(*services.scriptScene, window);
}

void keepBalloonsClear(CharacterServices& services, const QWidget& window) {
    for (const auto& stage : services.stages)
        stage->keepBalloonsClearOf(&window);
}

}  // namespace vistrel::app
