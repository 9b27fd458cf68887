// Only regular files are read, whatever the path leads to, and never past the caller's limit;
// nothing here may block (a FIFO without a writer would hang the test).

#include "files/regularfile.h"
#include "support/permissions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace fs = std::filesystem;
namespace files = vistrel::files;

namespace {

using Reason = files::Error::Reason;

class RegularFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Short: a socket's path must fit in sun_path.
        char tmpl[] = "/tmp/vtfXXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
    }
    void TearDown() override {
        if (socket_ >= 0)
            ::close(socket_);
        fs::remove_all(dir_);
    }

    fs::path write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir_ / name, std::ios::binary) << bytes;
        return dir_ / name;
    }

    fs::path makeSocket() {
        const fs::path path = dir_ / "sock";
        socket_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
        EXPECT_EQ(::bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        return path;
    }

    // The reason read() refuses `path` for, and its message.
    std::pair<Reason, std::string> refusal(const fs::path& path, std::uint64_t limit = 1 << 20) {
        try {
            files::read(path, limit);
        } catch (const files::Error& e) {
            return {e.reason(), e.what()};
        }
        ADD_FAILURE() << path << " was read";
        return {};
    }

    fs::path dir_;
    int socket_ = -1;
};

TEST_F(RegularFileTest, ReadsARegularFileDirectlyOrThroughALinkIntoAnyContainer) {
    const fs::path file = write("a.txt", std::string("abc\0def", 7));
    EXPECT_EQ(files::read(file, 7), (std::vector<std::uint8_t>{'a', 'b', 'c', 0, 'd', 'e', 'f'}));
    fs::create_symlink(file, dir_ / "link");
    EXPECT_EQ(files::read<std::string>(dir_ / "link", 100), std::string("abc\0def", 7));
    EXPECT_TRUE(files::read<std::string>(write("empty", ""), 0).empty());

    files::RegularFile opened = files::RegularFile::open(file, 100);
    EXPECT_EQ(opened.size(), 7U);
    char head[3];
    EXPECT_EQ(opened.readAll(head, sizeof head), 3U) << "a read stops at the buffer's end";
    EXPECT_EQ(std::string(head, 3), "abc");
}

TEST_F(RegularFileTest, RefusesFoldersDevicesFifosAndSocketsAndLinksToThem) {
    ASSERT_EQ(::mkfifo((dir_ / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir_ / "folder");
    const fs::path socket = makeSocket();
    const std::pair<fs::path, std::string> cases[] = {
        {dir_ / "fifo", "a FIFO (a named pipe)"},
        {"/dev/zero", "a character device"},  // its reported size is 0; it never ends
        {"/dev/null", "a character device"},
        {dir_ / "folder", "a folder"},
        {socket, "a socket"},
    };
    for (const auto& [path, kind] : cases) {
        SCOPED_TRACE(path.string());
        const auto [reason, message] = refusal(path);
        EXPECT_EQ(reason, Reason::NotRegular);
        EXPECT_EQ(message, path.string() + ": it is " + kind + ", not a regular file");

        const fs::path link = dir_ / ("link-to-" + path.filename().string());
        fs::create_symlink(path, link);
        EXPECT_EQ(refusal(link).first, Reason::NotRegular) << "through a link";
    }
}

TEST_F(RegularFileTest, MissingFilesAndDanglingLinksAreMissing) {
    fs::create_symlink(dir_ / "nowhere", dir_ / "dangling");
    for (const fs::path& path : {dir_ / "absent", dir_ / "dangling", dir_ / "absent" / "x"}) {
        const auto [reason, message] = refusal(path);
        EXPECT_EQ(reason, Reason::Missing) << path;
        EXPECT_EQ(message, path.string() + ": no such file");
    }
}

TEST_F(RegularFileTest, TheLimitIsCheckedBeforeReading) {
    const fs::path file = write("big", std::string(1025, 'x'));
    EXPECT_EQ(files::read(file, 1025).size(), 1025U) << "a file of exactly the limit is read";
    const auto [reason, message] = refusal(file, 1024);
    EXPECT_EQ(reason, Reason::TooLarge);
    EXPECT_EQ(message, file.string() + ": it is larger than 1024 bytes");

    // A sparse file far above the limit is refused without reading (or allocating) it.
    const fs::path huge = dir_ / "huge";
    std::ofstream(huge).close();
    fs::resize_file(huge, std::uint64_t{8} << 30);
    EXPECT_EQ(refusal(huge, files::kMaxCharacterFileBytes).second,
              huge.string() + ": it is larger than 512 MB");
}

TEST_F(RegularFileTest, AnUnreadableFileSaysWhy) {
    const fs::path file = write("secret", "x");
    fs::permissions(file, fs::perms::none);
    const vistrel::test::PermissionsBind bind;
    if (!bind.active())
        GTEST_SKIP() << "permissions cannot be made to bind";
    const auto [reason, message] = refusal(file);
    EXPECT_EQ(reason, Reason::Unreadable);
    EXPECT_EQ(message, file.string() + ": Permission denied");
}

}  // namespace
