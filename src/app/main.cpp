// vtscripter: the Vistrel Scripter. With no arguments it opens the editor; with a script path
// it plays the script with its window hidden and ends once every character is hidden again;
// with a script path followed by /ed it opens the script for editing.

#include "app/artwork.h"
#include "app/mainwindow.h"
#include "app/services.h"
#include "platform/paths.h"
#include "platform/qtplatform.h"
#include "stage/desktop/display.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    // Characters stand at exact screen pixels, which a Wayland session allows only through
    // XWayland.
    vistrel::desktop::preferXcbOnWayland();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Vistrel Scripter"));
    QApplication::setOrganizationName(QStringLiteral("Vistrel"));
    QApplication::setWindowIcon(QIcon(QPixmap::fromImage(vistrel::app::programIcon(64))));

    const QString folder = vistrel::platform::programFolder();
    vistrel::platform::QtPlatform platform;
    vistrel::app::CharacterServices services = vistrel::app::createCharacterServices(folder);
    vistrel::app::MainWindow window(platform.platform(), *services.scriptService,
                                    *services.assistantService, folder);
    vistrel::app::keepCharactersBeside(services, window);
    QObject::connect(&window, &vistrel::app::MainWindow::programEnded, &app,
                     &QCoreApplication::quit, Qt::QueuedConnection);
    window.start(QApplication::arguments().mid(1));
    return QApplication::exec();
}
