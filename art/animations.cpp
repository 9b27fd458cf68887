#include "art/animations.h"

#include "art/posing.h"

#include <array>
#include <string>

namespace vistrel::art {

namespace {

// The usual set a script author expects of a desktop character.
constexpr std::array<std::u16string_view, 71> kRequired{
    u"Acknowledge",
    u"Alert",
    u"Announce",
    u"Blink",
    u"Confused",
    u"Congratulate",
    u"Decline",
    u"DoMagic1",
    u"DoMagic2",
    u"DontRecognize",
    u"Explain",
    u"GestureDown",
    u"GestureLeft",
    u"GestureRight",
    u"GestureUp",
    u"GetAttention",
    u"GetAttentionContinued",
    u"GetAttentionReturn",
    u"Greet",
    u"Hearing_1",
    u"Hearing_2",
    u"Hearing_3",
    u"Hide",
    u"Idle1_1",
    u"Idle1_2",
    u"Idle1_3",
    u"Idle1_4",
    u"Idle2_1",
    u"Idle2_2",
    u"Idle3_1",
    u"Idle3_2",
    u"LookDown",
    u"LookDownBlink",
    u"LookDownReturn",
    u"LookLeft",
    u"LookLeftBlink",
    u"LookLeftReturn",
    u"LookRight",
    u"LookRightBlink",
    u"LookRightReturn",
    u"LookUp",
    u"LookUpBlink",
    u"LookUpReturn",
    u"MoveDown",
    u"MoveLeft",
    u"MoveRight",
    u"MoveUp",
    u"Pleased",
    u"Process",
    u"Processing",
    u"Read",
    u"ReadContinued",
    u"Reading",
    u"ReadReturn",
    u"RestPose",
    u"Sad",
    u"Search",
    u"Searching",
    u"Show",
    u"StartListening",
    u"StopListening",
    u"Suggest",
    u"Surprised",
    u"Think",
    u"Thinking",
    u"Uncertain",
    u"Wave",
    u"Write",
    u"WriteContinued",
    u"WriteReturn",
    u"Writing",
};

// The names the program's own help texts ask for, spelt as they spell them.
constexpr std::array<std::u16string_view, 6> kProgram{
    u"Explain", u"Announce", u"alert", u"Gesturedown", u"restpose", u"explain",
};

}  // namespace

std::span<const std::u16string_view> requiredAnimations() {
    return kRequired;
}
std::span<const std::u16string_view> programAnimations() {
    return kProgram;
}

std::vector<acs::State> standardStates() {
    auto state = [](std::u16string name, std::initializer_list<std::u16string> anims) {
        acs::State s;
        s.name = acs::toUpper(name);
        for (const auto& a : anims) {
            s.animations.push_back(acs::toUpper(a));
        }
        return s;
    };
    return {
        state(u"Showing", {u"Show"}),
        state(u"Hiding", {u"Hide"}),
        state(u"Speaking", {u"RestPose"}),
        state(u"Listening", {u"StartListening"}),
        state(u"Hearing", {u"Hearing_1", u"Hearing_2", u"Hearing_3"}),
        state(u"IdlingLevel1", {u"Blink", u"Idle1_1", u"Idle1_2", u"Idle1_3", u"Idle1_4"}),
        state(u"IdlingLevel2", {u"Blink", u"Idle1_1", u"Idle1_2", u"Idle2_1", u"Idle2_2"}),
        state(u"IdlingLevel3", {u"Idle3_1", u"Idle3_2"}),
        state(u"MovingLeft", {u"MoveLeft"}),
        state(u"MovingRight", {u"MoveRight"}),
        state(u"MovingUp", {u"MoveUp"}),
        state(u"MovingDown", {u"MoveDown"}),
        state(u"GesturingLeft", {u"GestureLeft"}),
        state(u"GesturingRight", {u"GestureRight"}),
        state(u"GesturingUp", {u"GestureUp"}),
        state(u"GesturingDown", {u"GestureDown"}),
    };
}

void addStandardAnimations(CharacterBuilder& b, const Design& design, const SoundKit& kit) {
    const Pose rest = design.rest();
    posing::addPresence(b, rest, kit);
    posing::addFeelings(b, rest, kit);
    posing::addWork(b, rest, kit);
    posing::addIdlingAndMoving(b, rest, kit);
}

acs::CharacterInfo characterInfo(const Persona& persona) {
    acs::CharacterInfo info;
    info.guid = *acs::Guid::parse(persona.guid);
    info.flags = acs::kFlagStandardAnimationSet;
    info.localized.push_back({0x0409, persona.name, persona.description, persona.greeting});
    acs::VoiceInfo voice;
    voice.engine = *acs::Guid::parse("{5A7E0C11-3F2B-4D6A-8C1E-0B9D4E3F2A10}");
    voice.mode = *acs::Guid::parse(persona.voiceMode);
    voice.speed = persona.speed;
    voice.pitch = persona.pitch;
    voice.extra = acs::VoiceExtra{0x0409, u"", persona.gender, persona.age, u""};
    info.voice = voice;
    acs::BalloonInfo balloon;
    balloon.lines = 3;
    balloon.charsPerLine = persona.charsPerLine;
    balloon.text = persona.text;
    balloon.background = persona.background;
    balloon.border = persona.border;
    balloon.fontName = u"Sans";
    balloon.fontHeight = -13;
    balloon.fontWeight = persona.fontWeight;
    info.balloon = balloon;
    info.states = standardStates();
    return info;
}

acs::CharacterData buildCharacter(const Design& design, CharacterSounds sounds,
                                  const Persona& persona) {
    CharacterBuilder builder(design);
    SoundKit kit;
    kit.appear = builder.addSound(std::move(sounds.appear));
    kit.vanish = builder.addSound(std::move(sounds.vanish));
    kit.pop = builder.addSound(std::move(sounds.pop));
    kit.chirp = builder.addSound(std::move(sounds.chirp));
    addStandardAnimations(builder, design, kit);
    return builder.finish(characterInfo(persona));
}

}  // namespace vistrel::art
