#include "art/characters.h"

namespace vistrel::art {

const std::vector<BuiltInCharacter>& builtInCharacters() {
    static const std::vector<BuiltInCharacter> all{{"Merlin", &makeMerlin}, {"Rivet", &makeRivet}};
    return all;
}

}  // namespace vistrel::art
