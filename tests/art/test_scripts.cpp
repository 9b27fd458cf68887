// The demo scripts shipped beside the program: well-formed script files whose every Play
// names an animation the built-in character really has.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "acs/character.h"
#include "art/characters.h"

namespace acs = vistrel::acs;
namespace art = vistrel::art;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Animation names of each built-in character as the build wrote it, lower case.
const std::map<std::string, std::set<std::string>>& animationsById() {
    static const auto all = [] {
        std::map<std::string, std::set<std::string>> out;
        for (const auto& c : art::builtInCharacters()) {
            const acs::Character character = acs::Character::open(
                std::filesystem::path(VISTREL_BUILT_CHARS_DIR) / (c.id + ".acs"));
            for (const auto& a : character.animations()) {
                out[lower(c.id)].insert(lower(acs::toUtf8(a.name)));
            }
        }
        return out;
    }();
    return all;
}

}  // namespace

TEST(DemoScripts, AreCrLfTextWhosePlaysNameRealAnimations) {
    const std::filesystem::path dir = VISTREL_SCRIPTS_DIR;
    std::size_t scripts = 0;
    for (const char* name : {"hello.vtl", "dialogue.vtl", "tour.vtl", "whisper.vtl"}) {
        SCOPED_TRACE(name);
        std::ifstream in(dir / name, std::ios::binary);
        ASSERT_TRUE(in) << "missing";
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        ++scripts;
        // Every line ends in CR LF; a comma would split a line into two items.
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at byte " << i;
            }
            ASSERT_NE(text[i], ',') << "comma at byte " << i;
        }
        std::set<std::string> loaded;
        std::istringstream lines(text);
        std::string line;
        int plays = 0;
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const std::string l = lower(line);
            if (l.rfind("load.", 0) == 0) {
                loaded.insert(l.substr(5));
                EXPECT_TRUE(animationsById().count(l.substr(5))) << line;
                continue;
            }
            // "Load." anywhere else in a line would load a character too.
            EXPECT_EQ(l.find("load."), std::string::npos) << line;
            const std::size_t play = l.find(".play.");
            if (play == std::string::npos) {
                continue;
            }
            std::string who = l.substr(0, play);
            if (who.rfind("req", 0) == 0) {
                who = who.substr(who.find('.') + 1);
            }
            ASSERT_TRUE(loaded.count(who)) << line;
            EXPECT_TRUE(animationsById().at(who).count(l.substr(play + 6))) << line;
            ++plays;
        }
        EXPECT_GT(plays, 0);
    }
    EXPECT_EQ(scripts, 4u);
}
