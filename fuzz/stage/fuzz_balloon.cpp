// Balloon layout and painting over arbitrary text and balloon styles, as a character file may
// give them: the balloon must stay on the screen and its lines within the text.

#include "stage/presentation/balloon.h"

#include <QFontMetrics>
#include <QGuiApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace vistrel;
using namespace vistrel::scene;
using namespace vistrel::presentation;

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::int32_t next() {
        std::int32_t value = 0;
        const std::size_t n = size < sizeof value ? size : sizeof value;
        std::memcpy(&value, data, n);
        data += n;
        size -= n;
        return value;
    }
};

void check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}
#define CHECK(condition) check(condition, #condition)

}  // namespace

// Fontconfig keeps what it reads for each new font request without freeing it.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);  // fonts
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader in{data, size};
    scene::BalloonView balloon;
    balloon.visible = true;
    balloon.kind = in.next() & 1 ? scene::BalloonKind::Think : scene::BalloonKind::Speak;
    balloon.style.lines = in.next();
    balloon.style.charsPerLine = in.next();
    balloon.style.fontHeight = in.next();
    balloon.style.fontWeight = in.next();
    balloon.revealed = in.next();
    const QRect character(in.next() % 4000, in.next() % 4000, in.next() & 511, in.next() & 511);
    const QRect screen(0, 0, 1 + (in.next() & 1023), 1 + (in.next() & 1023));
    balloon.text = QString(reinterpret_cast<const QChar*>(in.data),
                           static_cast<qsizetype>(in.size / sizeof(QChar)));

    const BalloonLayout layout = layoutBalloon(balloon, character, screen);
    CHECK(screen.contains(layout.bounds));
    CHECK(layout.bounds.contains(layout.body));
    CHECK(static_cast<int>(layout.shownLines.size()) <= std::max(1, balloon.style.lines));
    const QImage picture = renderBalloon(layout, balloon.style);
    CHECK(picture.size() == layout.bounds.size());

    const QFontMetrics metrics(layout.font);
    for (const TextLine& line :
         wrapText(balloon.text, metrics, balloonTextWidth(balloon.style, metrics)))
        CHECK(line.start >= 0 && line.length >= 0 &&
              line.start + line.length <= balloon.text.size());
    return 0;
}
