// The acs command: extract, pack and info through the same entry point as the binary.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "acs/character.h"
#include "acs/testing/synthetic.h"
#include "acs/writer.h"
#include "cli.h"

namespace acs = vistrel::acs;
namespace tool = vistrel::acstool;
namespace fs = std::filesystem;

namespace {

class Workspace : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("acs-tool-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        acs::testing::SyntheticOptions o;
        o.width = 48;
        o.height = 40;
        o.animations = 4;
        o.framesPerAnimation = 3;
        o.sounds = 2;
        data_ = acs::testing::makeSyntheticCharacter(o);
        acs::saveAcs(data_, dir_ / "in.acs");
    }
    void TearDown() override { fs::remove_all(dir_); }

    int run(std::vector<std::string> args) {
        out_.str("");
        err_.str("");
        return tool::run(args, out_, err_);
    }
    std::string p(const std::string& name) const { return (dir_ / name).string(); }

    fs::path dir_;
    acs::CharacterData data_;
    std::ostringstream out_, err_;
};

// Files below `root`, by relative path, with their bytes (PNGs as decoded pixels).
std::map<std::string, std::string> contents(const fs::path& root) {
    std::map<std::string, std::string> files;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        if (!e.is_regular_file()) {
            continue;
        }
        const std::string rel = fs::relative(e.path(), root).string();
        if (e.path().extension() == ".png") {
            QImage img(QString::fromStdString(e.path().string()));
            img = img.convertToFormat(QImage::Format_ARGB32);
            files[rel] = std::string(reinterpret_cast<const char*>(img.constBits()),
                                     static_cast<std::size_t>(img.sizeInBytes())) +
                         std::to_string(img.width());
        } else {
            std::ifstream f(e.path(), std::ios::binary);
            files[rel] = std::string(std::istreambuf_iterator<char>(f), {});
        }
    }
    return files;
}

}  // namespace

TEST_F(Workspace, ExtractPackExtractKeepsPixelsAndSounds) {
    ASSERT_EQ(run({"extract", p("in.acs"), p("one")}), 0) << err_.str();
    ASSERT_EQ(run({"pack", p("one/character.json"), "-o", p("packed.acs")}), 0) << err_.str();
    ASSERT_EQ(run({"extract", p("packed.acs"), p("two")}), 0) << err_.str();
    const auto one = contents(dir_ / "one");
    const auto two = contents(dir_ / "two");
    EXPECT_EQ(one, two);
    // Images, frames, sounds and the manifest are all there.
    EXPECT_EQ(one.count("images/0000.png"), 1u);
    EXPECT_EQ(one.count("sounds/0001.wav"), 1u);
    EXPECT_EQ(one.count("frames/003-GestureLeft/002.png"), 0u);
    EXPECT_EQ(one.count("frames/003-Wave/002.png"), 1u);
    EXPECT_EQ(one.count("character.json"), 1u);
    // The packed character is the original one.
    EXPECT_EQ(acs::Character::open(p("packed.acs")).toData(), data_);
}

TEST_F(Workspace, ExtractedPicturesHoldPaletteIndicesAndTransparency) {
    ASSERT_EQ(run({"extract", p("in.acs"), p("x")}), 0) << err_.str();
    QImage img(QString::fromStdString(p("x/images/0000.png")));
    ASSERT_EQ(img.format(), QImage::Format_Indexed8);
    const acs::Image& want = data_.images[0].image;
    ASSERT_EQ(img.width(), want.width);
    for (int y = 0; y < want.height; ++y) {
        for (int x = 0; x < want.width; ++x) {
            ASSERT_EQ(img.pixelIndex(x, y), want.at(x, y));
        }
    }
    EXPECT_EQ(qAlpha(img.color(data_.info.transparentIndex)), 0);
    EXPECT_EQ(qAlpha(img.color(data_.info.transparentIndex + 1)), 255);
    // A frame picture shows the composition of its images.
    QImage frame(QString::fromStdString(p("x/frames/000-Show/000.png")));
    const acs::Image composed = acs::compositeFrame(data_, data_.animations[0].frames[0]);
    ASSERT_EQ(frame.width(), data_.info.width);
    for (int y = 0; y < composed.height; ++y) {
        for (int x = 0; x < composed.width; ++x) {
            ASSERT_EQ(frame.pixelIndex(x, y), composed.at(x, y));
        }
    }
}

TEST_F(Workspace, TrueColourPicturesAreMappedToThePalette) {
    ASSERT_EQ(run({"extract", p("in.acs"), p("x")}), 0) << err_.str();
    // Re-save an image as 32-bit RGBA, as an image editor would.
    const QString path = QString::fromStdString(p("x/images/0003.png"));
    QImage rgba = QImage(path).convertToFormat(QImage::Format_ARGB32);
    ASSERT_TRUE(rgba.save(path));
    const acs::CharacterData back = tool::loadManifest(dir_ / "x/character.json");
    EXPECT_EQ(back.images[3].image, data_.images[3].image);
}

