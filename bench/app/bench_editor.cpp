// How long a keystroke takes to reach the screen in the editor of the real main window, with
// everything the editor does as the user types: syntax colours, the live check (its pause, its
// run on a pool thread, its underlines) and completion. Scripts of growing length load 10
// characters written by the project's writer and use them in the mix a composed script has.
//
// Each benchmark iteration is one keystroke at the middle of the script, timed from the key
// press until the editor's viewport has painted it. After every tenth keystroke the typist
// pauses long enough for the live check to run and show its findings; the longest time the
// window thread is busy in that pause (a keystroke arriving then waits that long) is the
// counter stall_ms. The counters max_ms and stall_ms together bound the worst delay a user sees.
// On a loaded machine these wall-clock times include the time the window thread waited for a
// core (the check itself runs on another thread); the *_cpu_ms counters are the window thread's
// own processor time for the same spans, which is what the program's work costs.

#include "acs/testing/synthetic.h"
#include "acs/writer.h"
#include "agent/recording.h"
#include "app/mainwindow.h"
#include "document/livecheck.h"
#include "platform/testing/scripted.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <ctime>
#include <vector>

namespace {

constexpr int kCharacters = 10;

// Processor time of the calling thread, in milliseconds.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// A span measured twice: on the wall clock and in the window thread's processor time.
struct Span {
    double wallMs = 0;
    double cpuMs = 0;
};

bool writeCharacters(const QString& folder) {
    vistrel::acs::testing::SyntheticOptions o;
    o.animations = 12;
    o.width = 32;
    o.height = 32;
    o.framesPerAnimation = 2;
    for (int c = 0; c < kCharacters; ++c) {
        o.seed = static_cast<std::uint32_t>(c + 1);
        vistrel::acs::CharacterData data = vistrel::acs::testing::makeSyntheticCharacter(o);
        data.info.localized.at(0).name = QStringLiteral("Char%1").arg(c).toStdU16String();
        const std::vector<std::uint8_t> bytes = vistrel::acs::writeAcs(data);
        QFile f(QDir(folder).filePath(QStringLiteral("Char%1.acs").arg(c)));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
    }
    return true;
}

// `lines` lines; every line but the Load lines is `width` characters or more. Without `quotes`
// the quoted line of the mix is written unquoted.
QByteArray makeScript(int lines, int width, bool quotes = true) {
    static const char* const kMix[] = {
        "%1.Show",
        "Req1.%1.MoveTo.300/200",
        "%1.Play.Wave",
        "\"%1.Speak.Hello and welcome to the show!\"",
        "WaitOn.Req.1",
        "Req2.%1.Speak.And I am here.",
        "%1.GestureAt.600/250",
        "",
        "This line is only a comment for the reader.",
        "%1.Think.What next?",
        "%1.Play.Blink",
        "%1.Hide",
    };
    QByteArray script;
    for (int c = 0; c < kCharacters; ++c)
        script += QStringLiteral("Load.Char%1\r\n").arg(c).toLatin1();
    for (int i = kCharacters; i < lines; ++i) {
        QString text = QString::fromLatin1(kMix[i % std::size(kMix)]);
        if (!quotes)
            text.remove(QLatin1Char('"'));
        if (text.contains(QLatin1String("%1")))
            text = text.arg(QStringLiteral("Char%1").arg(i % kCharacters));
        QByteArray line = text.toLatin1();
        if (line.size() < width)
            line += " " + QByteArray(width - line.size() - 1, 'x');
        script += line + "\r\n";
    }
    return script;
}

// Counts the paints of a widget.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

class Typist {
  public:
    Typist(int lines, int width, bool quotes = true) {
        ok_ = writeCharacters(chars_.path());
        platform_.settings.setValue(QStringLiteral("Vtl"), QStringLiteral("Dir"),
                                    QStringLiteral("Dir"), chars_.path());
        form_.start({});
        // Put in directly: opening refuses scripts past the limit these runs look for.
        editor().setText(QString::fromLatin1(makeScript(lines, width, quotes)));
        ok_ = ok_ && form_.scriptEditor().document()->blockCount() >= lines;
        editor().viewport()->installEventFilter(&counter_);
        // The caret in the middle, on a line that names a character.
        QTextCursor cursor(editor().document()->findBlockByNumber(lines / 2 + 1));
        cursor.movePosition(QTextCursor::EndOfBlock);
        editor().setTextCursor(cursor);
        editor().setFocus();
        settle();
    }

    bool ok() const { return ok_; }

    void caretToLineStart() {
        editor().moveCursor(QTextCursor::StartOfBlock);
        settle();
    }
    vistrel::document::ScriptEditor& editor() { return form_.scriptEditor(); }

