#include "engine/speech/mouth.h"

namespace vistrel::speech {

std::optional<MouthShape> knownMouthForPhoneme(std::string_view ph) {
    // Stress and length marks do not change the shape.
    while (!ph.empty() &&
           (ph.front() == '\'' || ph.front() == ',' || ph.front() == '%' || ph.front() == '='))
        ph.remove_prefix(1);
    if (ph.empty())
        return MouthClosed;
    const char next = ph.size() > 1 ? ph[1] : '\0';
    // Every first character of a phoneme name in espeak-ng's tables has its own case; a name
    // that starts otherwise is unknown.
    switch (ph.front()) {
        // Silence: pauses, breaks and sounds that are not spoken.
        case '_':
        case '!':  // left of a stress mark
        case '|':
        case '1':
        case ':':
        case '-':
        case '#':  // virtual phonemes, and the rare consonants written with it
            return next == 'X' ? MouthWide1 : MouthClosed;
        // Tones (Chinese, Vietnamese, Burmese...) and stress marks that tables list as
        // phonemes, and virtual phonemes (nasalisation, Latvian pitch accent): they shape the
        // voice of a vowel but make no sound of their own. Tones 0, 3 and 8 share their names
        // with vowels and are taken as those.
        case '2':
        case '4':
        case '5':
        case '6':
        case '7':
        case '+':
        case '>':
        case '~':
        case '\xCB':  // the tone letters U+02E5 to U+02E9, in UTF-8
            return MouthClosed;
        // Lips closed.
        case 'p':
        case 'P':  // ejective p
        case 'b':
        case 'm':
            return MouthClosed;
        // Open vowels; diphthongs that end rounded still open fully first.
        case 'a':
        case 'A':
            return MouthWide4;
        // Half-open unrounded vowels ("bet", "cut", "bat").
        case 'V':
        case '&':
            return MouthWide3;
        case 'E':
        case 'e':
        case '3':  // "nurse"
            return next == 'I' ? MouthWide2 : MouthWide3;
        // Close front and central vowels, and the glide of "yes".
        case 'i':
        case 'I':
        case 'j':
        case '@':
            return MouthWide2;
        // Rounded open and mid vowels: "hot" (0), "thought", "go", German and French rounded
        // front mid vowels (Y "schön", W "peur"), the central rounded vowel of Swedish "hus"
        // and Russian (8).
        case '0':
        case '8':
        case 'O':
        case 'o':
        case 'Y':
        case 'W':
            return MouthMedium;
        // Rounded close vowels and glides: "food", "put", "we", German "über" (y).
        case 'u':
        case 'U':
        case 'w':
        case 'y':
            return MouthNarrow;
        // Every other consonant: the mouth slightly open.
        case 't':
        case 'd':
        case 'k':
        case 'g':
        case 'c':
        case 'q':
        case '?':
        case 'f':
        case 'v':
        case 'T':
        case 'D':
        case 's':
        case 'z':
        case 'S':
        case 'Z':
        case 'C':
        case 'x':
        case 'X':
        case 'G':  // Turkish soft g
        case 'h':
        case 'H':  // Arabic and Hindi h
        case '<':  // Latin aspiration
        case 'K':  // lateral fricative
        case 'B':
        case 'Q':
        case 'J':
        case 'n':
        case 'N':
        case 'l':
        case 'L':
        case 'r':
        case 'R':
        case '*':  // tapped r
        case ';':  // palatalised consonants
            return MouthWide1;
        default:
            return std::nullopt;
    }
}

MouthShape mouthForPhoneme(std::string_view phoneme) {
    // espeak-ng versions may add names; a speaking mouth is the safe guess for those.
    return knownMouthForPhoneme(phoneme).value_or(MouthWide1);
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
