// vtscripter: the Vistrel Scripter. With no arguments it opens the editor; with a script path
// it plays the script with its window hidden and ends once every character is hidden again;
// with a script path followed by /ed it opens the script for editing.

#include "app/artwork.h"
#include "app/mainwindow.h"
#include "app/services.h"
#include "platform/association.h"
#include "platform/paths.h"
#include "platform/qtplatform.h"
#include "stage/desktop/display.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kUsage[] =
    "Usage: vtscripter [SCRIPT.vtl | FILE | SCRIPT.vtl /ed]\n"
    "Write and play scripts that bring animated characters onto the desktop.\n"
    "\n"
    "  (no argument)       open the script editor\n"
    "  SCRIPT.vtl          play the script with the window hidden; the program ends once\n"
    "                      every character has hidden again\n"
    "  FILE                a saved mail (or any file) holding a script between the lines\n"
    "                      \"< V.T.L - SCRIPT START>\" and \"<SCRIPT VTL.END>\": play that\n"
    "                      script, leaving the file as it is\n"
    "  SCRIPT.vtl /ed      open the script for editing\n"
    "  --help              show this text and end\n"
    "\n"
    "Characters come from the characters folder chosen with Character Folder, or else from\n"
    "the characters installed with the program. Each start registers .vtl files with the\n"
    "desktop for the current user, so that opening one in a file manager plays it.\n";

}  // namespace

int main(int argc, char* argv[]) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    // Characters stand at exact screen pixels, which a Wayland session allows only through
    // XWayland.
    vistrel::desktop::preferXcbOnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vistrel Scripter"));
    QApplication::setOrganizationName(QStringLiteral("Vistrel"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(vistrel::app::programIcon(64))));

    const QString folder = vistrel::platform::programFolder();
    // Opening a script in a file manager plays it with this program, wherever it was started.
    vistrel::platform::registerScriptFileType(vistrel::platform::DesktopFolders::fromEnvironment(),
                                              QCoreApplication::applicationFilePath(),
                                              vistrel::app::programIcon(256),
                                              vistrel::platform::systemToolRunner());
    vistrel::platform::QtPlatform platform;
    vistrel::app::CharacterServices services = vistrel::app::createCharacterServices(folder);
    vistrel::app::MainWindow window(platform.platform(), *services.scriptService,
                                    *services.assistantService, folder);
    vistrel::app::keepCharactersBeside(services, window);
    vistrel::app::keepBalloonsClear(services, window);
    QObject::connect(&window, &vistrel::app::MainWindow::programEnded, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    window.start(QApplication::arguments().mid(1));
    return QApplication::exec();
}
