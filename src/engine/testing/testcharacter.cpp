#include "engine/testing/testcharacter.h"

#include "acs/testing/synthetic.h"
#include "acs/writer.h"

#include <QDir>

namespace vistrel::engine::testing {

namespace {

acs::Frame frameOf(int label, std::uint16_t duration = 10) {
    acs::Frame frame;
    frame.images.push_back(acs::FrameImage{static_cast<std::uint32_t>(label), 0, 0});
    frame.duration = duration;
    return frame;
}

void addMouths(acs::Frame& frame) {
    for (std::uint8_t shape = 0; shape < 7; ++shape) {
        acs::Overlay overlay;
        overlay.shape = shape;
        overlay.image = static_cast<std::uint16_t>(kMouth0 + shape);
        frame.overlays.push_back(overlay);
    }
}

acs::Animation animation(const char* name, std::vector<acs::Frame> frames,
                         acs::Transition transition = acs::Transition::None) {
    acs::Animation a;
    a.name = acs::fromUtf8(name);
    a.frames = std::move(frames);
    a.transition = static_cast<std::uint8_t>(transition);
    return a;
}

}  // namespace

acs::CharacterData makeTestCharacter(bool withBalloon) {
    acs::CharacterData data;
    acs::CharacterInfo& info = data.info;
    info.width = kSide;
    info.height = kSide;
    info.transparentIndex = 0;
    info.palette.resize(64);
    info.palette[0] = acs::Rgb{255, 0, 255};
    for (int i = 1; i < 64; ++i)
        info.palette[static_cast<std::size_t>(i)] =
            acs::Rgb{static_cast<std::uint8_t>(i), 100, 200};
    if (withBalloon)
        info.balloon = acs::BalloonInfo{};
    info.voice = acs::VoiceInfo{};
    info.localized.push_back(acs::LocalizedInfo{0x0409, u"Tester", u"A test character", {}});

    // Image i is a block of palette index i: 8x8 for frames, 4x4 for mouths.
    for (int i = 0; i < 64; ++i) {
        const std::uint16_t side = i >= kMouth0 ? 4 : 8;
        acs::Image image;
        image.width = side;
        image.height = side;
        image.pixels.assign(std::size_t(side) * side, static_cast<std::uint8_t>(i == 0 ? 1 : i));
        data.images.push_back(acs::ImageEntry{image, 0});
    }

    std::vector<acs::Frame> wave;
    for (int i = 0; i < 5; ++i)
        wave.push_back(frameOf(kWave0 + i));
    wave.push_back(acs::Frame{});  // empty, zero duration
    const std::int16_t exits[] = {5, 0, 1, 2, 3, acs::kEndExitBranch};
    for (std::size_t i = 0; i < wave.size(); ++i)
        wave[i].exitBranch = exits[i];
    addMouths(wave[4]);

    acs::Frame loop0 = frameOf(kLoop0), loop1 = frameOf(kLoop1), loopOut = frameOf(kLoopOut);
    loop1.branches.push_back(acs::Branch{0, 100});
    loop0.exitBranch = 2;
    loop1.exitBranch = 2;
    loopOut.exitBranch = acs::kEndExitBranch;

    acs::Frame coin = frameOf(kCoinStart);
    coin.branches.push_back(acs::Branch{2, 50});
    acs::Frame heads = frameOf(kCoinHeads);
    heads.exitBranch = acs::kNoExitBranch;
    acs::Frame tails = frameOf(kCoinTails);

    acs::Frame rest = frameOf(kRest);
    addMouths(rest);

    auto looping = [](int label) {
        acs::Frame f = frameOf(label);
        f.branches.push_back(acs::Branch{0, 100});
        return f;
    };

    // The first frame of Show rings a short sound.
    acs::Frame showWithSound = frameOf(kShow0);
    showWithSound.sound = 0;
    data.sounds.push_back(acs::Sound{acs::testing::makeWave(1102, 7), 0});

    acs::Animation pose = animation("Pose", {frameOf(kPose)}, acs::Transition::ReturnAnimation);
    pose.returnAnimation = u"PoseReturn";

    data.animations = {
        animation("Show", {showWithSound, frameOf(kShow1)}),
        animation("Hide", {frameOf(kHide0), frameOf(kHide1)}),
        animation("RestPose", {rest}),
        animation("Wave", wave, acs::Transition::ExitBranches),
        animation("Loop", {loop0, loop1, loopOut}, acs::Transition::ExitBranches),
        animation("Coin", {coin, heads, tails}),
        animation("MoveLeft", {looping(kMoveLeft)}),
        animation("MoveRight", {looping(kMoveRight)}),
        animation("GestureLeft", {frameOf(kGestureLeft)}),
        animation("GestureRight", {frameOf(kGestureRight)}),
        animation("Idle1", {frameOf(kIdle1, 20)}),
        animation("Idle2", {frameOf(kIdle2, 20)}),
        pose,
        animation("PoseReturn", {frameOf(kPoseReturn)}),
    };
    auto state = [](const char16_t* name, std::vector<std::u16string> animations) {
        return acs::State{name, std::move(animations)};
    };
    info.states = {
        state(u"SHOWING", {u"SHOW"}),
        state(u"HIDING", {u"HIDE"}),
        state(u"SPEAKING", {u"RESTPOSE"}),
        state(u"MOVINGLEFT", {u"MOVELEFT"}),
        state(u"MOVINGRIGHT", {u"MOVERIGHT"}),
        state(u"GESTURINGLEFT", {u"GESTURELEFT"}),
        state(u"GESTURINGRIGHT", {u"GESTURERIGHT"}),
        state(u"IDLINGLEVEL1", {u"IDLE1"}),
        state(u"IDLINGLEVEL2", {u"IDLE2"}),
    };
    return data;
}

QString writeTestCharacter(const QString& folder, const QString& id, bool withBalloon) {
    const QString path = QDir(folder).filePath(id + QStringLiteral(".acs"));
    acs::saveAcs(makeTestCharacter(withBalloon), path.toStdString());
    return path;
}

int frameLabel(const QImage& frame) {
    if (frame.isNull())
        return 0;
    const QRgb pixel = frame.pixel(6, 6);
    return qAlpha(pixel) ? qRed(pixel) : 0;
}

int mouthLabel(const QImage& frame) {
    if (frame.isNull())
        return 0;
    const QRgb pixel = frame.pixel(1, 1);
    return qAlpha(pixel) && qRed(pixel) >= kMouth0 ? qRed(pixel) : 0;
}

}  // namespace vistrel::engine::testing
