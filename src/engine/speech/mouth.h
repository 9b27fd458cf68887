#pragma once

// The seven mouth shapes a character's speaking frames carry as overlays, and how speech
// sounds pick one.

#include <QChar>

#include <optional>
#include <string_view>

namespace vistrel::speech {

enum MouthShape : int {
    MouthClosed = 0,
    MouthWide1 = 1,  // wide, barely open
    MouthWide2 = 2,
    MouthWide3 = 3,
    MouthWide4 = 4,  // wide, fully open
    MouthMedium = 5,
    MouthNarrow = 6,
};

// The shape for an espeak-ng phoneme mnemonic ("a", "aI", "u:", "p", "_:" ...): closed for
// silence and lip closures, wide 1-4 by how open the sound is, medium and narrow for rounded
// vowels; nothing for a name this table does not know.
std::optional<MouthShape> knownMouthForPhoneme(std::string_view phoneme);
// The same, with Wide1 (a neutral speaking mouth) for unknown names.
MouthShape mouthForPhoneme(std::string_view phoneme);

// The same judged from a written letter, for when no phonemes are known.
MouthShape mouthForLetter(QChar letter);

}  // namespace vistrel::speech
