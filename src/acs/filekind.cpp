// Telling files apart by their first bytes.

#include <cstring>
#include <string>

#include "acs/character.h"
#include "acs/character_impl.h"
#include "acs/compound.h"

namespace vistrel::acs {

namespace {

bool startsWith(std::span<const std::uint8_t> head, std::string_view prefix, std::size_t at = 0) {
    return head.size() >= at + prefix.size() &&
           std::memcmp(head.data() + at, prefix.data(), prefix.size()) == 0;
}

// Mostly printable ASCII or UTF-8 with no control codes but tab, line feed and carriage return.
bool looksLikeText(std::span<const std::uint8_t> head) {
    const std::size_t n = std::min<std::size_t>(head.size(), 512);
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t c = head[i];
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            return false;
        }
        if (c == 0x7F) {
            return false;
        }
    }
    return n > 0;
}

}  // namespace

FileKind detectKind(std::span<const std::uint8_t> head) {
    if (head.size() >= 8 && std::memcmp(head.data(), kCompoundSignature, 8) == 0) {
        return FileKind::CompoundDocument;
    }
    if (head.size() >= 4) {
        std::uint32_t sig = head[0] | (head[1] << 8) | (head[2] << 16) |
                            (static_cast<std::uint32_t>(head[3]) << 24);
        if (sig == kAcsSignature) {
            return FileKind::Acs;
        }
        if (sig == kAcfSignature || sig == kAcfOlderSignature) {
            return FileKind::Acf;
        }
    }
    return FileKind::Unknown;
}

std::string describeContent(std::span<const std::uint8_t> head) {
    struct Known {
        std::string_view prefix;
        const char* what;
    };
    static constexpr Known kKnown[] = {
        {"\x89PNG", "a PNG image"},
        {"GIF8", "a GIF image"},
        {"\xFF\xD8\xFF", "a JPEG image"},
        {"BM", "a BMP image"},
        {"PK\x03\x04", "a ZIP archive"},
        {"\x1F\x8B", "a gzip archive"},
        {"%PDF", "a PDF document"},
        {"\x7F"
         "ELF",
         "a Linux program"},
        {"MZ", "a Windows program"},
        {"\xEF\xBB\xBF", "text"},
    };
    switch (detectKind(head)) {
        case FileKind::Acs:
            return "a version-2 .acs character file";
        case FileKind::Acf:
            return "an .acf character file";
        case FileKind::CompoundDocument:
            return "a compound document";
        case FileKind::Unknown:
            break;
    }
    if (head.empty()) {
        return "an empty file";
    }
    if (startsWith(head, "RIFF") && startsWith(head, "WAVE", 8)) {
        return "a WAVE sound";
    }
    if (startsWith(head, "RIFF")) {
        return "a RIFF file";
    }
    for (const Known& k : kKnown) {
        if (startsWith(head, k.prefix)) {
            return k.what;
        }
    }
    if (looksLikeText(head)) {
        return "text";
    }
    if (head.size() < 4) {
        return "a " + std::to_string(head.size()) + "-byte file, too short for any character file";
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "data starting with %02X %02X %02X %02X (unknown signature)",
                  head[0], head[1], head[2], head[3]);
    return buf;
}

namespace detail {

void refuseKind(FileKind kind, std::span<const std::uint8_t> bytes, const char* wanted) {
    if (kind == FileKind::Unknown) {
        throw Error("not a character file: it looks like " + describeContent(bytes));
    }
    throw Error(std::string("not ") + wanted + ": it looks like " + describeContent(bytes));
}

}  // namespace detail

}  // namespace vistrel::acs
