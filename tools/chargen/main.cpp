// vtchargen: draws the project's own characters and writes them as .acs files into a folder.
// Drawing paints into images only, so it needs no display and no application object.

#include <exception>
#include <filesystem>
#include <iostream>

#include "acs/writer.h"
#include "art/characters.h"

int main(int argc, char* argv[]) {
    if (argc != 2) {
        std::cerr << "Usage: vtchargen OUTDIR\n"
                     "Draws the built-in characters and writes OUTDIR/<id>.acs for each.\n";
        return 2;
    }
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
