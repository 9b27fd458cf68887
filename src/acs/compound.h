#pragma once

// A read-only reader of compound documents (structured storage): the container of the older
// character files. It reads the header, the allocation table (with its extension sectors), the
// directory, the mini allocation table and the mini stream, and gives the streams of the root
// storage by name. Every sector number, chain and size is checked against the file's length and
// against cycles; anything wrong raises Error with the byte offset in the file.
//
//   acs::CompoundDocument doc(bytes);                  // throws acs::Error
//   if (const auto* s = doc.find(u"char.acf")) {       // names match case-insensitively
//       std::vector<std::uint8_t> data = doc.read(*s);
//   }

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "acs/model.h"

namespace vistrel::acs {

inline constexpr std::uint8_t kCompoundSignature[8] = {0xD0, 0xCF, 0x11, 0xE0,
                                                       0xA1, 0xB1, 0x1A, 0xE1};
// Directory entries read at most (each is 128 bytes).
inline constexpr std::size_t kMaxCompoundEntries = 65536;

class CompoundDocument {
  public:
    struct Stream {
        std::u16string name;
        std::uint32_t entry = 0;  // directory entry number
        std::uint32_t start = 0;  // first sector (mini sector when size < the cutoff)
        std::uint32_t size = 0;
        std::uint64_t offset = 0;  // of its directory entry in the file
    };

    // Parses the structure of `file`, which must outlive the object. Throws Error.
    explicit CompoundDocument(std::span<const std::uint8_t> file);

    // The streams among the root storage's children, in directory order. Storages below the
    // root are not entered.
    const std::vector<Stream>& streams() const { return streams_; }
    // Case-insensitive lookup; null when absent.
    const Stream* find(std::u16string_view name) const;
    // The stream's bytes. Throws Error naming the stream when its chain is broken, loops or
    // runs past the end of the file.
    std::vector<std::uint8_t> read(const Stream& stream) const;

    // Class identifier of the root storage.
    const Guid& rootClass() const { return rootClass_; }
    std::uint32_t sectorSize() const { return sectorSize_; }

  private:
    // Follows a chain of regular sectors from `start`, reading at most `limit` sectors (0: up
    // to the end of the chain). `at` is where the first sector number was read.
    std::vector<std::uint32_t> chain(std::uint32_t start, std::size_t limit, std::uint64_t at,
                                     const std::string& what) const;
    std::vector<std::uint8_t> readChain(std::uint32_t start, std::uint64_t size, std::uint64_t at,
                                        const std::string& what) const;
    std::vector<std::uint8_t> readMini(std::uint32_t start, std::uint32_t size, std::uint64_t at,
                                       const std::string& what) const;
    std::uint64_t fatEntryOffset(std::uint32_t sector) const;
    std::uint64_t miniFatEntryOffset(std::uint32_t sector) const;
    std::span<const std::uint8_t> sector(std::uint32_t n) const;
    void readFat();
    void readDirectory();

    std::span<const std::uint8_t> file_;
    std::uint32_t sectorSize_ = 512;
    std::uint32_t sectorCount_ = 0;  // sectors that start inside the file
    std::uint32_t cutoff_ = 4096;
    std::vector<std::uint32_t> fatSectors_;
    std::vector<std::uint32_t> fat_;
    std::vector<std::uint32_t> miniFatSectors_;
    std::vector<std::uint32_t> miniFat_;
    std::vector<std::uint8_t> miniStream_;
    std::vector<Stream> streams_;
    Guid rootClass_;
};

}  // namespace vistrel::acs
