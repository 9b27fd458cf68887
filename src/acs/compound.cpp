#include "acs/compound.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "acs/bytes.h"
#include "acs/error.h"

namespace vistrel::acs {

using detail::ByteReader;

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr std::size_t kHeaderFatEntries = 109;
constexpr std::uint32_t kMiniSectorSize = 64;
constexpr std::uint32_t kEntrySize = 128;

enum EntryType : std::uint8_t { kUnused = 0, kStorage = 1, kStream = 2, kRoot = 5 };

std::string sectorName(std::uint32_t n) {
    switch (n) {
        case 0xFFFFFFFF:
            return "the free-sector mark";
        case 0xFFFFFFFD:
            return "the allocation-table mark";
        case 0xFFFFFFFC:
            return "the extension-sector mark";
        default:
            return "sector " + std::to_string(n);
    }
}

std::uint32_t le32(std::span<const std::uint8_t> b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (std::uint32_t{b[at + 3]} << 24);
}

std::size_t sectorsFor(std::uint64_t size, std::uint32_t sectorSize) {
    return static_cast<std::size_t>((size + sectorSize - 1) / sectorSize);
}

}  // namespace

CompoundDocument::CompoundDocument(std::span<const std::uint8_t> file) : file_(file) {
    if (file.size() < 512) {
        throw Error("compound document: the header needs 512 bytes, the file has " +
                        std::to_string(file.size()),
                    0);
    }
    if (std::memcmp(file.data(), kCompoundSignature, 8) != 0) {
        throw Error("not a compound document: wrong signature", 0);
    }
    ByteReader h(file.first(512));
    h.skip(24, "header");
    h.u16("minor version");
    const std::uint16_t major = h.u16("major version");
    if (h.u16("byte order mark") != 0xFFFE) {
        throw Error("compound document: the byte order mark is not FFFE", 28);
    }
    const std::uint16_t shift = h.u16("sector shift");
    if (!((major == 3 && shift == 9) || (major == 4 && shift == 12))) {
        throw Error("compound document: version " + std::to_string(major) + " with sector shift " +
                        std::to_string(shift) + " is not supported (3 with 9, or 4 with 12)",
                    26);
    }
    if (h.u16("mini sector shift") != 6) {
        throw Error("compound document: the mini sector size is not 64 bytes", 32);
    }
    sectorSize_ = std::uint32_t{1} << shift;
    if (file.size() < sectorSize_) {
        throw Error("compound document: the header sector needs " + std::to_string(sectorSize_) +
                        " bytes, the file has " + std::to_string(file.size()),
                    0);
    }
    const std::uint64_t sectors = sectorsFor(file.size() - sectorSize_, sectorSize_);
    sectorCount_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(sectors, 0xFFFFFFFA));
    h.skip(6, "header");
    h.u32("directory sector count");
    h.u32("allocation-table sector count");
    h.u32("first directory sector");
    h.u32("transaction signature");
    cutoff_ = h.u32("mini stream cutoff");
    if (cutoff_ != 4096) {
        throw Error(
            "compound document: mini stream cutoff " + std::to_string(cutoff_) + " is not 4096",
            56);
    }
    readFat();
    readDirectory();
}

std::span<const std::uint8_t> CompoundDocument::sector(std::uint32_t n) const {
    const std::uint64_t offset = (std::uint64_t{n} + 1) * sectorSize_;
    const std::uint64_t size = std::min<std::uint64_t>(sectorSize_, file_.size() - offset);
    return file_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(size));
}

void CompoundDocument::readFat() {
    const std::uint32_t count = le32(file_, 44);
    if (count > sectorCount_) {
        throw Error("compound document: " + std::to_string(count) +
                        " allocation-table sectors, but the file has only " +
                        std::to_string(sectorCount_) + " sectors",
                    44);
    }
    // Every allocation-table sector must lie wholly in the file.
    auto add = [&](std::uint32_t n, std::uint64_t at) {
        if (n >= sectorCount_ || sector(n).size() != sectorSize_) {
            throw Error("allocation table: " + sectorName(n) + " is not a whole sector of the file",
                        at);
        }
        fatSectors_.push_back(n);
    };
    for (std::size_t i = 0; i < std::min<std::size_t>(count, kHeaderFatEntries); ++i) {
        add(le32(file_, 76 + 4 * i), 76 + 4 * i);
    }
    // The rest are listed by the extension sectors, each ending with the next one's number.
    std::uint32_t next = le32(file_, 68);
    std::uint64_t at = 68;
    std::vector<bool> seen(sectorCount_);
    const std::size_t perSector = sectorSize_ / 4 - 1;
    while (fatSectors_.size() < count) {
        if (next >= sectorCount_ || sector(next).size() != sectorSize_) {
            throw Error("allocation table: extension chain stops at " + sectorName(next) +
                            " after " + std::to_string(fatSectors_.size()) + " of " +
                            std::to_string(count) + " sectors",
                        at);
        }
        if (seen[next]) {
            throw Error("allocation table: extension chain loops back to " + sectorName(next), at);
        }
        seen[next] = true;
        const auto ext = sector(next);
        const std::uint64_t base = (std::uint64_t{next} + 1) * sectorSize_;
        for (std::size_t k = 0; k < perSector && fatSectors_.size() < count; ++k) {
            add(le32(ext, 4 * k), base + 4 * k);
        }
        at = base + 4 * perSector;
        next = le32(ext, 4 * perSector);
    }
    const std::size_t perFat = sectorSize_ / 4;
    fat_.reserve(fatSectors_.size() * perFat);
    for (std::uint32_t s : fatSectors_) {
        const auto bytes = sector(s);
        for (std::size_t k = 0; k < perFat; ++k) {
            fat_.push_back(le32(bytes, 4 * k));
        }
    }
}