    // Presses and releases `key` with `text`; the time until the viewport has painted.
    Span press(int key, const QString& text) {
        const int before = counter_.paints;
        const double cpu = threadCpuMs();
        QElapsedTimer timer;
        timer.start();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
        QApplication::sendEvent(&editor(), &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QApplication::sendEvent(&editor(), &release);
        while (counter_.paints == before && timer.elapsed() < 5000)
            QApplication::processEvents();
        return {static_cast<double>(timer.nsecsElapsed()) / 1e6, threadCpuMs() - cpu};
    }

    // Lets the live check run and show its findings; the longest single turn of the event loop.
    Span settle() {
        QElapsedTimer whole;
        whole.start();
        Span longest;
        QSignalSpy checked(&form_.liveChecker(), &vistrel::document::LiveChecker::checked);
        while (whole.elapsed() < 30000) {
            const double cpu = threadCpuMs();
            QElapsedTimer turn;
            turn.start();
            // One turn of the event loop: a key pressed now is handled after it.
            QApplication::processEvents(QEventLoop::AllEvents);
            longest.wallMs =
                std::max(longest.wallMs, static_cast<double>(turn.nsecsElapsed()) / 1e6);
            longest.cpuMs = std::max(longest.cpuMs, threadCpuMs() - cpu);
            if (!checked.isEmpty())
                break;
        }
        return longest;
    }

  private:
    bool ok_ = false;
    QTemporaryDir program_;
    QTemporaryDir chars_;
    vistrel::platform::testing::ScriptedPlatform platform_;
    vistrel::agent::RecordingAgent control_;
    vistrel::agent::RecordingAgent assistant_;
    vistrel::app::MainWindow form_{platform_.platform(), control_, assistant_, program_.path()};
    PaintCounter counter_;
};

// Keystrokes and the pauses between them, as measured.
struct Typing {
    std::vector<double> wall;
    std::vector<double> cpu;
    Span stall;

    void key(benchmark::State& s, const Span& span) {
        s.SetIterationTime(span.wallMs / 1000);
        wall.push_back(span.wallMs);
        cpu.push_back(span.cpuMs);
    }
    void pause(const Span& span) {
        stall.wallMs = std::max(stall.wallMs, span.wallMs);
        stall.cpuMs = std::max(stall.cpuMs, span.cpuMs);
    }
    void report(benchmark::State& s) {
        if (wall.empty())
            return;
        std::sort(wall.begin(), wall.end());
        std::sort(cpu.begin(), cpu.end());
        s.counters["median_ms"] = wall[wall.size() / 2];
        s.counters["max_ms"] = wall.back();
        s.counters["stall_ms"] = stall.wallMs;
        s.counters["median_cpu_ms"] = cpu[cpu.size() / 2];
        s.counters["max_cpu_ms"] = cpu.back();
        s.counters["stall_cpu_ms"] = stall.cpuMs;
    }
};

// Letters typed at the end of a line, a pause after every tenth.
void typeLetters(benchmark::State& s, int lines, int width) {
    Typist typist(lines, width);
    if (!typist.ok()) {
        s.SkipWithError("cannot open the script");
        return;
    }
    Typing typing;
    for (auto _ : s) {
        typing.key(s, typist.press(Qt::Key_A, QStringLiteral("a")));
        if (typing.wall.size() % 10 == 0)
            typing.pause(typist.settle());
    }
    typing.report(s);
}

// A quote typed at the start of a line and taken back: it opens quoted text that runs on to the
// next quote, so the later lines up to there change colour; without quotes in the script, that
// is every later line.
void typeQuote(benchmark::State& s, int lines, bool quotes) {
    Typist typist(lines, 0, quotes);
    if (!typist.ok()) {
        s.SkipWithError("cannot open the script");
        return;
    }
    typist.caretToLineStart();
    Typing typing;
    bool open = false;
    for (auto _ : s) {
        typing.key(s, open ? typist.press(Qt::Key_Backspace, QString())
                           : typist.press(Qt::Key_QuoteDbl, QStringLiteral("\"")));
        open = !open;
        typing.pause(typist.settle());
    }
    typing.report(s);
}

void registerAll() {
    for (int lines : {1'000, 10'000, 30'000, 50'000, 100'000, 200'000}) {
        benchmark::RegisterBenchmark(("typeLetters/lines:" + std::to_string(lines)).c_str(),
                                     [lines](benchmark::State& s) { typeLetters(s, lines, 0); })
            ->UseManualTime()
            ->Iterations(40)
            ->Unit(benchmark::kMillisecond);
        for (bool quotes : {true, false}) {
            benchmark::RegisterBenchmark(
                ("typeQuote/lines:" + std::to_string(lines) + (quotes ? "" : "/unquoted")).c_str(),
                [lines, quotes](benchmark::State& s) { typeQuote(s, lines, quotes); })
                ->UseManualTime()
                ->Iterations(6)
                ->Unit(benchmark::kMillisecond);
        }
    }
    for (int width : {1'000, 2'000, 10'000}) {
        benchmark::RegisterBenchmark(
            ("typeLetters/lines:200/width:" + std::to_string(width)).c_str(),
            [width](benchmark::State& s) { typeLetters(s, 200, width); })
            ->UseManualTime()
            ->Iterations(40)
            ->Unit(benchmark::kMillisecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
