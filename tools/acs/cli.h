#pragma once

// The `acs` command: inspect, extract and pack character files. `main` only calls run().

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "acs/character.h"
#include "acs/model.h"

namespace vistrel::acstool {

// Reports long work: (what, done, total).
using Progress = std::function<void(const std::string&, std::size_t, std::size_t)>;

// The summary `acs info` prints.
void printInfo(const acs::Character& character, const std::string& fileName, std::ostream& out);

// Writes every image (as indexed PNG with the palette and a transparent index), every
// composited frame (PNG with alpha), every sound (WAV) and the manifest (character.json) into
// `dir`, which is created if needed. Returns the manifest's path.
std::filesystem::path extract(const acs::Character& character, const std::filesystem::path& dir,
                              const Progress& progress = {});

// Reads a manifest written by extract(), with the images and sounds it names, back into a
// character model. PNG pixels are mapped to the character's palette. Throws acs::Error.
acs::CharacterData loadManifest(const std::filesystem::path& manifest,
                                const Progress& progress = {});

// The character as a version-2 file holds it: version 2.1, state names in upper case, and each
// distinct picture once (the older kind repeats pictures per animation).
acs::CharacterData toVersionTwo(const acs::Character& character);

// The whole command line; returns the exit status.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vistrel::acstool
