#include "files/regularfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vistrel::files {

namespace {

std::string sizeText(std::uint64_t bytes) {
    if (bytes >= (std::uint64_t{1} << 20) && bytes % (std::uint64_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MB";
    return std::to_string(bytes) + " bytes";
}

[[noreturn]] void failOpen(const std::string& name, int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
            throw Error(Error::Reason::Missing, name, "no such file");
        case ENXIO:  // a socket, or a device with nothing behind it
            throw Error(Error::Reason::NotRegular, name, "it is not a regular file");
        default:
            throw Error(Error::Reason::Unreadable, name, std::strerror(error));
    }
}

void refuse(const std::string& name, const struct stat& st, std::uint64_t maxBytes) {
    if (!S_ISREG(st.st_mode)) {
        throw Error(Error::Reason::NotRegular, name,
                    "it is " + describeMode(st.st_mode) + ", not a regular file");
    }
    if (st.st_size < 0 || static_cast<std::uint64_t>(st.st_size) > maxBytes) {
        throw Error(Error::Reason::TooLarge, name, "it is larger than " + sizeText(maxBytes));
    }
}

}  // namespace

std::string describeMode(unsigned mode) {
    switch (mode & S_IFMT) {
        case S_IFREG:
            return "a regular file";
        case S_IFDIR:
            return "a folder";
        case S_IFCHR:
            return "a character device";
        case S_IFBLK:
            return "a block device";
        case S_IFIFO:
            return "a FIFO (a named pipe)";
        case S_IFSOCK:
            return "a socket";
        case S_IFLNK:
            return "a symbolic link";
        default:
            return "not a file";
    }
}

RegularFile RegularFile::open(const std::filesystem::path& path, std::uint64_t maxBytes) {
    const std::string name = path.string();
    // Looked at before opening, so that a device is not even opened (opening some has effects
    // of its own); the check that counts is the one on the descriptor below, since the path may
    // be changed in between.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        failOpen(name, errno);
    refuse(name, st, maxBytes);

    // O_NONBLOCK: a FIFO put in the file's place meanwhile is opened without waiting for a
    // writer; O_NOCTTY: a terminal never becomes the program's.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        failOpen(name, errno);
    RegularFile file(fd, 0, name);
    if (::fstat(fd, &st) != 0) {
        throw Error(Error::Reason::Unreadable, name, std::strerror(errno));
    }
    refuse(name, st, maxBytes);
    file.size_ = static_cast<std::uint64_t>(st.st_size);
    return file;
}

RegularFile::RegularFile(int fd, std::uint64_t size, std::string name)
    : fd_(fd), size_(size), name_(std::move(name)) {}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(other.fd_), size_(other.size_), name_(std::move(other.name_)) {
    other.fd_ = -1;
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = other.fd_;
        size_ = other.size_;
        name_ = std::move(other.name_);
        other.fd_ = -1;
    }
    return *this;
}

RegularFile::~RegularFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

std::size_t RegularFile::readAll(void* buffer, std::size_t capacity) {
    auto* out = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < capacity) {
        const ssize_t got = ::pread(fd_, out + done, capacity - done, static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw Error(Error::Reason::Unreadable, name_, std::strerror(errno));
        }
        if (got == 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

}  // namespace vistrel::files
