// vtscripter-trace: plays a script against the recording character service and prints every
// call the player makes, one per line, in order.

#include "agent/recording.h"
#include "files/regularfile.h"
#include "script/player.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

#include <cstdio>

namespace {

using vistrel::agent::RecordingAgent;
using vistrel::script::PlayerState;
using vistrel::script::ScriptPlayer;

// The window's side of a play, printed as comment lines when asked for.
class TraceHost final : public vistrel::script::PlayerHost {
  public:
    TraceHost(QTextStream& out, bool show) : out_(out), show_(show) {}

    void setStatusText(const QString& text) override {
        status_ = text;
        note(QStringLiteral("status bar: ") + text);
    }
    void minimizeWindow() override { note(QStringLiteral("window minimised")); }
    void showStopMessage(const QString& title, const QString& text) override {
        message_ = title + QLatin1String(": ") + text;
    }
    void focusEditor() override {}
    QString programFolder() const override { return QCoreApplication::applicationDirPath(); }

    const QString& status() const { return status_; }
    const QString& message() const { return message_; }

  private:
    void note(const QString& text) {
        if (show_)
            out_ << "# " << text << Qt::endl;
    }
    QTextStream& out_;
    bool show_;
    QString status_;
    QString message_;
};

QString defaultCharactersFolder() {
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vistrel/chars"))
        .absolutePath();
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vtscripter-trace"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Plays a Vistrel script against a recording character service and prints every call\n"
        "the player makes, one per line. A failing script ends with its failure report and\n"
        "exit status 1; a script that cannot be read gives exit status 2."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("SCRIPT"),
                                 QStringLiteral("The .vtl script to play."));
    QCommandLineOption chars(QStringLiteral("chars"),
                             QStringLiteral("The characters folder (default: %1).")
                                 .arg(QDir::toNativeSeparators(defaultCharactersFolder())),
                             QStringLiteral("DIR"));
    QCommandLineOption assume(QStringLiteral("assume-chars"),
                              QStringLiteral("Treat every character file as present."));
    QCommandLineOption host(QStringLiteral("host"),
                            QStringLiteral("Also print what the window is told (status bar, "
                                           "minimise, end-of-play watch) as # lines."));
    parser.addOptions({chars, assume, host});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList args = parser.positionalArguments();
    if (args.size() != 1) {
        err << "vtscripter-trace: expected one script file (see --help)" << Qt::endl;
        return 2;
    }
    const QString script = args.front();
    try {
        vistrel::files::RegularFile::open(std::filesystem::path(script.toStdU16String()),
                                          vistrel::files::kMaxScriptFileBytes);
    } catch (const vistrel::files::Error& e) {
        err << "vtscripter-trace: cannot read the script \"" << script
            << "\": " << QString::fromLocal8Bit(e.detail().c_str()) << Qt::endl;
        return 2;
    }

    RecordingAgent service;
    service.setAssumeFilesExist(parser.isSet(assume));
    PlayerState state;
    state.charactersFolder = QDir::toNativeSeparators(
        parser.isSet(chars) ? QDir(parser.value(chars)).absolutePath() : defaultCharactersFolder());
    TraceHost traceHost(out, parser.isSet(host));
    ScriptPlayer player(state, service, traceHost);
    player.playScript(QFileInfo(script).absoluteFilePath());

    for (const vistrel::agent::Call& call : service.calls())
        out << call.toString() << '\n';
    if (parser.isSet(host) && state.closeWhenAllHidden)
        out << "# end-of-play watch on" << '\n';
    out.flush();
    if (player.failed()) {
        out << "Status bar: " << traceHost.status() << '\n'
            << "Message box " << traceHost.message() << Qt::endl;
        return 1;
    }
    return 0;
}
