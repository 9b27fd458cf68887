// vtscripter-icon: writes the program's icon as a PNG file, for the program's folder and for
// desktop menus.
//   vtscripter-icon OUTPUT.png [SIZE]

#include "app/artwork.h"

#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: vtscripter-icon OUTPUT.png [SIZE]\n");
        return 2;
    }
    const int size = argc == 3 ? std::atoi(argv[2]) : 256;
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "vtscripter-icon: SIZE must be from 16 to 1024\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (!vistrel::app::programIcon(size).save(path, "PNG")) {
        std::fprintf(stderr, "vtscripter-icon: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
