#include "cli.h"

#include <unistd.h>
#include <cstdio>
#include <iomanip>
#include <ostream>
#include <sstream>

#include "acs/writer.h"

namespace vistrel::acstool {

namespace fs = std::filesystem;

namespace {

constexpr const char* kUsage =
    "Usage: acs COMMAND [ARGS]\n"
    "Inspect, extract, convert and build animated character files (.acs of either kind, .acf\n"
    "with its .aca files).\n"
    "\n"
    "Commands:\n"
    "  info FILE                show the character's name, size, voice, balloon, states and\n"
    "                           animations\n"
    "  extract FILE DIR         write every image and frame as PNG, every sound as WAV and a\n"
    "                           manifest (DIR/character.json)\n"
    "  pack MANIFEST -o FILE    build a character file from an extracted folder\n"
    "  convert OLD.acs NEW.acs  write an older character file as a version-2 file\n"
    "\n"
    "Run 'acs COMMAND --help' for the details of a command.\n";

constexpr const char* kInfoUsage =
    "Usage: acs info FILE\n"
    "Prints what FILE (.acs, or .acf with its .aca files beside it) holds: name and description\n"
    "per language, GUID, frame size, voice and balloon settings, the states with their\n"
    "animations, and every animation with its frame count and total duration.\n";

constexpr const char* kExtractUsage =
    "Usage: acs extract FILE DIR\n"
    "Writes the character in FILE into DIR (created if needed):\n"
    "  DIR/character.json          manifest: every setting, animation and frame\n"
    "  DIR/images/NNNN.png         every image, 8-bit indexed with the character's palette\n"
    "                              (the transparent colour has alpha 0)\n"
    "  DIR/frames/AAA-NAME/FFF.png every frame as the player composes it, with transparency\n"
    "  DIR/sounds/NNNN.wav         every sound\n"
    "'acs pack DIR/character.json -o OUT.acs' builds the character again.\n";

constexpr const char* kPackUsage =
    "Usage: acs pack MANIFEST -o FILE\n"
    "Builds FILE from a manifest written by 'acs extract' and the images and sounds it names.\n"
    "Pictures are mapped to the character's palette: indexed PNGs with that palette keep their\n"
    "indices, other pictures are matched by colour, pixels less than half opaque become\n"
    "transparent. The frames/ pictures are not read. FILE ending in .acf writes an .acf file\n"
    "with one .aca file per animation beside it; anything else writes an .acs file.\n"
    "\n"
    "Options:\n"
    "  -o, --output FILE   the file to write (replaced only once it is complete)\n";

constexpr const char* kConvertUsage =
    "Usage: acs convert OLD.acs NEW.acs\n"
    "Writes the character in OLD.acs, an older character file (a compound document holding\n"
    "char.acf and one stream per animation), as a version-2 file NEW.acs, or as NEW.acf with\n"
    "one .aca file per animation when NEW ends in .acf. Animations, frames, pictures, mouth\n"
    "overlays, sounds, states, voice and balloon are kept; a picture stored in several\n"
    "animations is written once. A version-2 input is simply rewritten.\n";

bool isHelp(const std::string& a) {
    return a == "--help" || a == "-h";
}

// Progress on stderr: one updating line on a terminal, otherwise a line per finished stage.
Progress stderrProgress(std::ostream& err) {
    const bool tty = ::isatty(STDERR_FILENO) == 1;
    return [&err, tty](const std::string& what, std::size_t done, std::size_t total) {
        if (tty) {
            err << "\r" << what << ": " << done << "/" << total << (done == total ? "\n" : "")
                << std::flush;
        } else if (done == total) {
            err << what << ": " << total << " done\n";
        }
    };
}

std::string text(std::u16string_view s) {
    return acs::toUtf8(s);
}

std::string hex(std::uint32_t v, int width) {
    std::ostringstream s;
    s << "0x" << std::uppercase << std::hex << std::setw(width) << std::setfill('0') << v;
    return s.str();
}

std::string color(acs::Rgb c) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c.r, c.g, c.b);
    return buf;
}

