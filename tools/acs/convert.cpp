#include <string_view>
#include <unordered_map>

#include "cli.h"

namespace vistrel::acstool {

acs::CharacterData toVersionTwo(const acs::Character& character) {
    acs::CharacterData data = character.toData();
    data.info.majorVersion = 2;
    data.info.minorVersion = 1;
    // Version-2 files spell state names and their animations in upper case.
    for (auto& s : data.info.states) {
        s.name = acs::toUpper(s.name);
        for (auto& a : s.animations) {
            a = acs::toUpper(a);
        }
    }
    // The older kind stores a picture again in every animation that shows it: keep one.
    std::unordered_multimap<std::size_t, std::uint32_t> byContent;
    std::vector<acs::ImageEntry> kept;
    std::vector<std::uint32_t> remap(data.images.size());
    for (std::size_t i = 0; i < data.images.size(); ++i) {
        const acs::Image& img = data.images[i].image;
        const std::size_t key = std::hash<std::string_view>{}(
            std::string_view(reinterpret_cast<const char*>(img.pixels.data()), img.pixels.size()));
        std::uint32_t index = static_cast<std::uint32_t>(kept.size());
        auto [from, to] = byContent.equal_range(key);
        for (auto it = from; it != to; ++it) {
            if (kept[it->second].image == img) {
                index = it->second;
                break;
            }
        }
        if (index == kept.size()) {
            byContent.emplace(key, index);
            kept.push_back(std::move(data.images[i]));
            kept.back().checksum = 0;  // the writer derives one from the stored block
        }
        remap[i] = index;
    }
    data.images = std::move(kept);
    for (auto& a : data.animations) {
        for (auto& f : a.frames) {
            for (auto& fi : f.images) {
                fi.image = remap[fi.image];
            }
            for (auto& o : f.overlays) {
                o.image = static_cast<std::uint16_t>(remap[o.image]);
            }
        }
    }
    return data;
}

}  // namespace vistrel::acstool
