// The acs command: extract, pack and info through the same entry point as the binary.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

#include "acs/character.h"
#include "acs/testing/oldkind.h"
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
    for (const char* cmd : {"info", "extract", "pack", "convert"}) {
        EXPECT_EQ(run({cmd, "--help"}), 0);
        EXPECT_NE(out_.str().find(std::string("Usage: acs ") + cmd), std::string::npos);
    }
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run({"frobnicate"}), 2);
    EXPECT_NE(err_.str().find("unknown command 'frobnicate'"), std::string::npos);
    EXPECT_EQ(run({"info"}), 2);
    EXPECT_EQ(run({"pack", p("x.json")}), 2);
    EXPECT_EQ(run({"pack", p("x.json"), "-o"}), 2);
    EXPECT_EQ(run({"convert", p("in.acs")}), 2);
    EXPECT_EQ(run({"convert", p("in.acs"), p("in.acs")}), 2);
    EXPECT_EQ(run({"info", p("missing.acs")}), 1);
    EXPECT_NE(err_.str().find("missing.acs: no such file"), std::string::npos) << err_.str();
    { std::ofstream(dir_ / "junk.acs") << "not a character"; }
    EXPECT_EQ(run({"extract", p("junk.acs"), p("j")}), 1);
    EXPECT_NE(err_.str().find("not a character file: it looks like text"), std::string::npos)
        << err_.str();
}

TEST_F(Workspace, InfoOnAFifoOrDeviceRefusesItWithoutWaiting) {
    ASSERT_EQ(::mkfifo(p("pipe.acs").c_str(), 0600), 0);
    EXPECT_EQ(run({"info", p("pipe.acs")}), 1);
    EXPECT_NE(err_.str().find("pipe.acs: it is a FIFO (a named pipe), not a regular file"),
              std::string::npos)
        << err_.str();
    EXPECT_EQ(run({"info", "/dev/zero"}), 1);
    EXPECT_NE(err_.str().find("is a character device"), std::string::npos) << err_.str();
}

namespace {

// Two readings of one character play the same: every animation's frames show the same
// pictures and mouths, last as long, branch alike and start the same sounds.
void expectSamePlayback(const acs::Character& a, const acs::Character& b) {
    const acs::CharacterData da = a.toData(), db = b.toData();
    ASSERT_EQ(da.animations.size(), db.animations.size());
    for (std::size_t i = 0; i < da.animations.size(); ++i) {
        const acs::Animation& x = da.animations[i];
        const acs::Animation& y = db.animations[i];
        SCOPED_TRACE(acs::toUtf8(x.name));
        EXPECT_EQ(x.name, y.name);
        EXPECT_EQ(x.transition, y.transition);
        EXPECT_TRUE(acs::equalsIgnoreCase(x.returnAnimation, y.returnAnimation));
        ASSERT_EQ(x.frames.size(), y.frames.size());
        for (std::size_t f = 0; f < x.frames.size(); ++f) {
            const acs::Frame& fx = x.frames[f];
            const acs::Frame& fy = y.frames[f];
            EXPECT_EQ(acs::compositeFrame(da, fx), acs::compositeFrame(db, fy)) << "frame " << f;
            EXPECT_EQ(fx.duration, fy.duration);
            EXPECT_EQ(fx.branches, fy.branches);
            EXPECT_EQ(fx.exitBranch, fy.exitBranch);
            ASSERT_EQ(fx.sound < 0, fy.sound < 0);
            if (fx.sound >= 0) {
                EXPECT_EQ(da.sounds[fx.sound].wav, db.sounds[fy.sound].wav);
            }
            ASSERT_EQ(fx.overlays.size(), fy.overlays.size());
            for (std::size_t o = 0; o < fx.overlays.size(); ++o) {
                EXPECT_EQ(fx.overlays[o].shape, fy.overlays[o].shape);
                EXPECT_EQ(fx.overlays[o].x, fy.overlays[o].x);
                EXPECT_EQ(fx.overlays[o].y, fy.overlays[o].y);
                EXPECT_EQ(da.images[fx.overlays[o].image].image,
                          db.images[fy.overlays[o].image].image);
            }
        }
    }
}

}  // namespace

TEST_F(Workspace, ConvertWritesAnOlderFileAsVersionTwo) {
    const std::vector<std::uint8_t> small =
        acs::testing::makeOldKindFile(acs::testing::makeSmallOldKindCharacter());
    std::ofstream(dir_ / "old.acs", std::ios::binary)
        .write(reinterpret_cast<const char*>(small.data()),
               static_cast<std::streamsize>(small.size()));
    // The generated character has layered frames: the older kind stores them composed.
    const std::vector<std::uint8_t> layered = acs::testing::makeOldKindFile(data_);
    std::ofstream(dir_ / "layered.acs", std::ios::binary)
        .write(reinterpret_cast<const char*>(layered.data()),
               static_cast<std::streamsize>(layered.size()));
    std::vector<std::string> inputs = {"old.acs", "layered.acs"};
    const fs::path real = fs::path(VISTREL_REALCHARS_DIR) / "Miku-old-kind.acs";
    if (fs::exists(real)) {
        fs::copy_file(real, dir_ / "real.acs");
        inputs.push_back("real.acs");
    }
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input);
        ASSERT_EQ(run({"convert", p(input), p("new-" + input)}), 0) << err_.str();
        EXPECT_NE(out_.str().find("wrote "), std::string::npos);
        const acs::Character before = acs::Character::open(dir_ / input);
        const acs::Character after = acs::Character::open(dir_ / ("new-" + input));
        EXPECT_EQ(before.kind(), acs::FileKind::CompoundDocument);
        EXPECT_EQ(after.kind(), acs::FileKind::Acs);
        EXPECT_EQ(after.info().majorVersion, 2);
        EXPECT_TRUE(after.warnings().empty());
        EXPECT_LE(after.imageCount(), before.imageCount());  // repeated pictures kept once
        EXPECT_EQ(after.info().palette, before.info().palette);
        EXPECT_EQ(after.info().localized, before.info().localized);
        EXPECT_EQ(after.info().voice, before.info().voice);
        EXPECT_EQ(after.info().balloon, before.info().balloon);
        ASSERT_EQ(after.info().states.size(), before.info().states.size());
        EXPECT_EQ(after.info().states[0].name, acs::toUpper(before.info().states[0].name));
        expectSamePlayback(before, after);
    }
    // The small character repeats a picture in its second animation, and its seven mouths
    // have three distinct bitmaps.
    EXPECT_EQ(acs::Character::open(dir_ / "old.acs").imageCount(), 10u);
    EXPECT_EQ(acs::Character::open(dir_ / "new-old.acs").imageCount(), 5u);
    ASSERT_EQ(run({"info", p("old.acs")}), 0) << err_.str();
    EXPECT_NE(out_.str().find("(older .acs: compound document, version 1.31)"), std::string::npos)
        << out_.str();
}
