// Directions in the built-in characters' animation names are the characters' own, as in every
// character file: each faces the viewer, so MoveRight, GestureRight and LookRight go to the
// screen's left. Checked on the pictures: where the drawn pixels lie.

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QString>

#include <filesystem>
#include <string>

#include "acs/character.h"
#include "acs/writer.h"
#include "art/characters.h"
#include "support/snapshot.h"

namespace acs = vistrel::acs;
namespace art = vistrel::art;

namespace {

class Directions : public ::testing::TestWithParam<std::string> {
  protected:
    Directions()
        : data_(acs::Character::open(std::filesystem::path(VISTREL_BUILT_CHARS_DIR) /
                                     (GetParam() + ".acs"))
                    .toData()) {}

    // The last frame the animation leaves on screen, in palette indices.
    acs::Image held(std::u16string_view name) const {
        for (const acs::Animation& a : data_.animations) {
            if (!acs::equalsIgnoreCase(a.name, name))
                continue;
            for (auto f = a.frames.rbegin(); f != a.frames.rend(); ++f)
                if (!f->images.empty() && f->duration > 0)
                    return acs::compositeFrame(data_, *f);
        }
        ADD_FAILURE() << "no animation " << acs::toUtf8(std::u16string(name));
        return {};
    }

    // The mean column of the drawn pixels.
    double middle(const acs::Image& image) const {
        double sum = 0, count = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (image.at(x, y) != data_.info.transparentIndex) {
                    sum += x;
                    ++count;
                }
        return count ? sum / count : 0;
    }

    QImage toQImage(const acs::Image& image) const {
        QImage out(image.width, image.height, QImage::Format_ARGB32);
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const std::uint8_t i = image.at(x, y);
                const acs::Rgb c = data_.info.palette.at(i);
                out.setPixel(
                    x, y,
                    i == data_.info.transparentIndex ? qRgb(255, 255, 255) : qRgb(c.r, c.g, c.b));
            }
        return out;
    }

    acs::CharacterData data_;
};

TEST_P(Directions, RightIsTheCharactersOwnRightTheScreensLeft) {
    const char16_t* const pairs[][2] = {
        {u"MoveRight", u"MoveLeft"},
        {u"GestureRight", u"GestureLeft"},
        {u"LookRight", u"LookLeft"},
    };
    const double rest = middle(held(u"RestPose"));
    for (const auto& pair : pairs) {
        SCOPED_TRACE(acs::toUtf8(pair[0]));
        const double right = middle(held(pair[0]));
        const double left = middle(held(pair[1]));
        EXPECT_LT(right, rest);
        EXPECT_GT(left, rest);
    }

    // One strip to look at: rest, then each pair, right before left.
    const acs::Image first = held(u"RestPose");
    QImage strip(first.width * 7, first.height, QImage::Format_ARGB32);
    strip.fill(Qt::white);
    QPainter p(&strip);
    int x = 0;
    p.drawImage(x, 0, toQImage(first));
    for (const auto& pair : pairs)
        for (const char16_t* name : pair)
            p.drawImage(x += first.width, 0, toQImage(held(name)));
    p.end();
    saveSnapshot(strip.scaled(strip.size() * 2),
                 QString::fromStdString("directions-" + GetParam()));
}

INSTANTIATE_TEST_SUITE_P(BuiltIn, Directions, ::testing::Values("Merlin", "Rivet"));

}  // namespace