TEST_F(Workspace, PackWritesSplitFilesForAcf) {
    ASSERT_EQ(run({"extract", p("in.acs"), p("x")}), 0) << err_.str();
    ASSERT_EQ(run({"pack", p("x/character.json"), "--output", p("split/c.acf")}), 1);
    fs::create_directories(dir_ / "split");
    ASSERT_EQ(run({"pack", p("x/character.json"), "--output", p("split/c.acf")}), 0) << err_.str();
    acs::Character c = acs::Character::open(dir_ / "split/c.acf");
    EXPECT_EQ(c.kind(), acs::FileKind::Acf);
    EXPECT_EQ(c.animations().size(), data_.animations.size());
    EXPECT_TRUE(c.warnings().empty());
}

TEST_F(Workspace, ManifestMistakesAreReportedWithTheirPlace) {
    ASSERT_EQ(run({"extract", p("in.acs"), p("x")}), 0) << err_.str();
    const fs::path manifest = dir_ / "x/character.json";
    std::string json;
    {
        std::ifstream f(manifest);
        json.assign(std::istreambuf_iterator<char>(f), {});
    }
    auto packWith = [&](const std::string& from, const std::string& to) {
        std::string edited = json;
        const auto at = edited.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        edited.replace(at, from.size(), to);
        std::ofstream(manifest) << edited;
        run({"pack", manifest.string(), "-o", p("out.acs")});
        return err_.str();
    };
    EXPECT_NE(packWith("\"duration\": 10", "\"duration\": -4")
                  .find("$.animations[0].frames[0].duration: expected an integer from 0 to 65535"),
              std::string::npos)
        << err_.str();
    EXPECT_NE(packWith("\"images/0002.png\"", "\"../../etc/passwd\"").find("inside the manifest"),
              std::string::npos)
        << err_.str();
    EXPECT_NE(packWith("\"sound\": 0", "\"sound\": 9").find("missing sound 9"), std::string::npos)
        << err_.str();
    EXPECT_NE(packWith("{", "[").find("not valid JSON"), std::string::npos) << err_.str();
    EXPECT_FALSE(fs::exists(dir_ / "out.acs"));
}

TEST_F(Workspace, InfoListsTheCharacter) {
    ASSERT_EQ(run({"info", p("in.acs")}), 0) << err_.str();
    const std::string text = out_.str();
    EXPECT_NE(text.find("Name:         Synthetic 1 [language 0x0409]"), std::string::npos) << text;
    EXPECT_NE(text.find("GUID:         " + data_.info.guid.toString()), std::string::npos);
    EXPECT_NE(text.find("Size:         48 x 40"), std::string::npos);
    EXPECT_NE(text.find("style Business"), std::string::npos);
    EXPECT_NE(text.find("font \"Arial\""), std::string::npos);
    EXPECT_NE(text.find("  IDLINGLEVEL1: BLINK IDLE1_1"), std::string::npos);
    // Three frames of 10, 11 and 12 hundredths.
    EXPECT_NE(text.find("  RestPose    3 frames    0.33 s  transition: none\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("  Hide        3 frames    0.33 s  transition: exit branches\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("  Show        3 frames    0.33 s  transition: return animation "
                        "(RESTPOSE)\n"),
              std::string::npos)
        << text;
}

TEST_F(Workspace, UsageAndFailuresGiveTheirExitStatus) {
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(out_.str().find("Usage: acs COMMAND"), std::string::npos);
    for (const char* cmd : {"info", "extract", "pack"}) {
        EXPECT_EQ(run({cmd, "--help"}), 0);
        EXPECT_NE(out_.str().find(std::string("Usage: acs ") + cmd), std::string::npos);
    }
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"frobnicate"}), 2);
    EXPECT_NE(err_.str().find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_EQ(run({"info"}), 2);
    EXPECT_EQ(run({"pack", p("x.json")}), 2);
    EXPECT_EQ(run({"pack", p("x.json"), "-o"}), 2);
    EXPECT_EQ(run({"info", p("missing.acs")}), 1);
    EXPECT_NE(err_.str().find("cannot open"), std::string::npos);
    { std::ofstream(dir_ / "junk.acs") << "not a character"; }
    EXPECT_EQ(run({"extract", p("junk.acs"), p("j")}), 1);
    EXPECT_NE(err_.str().find("unknown signature"), std::string::npos) << err_.str();
}
