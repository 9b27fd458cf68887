// vtscripter-check: checks scripts against the characters they load, without playing them,
// and prints each finding as "file:line:col: severity: message [code]" or as JSON.

#include "script/check.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <memory>

namespace {

using vistrel::script::CheckOptions;
using vistrel::script::Finding;

QString defaultCharactersFolder() {
    return QDir(QCoreApplication::applicationDirPath() + QStringLiteral("/../share/vistrel/chars"))
        .absolutePath();
}

QJsonObject toJson(const QString& file, const Finding& f) {
    return QJsonObject{
        {QStringLiteral("file"), file},
        {QStringLiteral("line"), f.line},
        {QStringLiteral("column"), f.column},
        {QStringLiteral("offset"), static_cast<qint64>(f.offset)},
        {QStringLiteral("length"), static_cast<qint64>(f.length)},
        {QStringLiteral("item"), f.item},
        {QStringLiteral("severity"), vistrel::script::severityName(f.severity)},
        {QStringLiteral("code"), f.code},
        {QStringLiteral("message"), f.message},
    };
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vtscripter-check"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks Vistrel scripts against the characters they load, without playing them.\n"
        "Exit status: 0 when nothing was found, 1 when something was, 2 when a script could\n"
        "not be read or the command line is wrong."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("SCRIPT"), QStringLiteral("The .vtl scripts."),
                                 QStringLiteral("SCRIPT.vtl..."));
    QCommandLineOption chars(QStringLiteral("chars"),
                             QStringLiteral("The characters folder (default: %1).")
                                 .arg(QDir::toNativeSeparators(defaultCharactersFolder())),
                             QStringLiteral("DIR"));
    QCommandLineOption format(QStringLiteral("format"),
                              QStringLiteral("text (file:line:col: severity: message [code]) or "
                                             "json."),
                              QStringLiteral("FORMAT"), QStringLiteral("text"));
    parser.addOptions({chars, format});
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    const QStringList scripts = parser.positionalArguments();
    const QString style = parser.value(format);
    if (scripts.isEmpty() || (style != QLatin1String("text") && style != QLatin1String("json"))) {
        err << "vtscripter-check: "
            << (scripts.isEmpty() ? QStringLiteral("expected one or more script files")
                                  : QStringLiteral("unknown format \"%1\"").arg(style))
            << " (see --help)" << Qt::endl;
        return 2;
    }

    CheckOptions options;
    options.charactersFolder = QDir::toNativeSeparators(
        parser.isSet(chars) ? QDir(parser.value(chars)).absolutePath() : defaultCharactersFolder());
    options.shelf = std::make_shared<vistrel::script::CharacterShelf>();

    bool unreadable = false;
    bool anything = false;
    QJsonArray all;
    for (const QString& script : scripts) {
        QString error;
        const auto result = vistrel::script::checkScriptFile(script, options, &error);
        if (!error.isEmpty()) {
            err << "vtscripter-check: cannot read the script \"" << script << "\": " << error
                << Qt::endl;
            unreadable = true;
            continue;
        }
        for (const Finding& f : result.findings) {
            anything = true;
            if (style == QLatin1String("json"))
                all.append(toJson(script, f));
            else
                out << script << ':' << f.line << ':' << f.column << ": "
                    << vistrel::script::severityName(f.severity) << ": " << f.message << " ["
                    << f.code << "]\n";
        }
    }
    if (style == QLatin1String("json"))
        out << QJsonDocument(QJsonObject{{QStringLiteral("findings"), all}}).toJson();
    out.flush();
    if (unreadable)
        return 2;
    return anything ? 1 : 0;
}