std::string seconds(std::uint32_t hundredths) {
    std::ostringstream s;
    s << hundredths / 100 << "." << std::setw(2) << std::setfill('0') << hundredths % 100 << " s";
    return s.str();
}

const char* transitionName(std::uint8_t t) {
    switch (t) {
        case 0:
            return "return animation";
        case 1:
            return "exit branches";
        case 2:
            return "none";
        default:
            return "unknown";
    }
}

int usageError(std::ostream& err, const std::string& what, const char* usage) {
    err << "acs: " << what << "\n\n" << usage;
    return 2;
}

int cmdInfo(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 1) {
        return usageError(err, "info needs exactly one FILE", kInfoUsage);
    }
    acs::Character c = acs::Character::open(args[0]);
    printInfo(c, fs::path(args[0]).filename().string(), out);
    for (const auto& w : c.warnings()) {
        err << "acs: warning: " << w << "\n";
    }
    return 0;
}

int cmdExtract(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        return usageError(err, "extract needs FILE and DIR", kExtractUsage);
    }
    acs::Character c = acs::Character::open(args[0]);
    for (const auto& w : c.warnings()) {
        err << "acs: warning: " << w << "\n";
    }
    fs::path manifest = extract(c, args[1], stderrProgress(err));
    out << "wrote " << manifest.string() << "\n";
    return 0;
}

int cmdPack(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string manifest, output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o" || args[i] == "--output") {
            if (i + 1 >= args.size()) {
                return usageError(err, args[i] + " needs a FILE", kPackUsage);
            }
            output = args[++i];
        } else if (!args[i].empty() && args[i][0] == '-') {
            return usageError(err, "unknown option " + args[i], kPackUsage);
        } else if (manifest.empty()) {
            manifest = args[i];
        } else {
            return usageError(err, "more than one MANIFEST", kPackUsage);
        }
    }
    if (manifest.empty() || output.empty()) {
        return usageError(err, "pack needs MANIFEST and -o FILE", kPackUsage);
    }
    Progress progress = stderrProgress(err);
    acs::CharacterData data = loadManifest(manifest, progress);
    acs::WriteOptions options;
    options.progress = [&progress](std::size_t done, std::size_t total) {
        progress("compressing", done, total);
    };
    fs::path target(output);
    std::string ext = target.extension().string();
    for (auto& ch : ext) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    if (ext == ".acf") {
        acs::saveAcf(data, target, options);
    } else {
        acs::saveAcs(data, target, options);
    }
    out << "wrote " << target.string() << "\n";
    return 0;
}

int cmdConvert(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() != 2) {
        return usageError(err, "convert needs OLD.acs and NEW.acs", kConvertUsage);
    }
    const acs::Character c = acs::Character::open(args[0]);
    for (const auto& w : c.warnings()) {
        err << "acs: warning: " << w << "\n";
    }
    const acs::CharacterData data = toVersionTwo(c);
    Progress progress = stderrProgress(err);
    acs::WriteOptions options;
    options.progress = [&progress](std::size_t done, std::size_t total) {
        progress("compressing", done, total);
    };
    const fs::path target(args[1]);
    if (fs::exists(target) && fs::equivalent(target, args[0])) {
        return usageError(err, "NEW.acs must not be OLD.acs", kConvertUsage);
    }
    std::string ext = target.extension().string();
    for (auto& ch : ext) {
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    if (ext == ".acf") {
        acs::saveAcf(data, target, options);
    } else {
        acs::saveAcs(data, target, options);
    }
    out << "wrote " << target.string() << " (" << data.animations.size() << " animations, "
        << data.images.size() << " images, " << data.sounds.size() << " sounds)\n";
    return 0;
}

}  // namespace

