// The demo scripts shipped beside the program: CR LF text without commas that loads only the
// built-in characters and plays only on loaded ones. That each Play names an animation the
// character has is checked by playing the scripts on the engine.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>

#include "art/characters.h"

namespace art = vistrel::art;

namespace {

std::string lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

}  // namespace

TEST(DemoScripts, AreCrLfTextLoadingOnlyBuiltInCharacters) {
    std::set<std::string> builtIn;
    for (const auto& c : art::builtInCharacters()) {
        builtIn.insert(lower(c.id));
    }
    const std::filesystem::path dir = VISTREL_SCRIPTS_DIR;
    for (const char* name : {"hello.vtl", "dialogue.vtl", "tour.vtl", "whisper.vtl"}) {
        SCOPED_TRACE(name);
        std::ifstream in(dir / name, std::ios::binary);
        ASSERT_TRUE(in) << "missing";
        const std::string text{std::istreambuf_iterator<char>(in), {}};
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
        while (std::getline(lines, line)) {
            const std::string l = lower(line.substr(0, line.find('\r')));
            if (l.rfind("load.", 0) == 0) {
                EXPECT_TRUE(builtIn.count(l.substr(5))) << line;
                loaded.insert(l.substr(5));
                continue;
            }
            // "Load." anywhere else in a line would load a character too.
            EXPECT_EQ(l.find("load."), std::string::npos) << line;
            // A Play for a character not loaded would be skipped without a word.
            if (const std::size_t play = l.find(".play."); play != std::string::npos) {
                std::string who = l.substr(0, play);
                if (who.rfind("req", 0) == 0) {
                    who = who.substr(who.find('.') + 1);
                }
                EXPECT_TRUE(loaded.count(who)) << line;
            }
        }
        EXPECT_FALSE(loaded.empty());
    }
}
