#pragma once

// Reading files that a script, a character file or the user names. Such a path may lead
// anywhere: a FIFO whose open() never returns, /dev/zero whose reported size is 0 and whose
// content never ends, a socket, a folder. A file is read only when the descriptor it was opened
// on says it is a regular file; its size comes from that same descriptor and is checked against
// the caller's limit before a byte is read.
//
//   std::vector<std::uint8_t> bytes = files::read(path, files::kMaxSoundFileBytes);
//   QByteArray text = files::read<QByteArray>(path, files::kMaxScriptFileBytes);
//
// Both throw files::Error, whose what() names the file and says what is wrong with it for the
// user ("x.wav: it is a FIFO (a named pipe), not a regular file"); detail() says it without the
// name.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace vistrel::files {

// The largest file of each kind the program reads.
inline constexpr std::uint64_t kMaxCharacterFileBytes = std::uint64_t{512} << 20;  // .acs/.acf/.aca
inline constexpr std::uint64_t kMaxScriptFileBytes = std::uint64_t{64} << 20;      // .vtl
inline constexpr std::uint64_t kMaxSoundFileBytes = std::uint64_t{64} << 20;       // SpeakSound
inline constexpr std::uint64_t kMaxSettingsFileBytes = std::uint64_t{1} << 20;     // vistrel.ini

class Error : public std::runtime_error {
  public:
    enum class Reason {
        Missing,     // nothing at the path (or a dangling link)
        NotRegular,  // a folder, device, FIFO or socket
        TooLarge,    // above the caller's limit
        Unreadable,  // no permission, an I/O error, ...
    };
    Error(Reason reason, const std::string& name, const std::string& detail)
        : std::runtime_error(name + ": " + detail), reason_(reason), detail_(detail) {}
    Reason reason() const { return reason_; }
    const std::string& detail() const { return detail_; }

  private:
    Reason reason_;
    std::string detail_;
};

// A regular file opened for reading; the descriptor is closed with the object.
class RegularFile {
  public:
    // Opens `path` without blocking (a FIFO or device is never waited on) and keeps it only if
    // the open descriptor is a regular file of at most `maxBytes` bytes. Links are followed:
    // what counts is the file they lead to. Throws Error.
    static RegularFile open(const std::filesystem::path& path, std::uint64_t maxBytes);

    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    // The size the descriptor reported when the file was opened.
    std::uint64_t size() const { return size_; }

    // Reads up to `capacity` bytes from the start into `buffer`; the number read, which is
    // less only when the file shrank since it was opened. Throws Error on a read failure.
    std::size_t readAll(void* buffer, std::size_t capacity);

  private:
    RegularFile(int fd, std::uint64_t size, std::string name);
    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::string name_;  // for messages
};

// The whole file at `path`, as RegularFile::open admits it, in any byte container with
// resize(n) and data() (std::vector<std::uint8_t>, std::string, QByteArray).
template <typename Bytes = std::vector<std::uint8_t>>
Bytes read(const std::filesystem::path& path, std::uint64_t maxBytes) {
    RegularFile file = RegularFile::open(path, maxBytes);
    Bytes bytes;
    bytes.resize(static_cast<decltype(bytes.size())>(file.size()));
    const std::size_t got = file.readAll(bytes.data(), static_cast<std::size_t>(file.size()));
    bytes.resize(static_cast<decltype(bytes.size())>(got));
    return bytes;
}

// What kind of thing `mode` (an st_mode) is, for messages: "a folder", "a FIFO (a named pipe)".
std::string describeMode(unsigned mode);

}  // namespace vistrel::files
