#include "engine/speech/mouth.h"

namespace vistrel::speech {

MouthShape mouthForPhoneme(std::string_view ph) {
    // Stress and length marks do not change the shape.
    while (!ph.empty() &&
           (ph.front() == '\'' || ph.front() == ',' || ph.front() == '%' || ph.front() == '='))
        ph.remove_prefix(1);
    if (ph.empty() || ph.front() == '_')
        return MouthClosed;
    const char c = ph.front();
    const char next = ph.size() > 1 ? ph[1] : '\0';
    switch (c) {
        case 'p':
        case 'b':
        case 'm':
            return MouthClosed;
        case 'a':
        case 'A':
            // Diphthongs that end rounded still open fully first.
            return MouthWide4;
        case 'V':
        case '&':
            return MouthWide3;
        case 'E':
        case 'e':
        case '3':
            return next == 'I' ? MouthWide2 : MouthWide3;
        case 'i':
        case 'I':
        case 'y':
        case 'j':
        case '@':
            return MouthWide2;
        case 'O':
        case 'o':
        case 'Q':
            return MouthMedium;
        case 'u':
        case 'U':
        case 'w':
        case 'W':
            return MouthNarrow;
        default:
            return MouthWide1;
    }
}

MouthShape mouthForLetter(QChar letter) {
    switch (letter.toLower().unicode()) {
        case u'a':
            return MouthWide4;
        case u'e':
            return MouthWide3;
        case u'i':
        case u'y':
            return MouthWide2;
        case u'o':
            return MouthMedium;
        case u'u':
        case u'w':
            return MouthNarrow;
        case u'p':
        case u'b':
        case u'm':
            return MouthClosed;
        default:
            return letter.isLetterOrNumber() ? MouthWide1 : MouthClosed;
    }
}

}  // namespace vistrel::speech
