#include "acs/model.h"

#include <cstdio>

#include "acs/error.h"

namespace vistrel::acs {

std::string Error::format(const std::string& what, std::uint64_t offset) {
    if (offset == kNoOffset) {
        return what;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, " (at offset 0x%llx)", static_cast<unsigned long long>(offset));
    return what + buf;
}

std::string Guid::toString() const {
    const auto& b = bytes;
    char buf[40];
    std::snprintf(buf, sizeof buf,
                  "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}", b[3],
                  b[2], b[1], b[0], b[5], b[4], b[7], b[6], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return buf;
}

std::optional<Guid> Guid::parse(std::string_view text) {
    if (text.size() >= 2 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, text.size() - 2);
    }
    if (text.size() != 36 || text[8] != '-' || text[13] != '-' || text[18] != '-' ||
        text[23] != '-') {
        return std::nullopt;
    }
    std::uint8_t v[16];
    std::size_t n = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '-') {
            ++i;
            continue;
        }
        auto hex = [](char c) -> int {
            if (c >= '0' && c <= '9')
                return c - '0';
            if (c >= 'a' && c <= 'f')
                return c - 'a' + 10;
            if (c >= 'A' && c <= 'F')
                return c - 'A' + 10;
            return -1;
        };
        int hi = hex(text[i]), lo = i + 1 < text.size() ? hex(text[i + 1]) : -1;
        if (hi < 0 || lo < 0 || n >= 16) {
            return std::nullopt;
        }
        v[n++] = static_cast<std::uint8_t>(hi << 4 | lo);
        i += 2;
    }
    if (n != 16) {
        return std::nullopt;
    }
    // Text order is Data1..Data3 big-endian; storage is little-endian for those three.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    Guid g;
    for (int i = 0; i < 16; ++i) {
        g.bytes[kOrder[i]] = v[i];
    }
    return g;
}

const LocalizedInfo* CharacterInfo::localizedFor(std::uint16_t language) const {
    for (const auto& l : localized) {
        if (l.language == language) {
            return &l;
        }
    }
    for (const auto& l : localized) {
        if ((l.language & 0x3FF) == (language & 0x3FF)) {
            return &l;
        }
    }
    return localized.empty() ? nullptr : &localized.front();
}

std::uint32_t Animation::totalDuration() const {
    std::uint32_t total = 0;
    for (const auto& f : frames) {
        total += f.duration;
    }
    return total;
}

std::vector<std::uint8_t> toRgba(const Image& image, const std::vector<Rgb>& palette,
                                 std::uint8_t transparentIndex) {
    std::vector<std::uint8_t> out(image.pixels.size() * 4);
    std::uint8_t* o = out.data();
    for (std::uint8_t index : image.pixels) {
        if (index == transparentIndex) {
            o[0] = o[1] = o[2] = o[3] = 0;
        } else if (index < palette.size()) {
            const Rgb& c = palette[index];
            o[0] = c.r;
            o[1] = c.g;
            o[2] = c.b;
            o[3] = 255;
        } else {
            o[0] = o[1] = o[2] = 0;
            o[3] = 255;
        }
        o += 4;
    }
    return out;
}

std::string toUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::u16string fromUtf8(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        auto b = static_cast<std::uint8_t>(text[i]);
        std::uint32_t c;
        std::size_t len;
        if (b < 0x80) {
            c = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            c = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            c = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            c = b & 0x07;
            len = 4;
        } else {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        bool ok = i + len <= text.size();
        for (std::size_t k = 1; ok && k < len; ++k) {
            auto cb = static_cast<std::uint8_t>(text[i + k]);
            ok = (cb & 0xC0) == 0x80;
            c = (c << 6) | (cb & 0x3F);
        }
        if (!ok || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += len;
    }
    return out;
}

namespace {
char16_t upper(char16_t c) {
    if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) {
        return static_cast<char16_t>(c - 0x20);
    }
    return c;
}
}  // namespace

bool equalsIgnoreCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (upper(a[i]) != upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::u16string toUpper(std::u16string_view text) {
    std::u16string out(text);
    for (auto& c : out) {
        c = upper(c);
    }
    return out;
}

}  // namespace vistrel::acs
