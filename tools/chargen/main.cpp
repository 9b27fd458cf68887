// vtchargen: draws the project's own characters and writes them as .acs files into a folder.

#include <QGuiApplication>

#include <exception>
#include <filesystem>
#include <iostream>

#include "acs/writer.h"
#include "characters.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "Usage: vtchargen OUTDIR\n"
                     "Draws the built-in characters and writes OUTDIR/<id>.acs for each.\n";
        return 2;
    }
    // Drawing needs no display; the offscreen platform keeps it so on any machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    try {
        const std::filesystem::path dir = argv[1];
        std::filesystem::create_directories(dir);
        for (const auto& c : vistrel::art::builtInCharacters()) {
            vistrel::acs::saveAcs(c.make(), dir / (c.id + ".acs"));
        }
    } catch (const std::exception& e) {
        std::cerr << "vtchargen: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
