#pragma once

// The project's own characters, drawn and animated here and packed by the character-file
// writer.

#include <string>
#include <vector>

#include "acs/model.h"

namespace vistrel::art {

// The wizard, the assistant the program loads as "Merlin".
acs::CharacterData makeMerlin();
// A small robot, for dialogues with the wizard.
acs::CharacterData makeRivet();

struct BuiltInCharacter {
    std::string id;  // the file name without ".acs"
    acs::CharacterData (*make)();
};
// Every character the build packs, in a fixed order.
const std::vector<BuiltInCharacter>& builtInCharacters();

}  // namespace vistrel::art