std::uint64_t CompoundDocument::fatEntryOffset(std::uint32_t n) const {
    const std::size_t perFat = sectorSize_ / 4;
    return (std::uint64_t{fatSectors_[n / perFat]} + 1) * sectorSize_ + 4 * (n % perFat);
}

std::uint64_t CompoundDocument::miniFatEntryOffset(std::uint32_t n) const {
    const std::size_t perFat = sectorSize_ / 4;
    return (std::uint64_t{miniFatSectors_[n / perFat]} + 1) * sectorSize_ + 4 * (n % perFat);
}

std::vector<std::uint32_t> CompoundDocument::chain(std::uint32_t start, std::size_t limit,
                                                   std::uint64_t at,
                                                   const std::string& what) const {
    std::vector<std::uint32_t> out;
    std::vector<bool> seen(sectorCount_);
    std::uint32_t n = start;
    while (limit == 0 || out.size() < limit) {
        if (n == kEndOfChain) {
            if (limit != 0) {
                throw Error(what + ": the chain ends after " + std::to_string(out.size()) +
                                " sectors, its size needs " + std::to_string(limit),
                            at);
            }
            break;
        }
        if (n >= sectorCount_) {
            throw Error(what + ": " + sectorName(n) + " is not in the file's " +
                            std::to_string(sectorCount_) + " sectors",
                        at);
        }
        if (seen[n]) {
            throw Error(what + ": the chain loops back to sector " + std::to_string(n), at);
        }
        seen[n] = true;
        out.push_back(n);
        if (out.size() == limit) {
            break;
        }
        if (n >= fat_.size()) {
            throw Error(
                what + ": sector " + std::to_string(n) + " has no entry in the allocation table",
                at);
        }
        at = fatEntryOffset(n);
        n = fat_[n];
    }
    return out;
}

std::vector<std::uint8_t> CompoundDocument::readChain(std::uint32_t start, std::uint64_t size,
                                                      std::uint64_t at,
                                                      const std::string& what) const {
    if (size > file_.size()) {
        throw Error(what + ": size " + std::to_string(size) + " is larger than the " +
                        std::to_string(file_.size()) + "-byte file",
                    at);
    }
    std::vector<std::uint8_t> out;
    if (size == 0) {
        return out;
    }
    out.reserve(static_cast<std::size_t>(size));
    for (std::uint32_t n : chain(start, sectorsFor(size, sectorSize_), at, what)) {
        const auto bytes = sector(n);
        const std::size_t take = std::min<std::size_t>(bytes.size(), size - out.size());
        out.insert(out.end(), bytes.begin(), bytes.begin() + take);
    }
    if (out.size() < size) {
        throw Error(what + ": its last sector runs past the end of the file", at);
    }
    return out;
}

std::vector<std::uint8_t> CompoundDocument::readMini(std::uint32_t start, std::uint32_t size,
                                                     std::uint64_t at,
                                                     const std::string& what) const {
    std::vector<std::uint8_t> out;
    out.reserve(size);
    std::vector<bool> seen(miniFat_.size());
    std::uint32_t n = start;
    while (out.size() < size) {
        if (n == kEndOfChain) {
            throw Error(what + ": the mini chain ends after " +
                            std::to_string(out.size() / kMiniSectorSize) +
                            " mini sectors, its size needs " +
                            std::to_string(sectorsFor(size, kMiniSectorSize)),
                        at);
        }
        if (n >= miniFat_.size()) {
            throw Error(
                what + ": mini sector " + std::to_string(n) + " has no mini allocation-table entry",
                at);
        }
        if (seen[n]) {
            throw Error(what + ": the mini chain loops back to mini sector " + std::to_string(n),
                        at);
        }
        seen[n] = true;
        const std::uint64_t from = std::uint64_t{n} * kMiniSectorSize;
        const std::size_t take = std::min<std::size_t>(kMiniSectorSize, size - out.size());
        if (from + take > miniStream_.size()) {
            throw Error(what + ": mini sector " + std::to_string(n) + " lies past the end of the " +
                            std::to_string(miniStream_.size()) + "-byte mini stream",
                        at);
        }
        out.insert(out.end(), miniStream_.begin() + static_cast<std::ptrdiff_t>(from),
                   miniStream_.begin() + static_cast<std::ptrdiff_t>(from + take));
        at = miniFatEntryOffset(n);
        n = miniFat_[n];
    }
    return out;
}

