// What the stages do on every frame change and every revealed word: shape a frame, lay out and
// draw a balloon, draw the whole desktop. A frame shows for 10 ms at the least, so each of these
// must take a small part of that.

#include "stage/offscreen/offscreenstage.h"
#include "stage/presentation/balloon.h"
#include "stage/presentation/shape.h"

#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include <map>

using namespace vistrel;
using namespace vistrel::scene;
using namespace vistrel::presentation;
using namespace vistrel::offscreen;

namespace {

// A character-like frame: a body, a head and arms, without soft edges (frames have none).
QImage characterFrame(QColor colour) {
    QImage frame(128, 128, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::transparent);
    QPainter painter(&frame);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRect(34, 50, 60, 74));
    painter.drawEllipse(QRect(44, 8, 40, 44));
    painter.drawRect(QRect(14, 60, 100, 10));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QRect(54, 20, 8, 8));
    painter.drawEllipse(QRect(68, 20, 8, 8));
    return frame;
}

scene::BalloonView speech() {
    scene::BalloonView balloon;
    balloon.visible = true;
    balloon.text = QStringLiteral(
        "Hello, and welcome to the show! Today we will see what characters can do on the "
        "desktop.");
    balloon.revealed = 40;
    return balloon;
}

class StillScene : public scene::Scene {
  public:
    StillScene() {
        add("Merlin", {100, 300}, Qt::darkMagenta);
        add("Genie", {400, 260}, Qt::darkCyan);
        views["Merlin"].balloon = speech();
    }
    QStringList characterIds() const override { return {"Merlin", "Genie"}; }
    scene::CharacterView view(const QString& id) const override { return views.at(id); }
    void click(const QString&, int, int, QPoint) override {}
    void dragTo(const QString&, QPoint) override {}
    void dragComplete(const QString&, int, int, QPoint) override {}
    void chooseCommand(const QString&, const QString&) override {}
    void hideFromMenu(const QString&) override {}

  private:
    void add(const QString& id, QPoint at, QColor colour) {
        scene::CharacterView& view = views[id];
        view.id = id;
        view.visible = true;
        view.position = at;
        view.frame = characterFrame(colour);
    }
    std::map<QString, scene::CharacterView> views;
};

void BM_ShapeFrame(benchmark::State& state) {
    const QImage frame = characterFrame(Qt::darkMagenta);
    for (auto _ : state)
        benchmark::DoNotOptimize(presentation::opaqueRegion(frame));
}
BENCHMARK(BM_ShapeFrame)->Unit(benchmark::kMicrosecond);

void BM_BalloonWord(benchmark::State& state) {
    const scene::BalloonView balloon = speech();
    const QRect character(100, 300, 128, 128);
    const QRect screen(0, 0, 1280, 1024);
    for (auto _ : state) {
        const presentation::BalloonLayout layout = layoutBalloon(balloon, character, screen);
        benchmark::DoNotOptimize(presentation::renderBalloon(layout, balloon.style));
    }
}
BENCHMARK(BM_BalloonWord)->Unit(benchmark::kMicrosecond);

void BM_ThinkCloud(benchmark::State& state) {
    scene::BalloonView balloon = speech();
    balloon.kind = scene::BalloonKind::Think;
    const QRect character(100, 300, 128, 128);
    const QRect screen(0, 0, 1280, 1024);
    for (auto _ : state) {
        const presentation::BalloonLayout layout = layoutBalloon(balloon, character, screen);
        benchmark::DoNotOptimize(presentation::renderBalloon(layout, balloon.style));
    }
}
BENCHMARK(BM_ThinkCloud)->Unit(benchmark::kMicrosecond);

void BM_RenderDesktop(benchmark::State& state) {
    const StillScene scene;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            offscreen::renderScenes({&scene}, QSize(1280, 1024), Qt::darkBlue));
}
BENCHMARK(BM_RenderDesktop)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