void printInfo(const acs::Character& c, const std::string& fileName, std::ostream& out) {
    const acs::CharacterInfo& info = c.info();
    const char* kind = c.kind() == acs::FileKind::Acf ? ".acf with .aca files"
                       : c.kind() == acs::FileKind::CompoundDocument
                           ? "older .acs: compound document"
                           : ".acs";
    out << "File:         " << fileName << " (" << kind << ", version " << info.majorVersion << "."
        << info.minorVersion << ")\n";
    for (const auto& l : info.localized) {
        out << "Name:         " << text(l.name) << " [language " << hex(l.language, 4) << "]\n";
        if (!l.description.empty()) {
            out << "Description:  " << text(l.description) << "\n";
        }
    }
    out << "GUID:         " << info.guid.toString() << "\n";
    out << "Size:         " << info.width << " x " << info.height << "\n";
    out << "Transparent:  palette index " << int{info.transparentIndex} << "\n";
    out << "Flags:        " << hex(info.flags, 8) << "\n";
    out << "Palette:      " << info.palette.size() << " colours\n";
    out << "Tray icon:    " << (info.trayIcon ? "yes" : "no") << "\n";
    if (info.voice) {
        const acs::VoiceInfo& v = *info.voice;
        out << "Voice:        engine " << v.engine.toString() << ", mode " << v.mode.toString()
            << ", speed " << v.speed << ", pitch " << v.pitch;
        if (v.extra) {
            static const char* const kGender[] = {"neutral", "female", "male"};
            out << ", language " << hex(v.extra->language, 4) << ", "
                << (v.extra->gender < 3 ? kGender[v.extra->gender] : "unknown gender") << ", age "
                << v.extra->age;
            if (!v.extra->style.empty()) {
                out << ", style " << text(v.extra->style);
            }
        }
        out << "\n";
    } else {
        out << "Voice:        off\n";
    }
    if (info.balloon) {
        const acs::BalloonInfo& b = *info.balloon;
        out << "Balloon:      " << int{b.lines} << " lines of " << int{b.charsPerLine}
            << " characters, font \"" << text(b.fontName) << "\" height " << b.fontHeight
            << " weight " << b.fontWeight << (b.italic ? " italic" : "") << ", text "
            << color(b.text) << ", background " << color(b.background) << ", border "
            << color(b.border) << "\n";
    } else {
        out << "Balloon:      off\n";
    }
    out << "Images:       " << c.imageCount() << "\n";
    out << "Sounds:       " << c.soundCount() << "\n";
    out << "States (" << info.states.size() << "):\n";
    for (const auto& s : info.states) {
        out << "  " << text(s.name) << ":";
        for (const auto& a : s.animations) {
            out << " " << text(a);
        }
        out << "\n";
    }
    out << "Animations (" << c.animations().size() << "):\n";
    std::size_t width = 4;
    for (const auto& a : c.animations()) {
        width = std::max(width, text(a.name).size());
    }
    for (const auto& a : c.animations()) {
        out << "  " << std::left << std::setw(static_cast<int>(width)) << text(a.name) << std::right
            << std::setw(5) << a.frames.size() << " frames " << std::setw(9)
            << seconds(a.totalDuration()) << "  transition: " << transitionName(a.transition);
        if (!a.returnAnimation.empty()) {
            out << " (" << text(a.returnAnimation) << ")";
        }
        out << "\n";
    }
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << kUsage;
        return 2;
    }
    const std::string& cmd = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (isHelp(cmd)) {
        out << kUsage;
        return 0;
    }
    struct Command {
        const char* name;
        const char* usage;
        int (*run)(const std::vector<std::string>&, std::ostream&, std::ostream&);
    };
    static const Command kCommands[] = {
        {"info", kInfoUsage, cmdInfo},
        {"extract", kExtractUsage, cmdExtract},
        {"pack", kPackUsage, cmdPack},
        {"convert", kConvertUsage, cmdConvert},
    };
    for (const Command& c : kCommands) {
        if (cmd != c.name) {
            continue;
        }
        for (const auto& a : rest) {
            if (isHelp(a)) {
                out << c.usage;
                return 0;
            }
        }
        try {
            return c.run(rest, out, err);
        } catch (const acs::Error& e) {
            err << "acs " << cmd << ": " << e.what() << "\n";
            return 1;
        } catch (const std::exception& e) {
            err << "acs " << cmd << ": " << e.what() << "\n";
            return 1;
        }
    }
    return usageError(err, "unknown command '" + cmd + "'", kUsage);
}

}  // namespace vistrel::acstool