void CompoundDocument::readDirectory() {
    const std::size_t maxSectors = kMaxCompoundEntries * kEntrySize / sectorSize_;
    std::vector<std::uint32_t> dirSectors;
    {
        // The directory's length is known only from its chain: read it up to the limit.
        std::vector<std::uint32_t> all = chain(le32(file_, 48), 0, 48, "directory");
        if (all.size() > maxSectors) {
            throw Error("directory: more than " + std::to_string(kMaxCompoundEntries) + " entries",
                        48);
        }
        dirSectors = std::move(all);
    }
    struct Entry {
        std::u16string name;
        std::uint8_t type = kUnused;
        std::uint32_t left = kNoEntry, right = kNoEntry, child = kNoEntry;
        std::uint32_t start = 0;
        std::uint32_t size = 0;
        std::uint32_t sizeHigh = 0;
        std::uint64_t offset = 0;
        Guid clsid;
    };
    std::vector<Entry> entries;
    for (std::uint32_t s : dirSectors) {
        const auto bytes = sector(s);
        const std::uint64_t base = (std::uint64_t{s} + 1) * sectorSize_;
        for (std::size_t k = 0; k + kEntrySize <= bytes.size(); k += kEntrySize) {
            const auto raw = bytes.subspan(k, kEntrySize);
            Entry e;
            e.offset = base + k;
            const std::size_t units = std::min<std::size_t>(raw[64] | (raw[65] << 8), 64) / 2;
            for (std::size_t i = 0; i < units; ++i) {
                const char16_t c = static_cast<char16_t>(raw[2 * i] | (raw[2 * i + 1] << 8));
                if (c == 0) {
                    break;
                }
                e.name.push_back(c);
            }
            e.type = raw[66];
            e.left = le32(raw, 68);
            e.right = le32(raw, 72);
            e.child = le32(raw, 76);
            std::memcpy(e.clsid.bytes.data(), raw.data() + 80, 16);
            e.start = le32(raw, 116);
            e.size = le32(raw, 120);
            e.sizeHigh = sectorSize_ == 512 ? 0 : le32(raw, 124);  // garbage in version 3
            entries.push_back(std::move(e));
        }
    }
    if (entries.empty() || entries[0].type != kRoot) {
        throw Error("directory: the first entry is not the root storage",
                    entries.empty() ? 48 : entries[0].offset);
    }
    const Entry& root = entries[0];
    rootClass_ = root.clsid;

    const std::uint32_t miniFatStart = le32(file_, 60);
    if (miniFatStart != kEndOfChain) {
        miniFatSectors_ = chain(miniFatStart, 0, 60, "mini allocation table");
        for (std::uint32_t s : miniFatSectors_) {
            const auto bytes = sector(s);
            for (std::size_t k = 0; k + 4 <= bytes.size(); k += 4) {
                miniFat_.push_back(le32(bytes, k));
            }
        }
    }
    if (root.sizeHigh != 0) {
        throw Error("mini stream: larger than 4 GB", root.offset + 124);
    }
    miniStream_ = readChain(root.start, root.size, root.offset + 116, "mini stream");

    // The root's children form a binary tree through the sibling links.
    std::vector<bool> seen(entries.size());
    seen[0] = true;
    struct Pending {
        std::uint32_t index;
        std::uint64_t at;  // where the link was read
    };
    std::vector<Pending> pending{{root.child, root.offset + 76}};
    while (!pending.empty()) {
        const Pending p = pending.back();
        pending.pop_back();
        if (p.index == kNoEntry) {
            continue;
        }
        if (p.index >= entries.size()) {
            throw Error("directory: link to entry " + std::to_string(p.index) + " of " +
                            std::to_string(entries.size()),
                        p.at);
        }
        if (seen[p.index]) {
            throw Error("directory: the tree loops back to entry " + std::to_string(p.index), p.at);
        }
        seen[p.index] = true;
        const Entry& e = entries[p.index];
        if (e.type == kStream) {
            if (e.sizeHigh != 0) {
                throw Error("directory: stream \"" + toUtf8(e.name) + "\" is larger than 4 GB",
                            e.offset + 124);
            }
            streams_.push_back({e.name, p.index, e.start, e.size, e.offset});
        }
        pending.push_back({e.right, e.offset + 72});
        pending.push_back({e.left, e.offset + 68});
    }
    std::sort(streams_.begin(), streams_.end(),
              [](const Stream& a, const Stream& b) { return a.entry < b.entry; });
}

const CompoundDocument::Stream* CompoundDocument::find(std::u16string_view name) const {
    for (const Stream& s : streams_) {
        if (equalsIgnoreCase(s.name, name)) {
            return &s;
        }
    }
    return nullptr;
}

std::vector<std::uint8_t> CompoundDocument::read(const Stream& s) const {
    const std::string what = "stream \"" + toUtf8(s.name) + "\"";
    if (s.size < cutoff_) {
        return readMini(s.start, s.size, s.offset + 116, what);
    }
    return readChain(s.start, s.size, s.offset + 116, what);
}

}  // namespace vistrel::acs
