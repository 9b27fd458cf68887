#include "engine/requests.h"

namespace vistrel::engine {

namespace {

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
// Clang before 17 does not deduce an aggregate's template arguments by itself.
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

QString quoted(const QString& text) {
    constexpr int kShown = 40;
    return QLatin1Char('"') +
           (text.size() > kShown ? text.left(kShown) + QStringLiteral("...") : text) +
           QLatin1Char('"');
}

QString point(QPoint p) {
    return QStringLiteral("(%1, %2)").arg(p.x()).arg(p.y());
}

}  // namespace

const char* stopGroup(const Work& work) {
    return std::visit(Overloaded{
                          [](const MoveRequest&) -> const char* { return "move"; },
                          [](const SpeakRequest&) -> const char* { return "speak"; },
                          [](const ThinkRequest&) -> const char* { return "speak"; },
                          [](const PlayRequest&) -> const char* { return "play"; },
                          [](const ShowRequest&) -> const char* { return "play"; },
                          [](const HideRequest&) -> const char* { return "play"; },
                          [](const GestureRequest&) -> const char* { return "play"; },
                          [](const WaitRequest&) -> const char* { return nullptr; },
                          [](const InterruptRequest&) -> const char* { return nullptr; },
                      },
                      work);
}

QString describe(const Work& work) {
    return std::visit(
        Overloaded{
            [](const ShowRequest& r) {
                return r.fast ? QStringLiteral("Show fast") : QStringLiteral("Show");
            },
            [](const HideRequest& r) {
                return r.fast ? QStringLiteral("Hide fast") : QStringLiteral("Hide");
            },
            [](const PlayRequest& r) { return QStringLiteral("Play ") + quoted(r.animation); },
            [](const SpeakRequest& r) {
                return QStringLiteral("Speak ") + quoted(r.text) +
                       (r.url.isEmpty() ? QString() : QStringLiteral(" with ") + quoted(r.url));
            },
            [](const ThinkRequest& r) { return QStringLiteral("Think ") + quoted(r.text); },
            [](const MoveRequest& r) {
                return QStringLiteral("MoveTo %1 at speed %2").arg(point(r.to)).arg(r.speed);
            },
            [](const GestureRequest& r) { return QStringLiteral("GestureAt ") + point(r.at); },
            [](const WaitRequest& r) {
                return QStringLiteral("Wait for request %1").arg(r.other.id());
            },
            [](const InterruptRequest& r) {
                return QStringLiteral("Interrupt request %1").arg(r.other.id());
            },
        },
        work);
}

}  // namespace vistrel::engine
