#include "engine/testing/movercharacter.h"

#include "acs/model.h"
#include "acs/writer.h"
#include "engine/testing/testcharacter.h"

#include <QDir>

namespace vistrel::engine::testing {

namespace {

constexpr int kImages = 96;

acs::Frame picture(int label, std::uint16_t duration = 10) {
    acs::Frame frame;
    frame.images.push_back(acs::FrameImage{static_cast<std::uint32_t>(label), 0, 0});
    frame.duration = duration;
    return frame;
}

acs::Frame blank(std::uint16_t duration) {
    acs::Frame frame;
    frame.duration = duration;
    return frame;
}

acs::Animation animation(const char16_t* name, std::vector<acs::Frame> frames,
                         acs::Transition transition = acs::Transition::None) {
    acs::Animation a;
    a.name = name;
    a.frames = std::move(frames);
    a.transition = static_cast<std::uint8_t>(transition);
    return a;
}

// Lift, fly and an invisible end frame that the flight branches to; leaving lands.
acs::Animation moving(const char16_t* name, int lift) {
    acs::Frame up = picture(lift), fly = picture(lift + kFly), land = picture(lift + kLand);
    fly.branches.push_back(acs::Branch{3, 100});
    up.exitBranch = 2;
    fly.exitBranch = 2;
    land.exitBranch = acs::kEndExitBranch;
    acs::Frame end = blank(0);
    end.exitBranch = acs::kEndExitBranch;
    return animation(name, {up, fly, land, end}, acs::Transition::ExitBranches);
}

acs::CharacterData makeMover() {
    acs::CharacterData data;
    acs::CharacterInfo& info = data.info;
    info.width = kSide;
    info.height = kSide;
    info.transparentIndex = 0;
    info.palette.resize(kImages);
    info.palette[0] = acs::Rgb{255, 0, 255};
    for (int i = 1; i < kImages; ++i)
        info.palette[static_cast<std::size_t>(i)] =
            acs::Rgb{static_cast<std::uint8_t>(i), 100, 200};
    info.balloon = acs::BalloonInfo{};
    info.localized.push_back(acs::LocalizedInfo{0x0409, u"Mover", u"A character that moves", {}});

    for (int i = 0; i < kImages; ++i) {
        acs::Image image;
        image.width = 8;
        image.height = 8;
        image.pixels.assign(64, static_cast<std::uint8_t>(i == 0 ? 1 : i));
        data.images.push_back(acs::ImageEntry{image, 0});
    }

    acs::Animation down = animation(u"MoveDown", {picture(kLiftDown), picture(kLiftDown + kFly)},
                                    acs::Transition::ReturnAnimation);
    down.returnAnimation = u"MoveDownReturn";

    data.animations = {
        animation(u"Show", {picture(kMoverShow)}),
        animation(u"Hide", {picture(kMoverHide), blank(10)}),
        animation(u"RestPose", {picture(kMoverRest)}),
        moving(u"MoveLeft", kLiftLeft),
        moving(u"MoveRight", kLiftRight),
        moving(u"MoveUp", kLiftUp),
        down,
        animation(u"MoveDownReturn", {picture(kLiftDown + kLand)}),
        animation(u"GestureLeft", {picture(kPointLeft)}),
        animation(u"GestureRight", {picture(kPointRight)}),
        animation(u"GestureUp", {picture(kPointUp)}),
        animation(u"GestureDown", {picture(kPointDown)}),
        animation(u"Blank", {picture(kBlankBefore), blank(10), picture(kBlankAfter)}),
    };
    info.states = {
        acs::State{u"SHOWING", {u"SHOW"}},
        acs::State{u"HIDING", {u"HIDE"}},
        acs::State{u"SPEAKING", {u"RESTPOSE"}},
        acs::State{u"MOVINGLEFT", {u"MOVELEFT"}},
        acs::State{u"MOVINGRIGHT", {u"MOVERIGHT"}},
        acs::State{u"MOVINGUP", {u"MOVEUP"}},
        acs::State{u"MOVINGDOWN", {u"MOVEDOWN"}},
        acs::State{u"GESTURINGLEFT", {u"GESTURELEFT"}},
        acs::State{u"GESTURINGRIGHT", {u"GESTURERIGHT"}},
        acs::State{u"GESTURINGUP", {u"GESTUREUP"}},
        acs::State{u"GESTURINGDOWN", {u"GESTUREDOWN"}},
    };
    return data;
}

}  // namespace

QString writeMoverCharacter(const QString& folder, const QString& id) {
    const QString path = QDir(folder).filePath(id + QStringLiteral(".acs"));
    acs::saveAcs(makeMover(), path.toStdString());
    return path;
}

}  // namespace vistrel::engine::testing
