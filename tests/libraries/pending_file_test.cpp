#include "libraries/files/pending_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "scratch_folder.h"

// Files written as a whole or not at all.
namespace files {
namespace {

namespace fs = std::filesystem;

class PendingFiles : public ScratchFolderTest {
  protected:
    PendingFiles() : ScratchFolderTest("pending-files") {}
};

// Different for every size.
std::vector<std::uint8_t> someBytes(int size) {
    std::vector<std::uint8_t> bytes;
    for (int i = 0; i < size * 7; ++i) {
        bytes.push_back(static_cast<std::uint8_t>(i * size + 1));
    }
    return bytes;
}

std::vector<std::uint8_t> contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

// prepare() and commit() in one: the problem, or nothing.
std::optional<std::string> save(const std::vector<std::uint8_t>& bytes, const std::string& path) {
    PendingFile file(path);
    std::optional<std::string> problem = file.prepare();
    return problem ? problem : file.commit(bytes);
}

TEST_F(PendingFiles, AReplacedFileKeepsItsPermissionsAndLinksAndANewOneGetsTheUsualOnes) {
    std::ofstream(path("private.out")) << "old";
    fs::permissions(path("private.out"), fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(path("shared.out")) << "old";
    fs::create_hard_link(path("shared.out"), path("twin.out"));
    fs::create_symlink("private.out", path("link.out"));
    fs::create_symlink("new.out", path("dangling.out"));
    const std::string longest = path(std::string(255, 'n'));  // the longest name a folder takes
    const mode_t mask = umask(022);
    for (const std::string& name :
         {path("link.out"), path("twin.out"), path("dangling.out"), path("plain.out"), longest}) {
        EXPECT_EQ(save(someBytes(3), name), std::nullopt);
    }
    umask(mask);
    // Links are followed and stay links; the hard-linked file is the same file under both names.
    EXPECT_TRUE(fs::is_symlink(path("link.out")) && fs::is_symlink(path("dangling.out")));
    for (const char* name : {"private.out", "shared.out", "new.out"}) {
        EXPECT_EQ(contents(path(name)), someBytes(3)) << name;
    }
    EXPECT_EQ(fs::hard_link_count(path("shared.out")), 2u);
    EXPECT_EQ(fs::status(path("private.out")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(fs::status(path("plain.out")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    EXPECT_EQ(entries().size(), 8u) << "no temporary file is left";
}

// Written straight into, never replaced: nothing but a regular file is ever renamed over.
TEST_F(PendingFiles, PipesAndStandardOutputAreWrittenAsStreams) {
    const std::vector<std::uint8_t> bytes = someBytes(4);
    // The reader is there first; the few bytes fit into the pipe.
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    const int reader = open(path("pipe").c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_EQ(save(bytes, path("pipe")), std::nullopt);
    // Standard output, for a moment a file.
    std::fflush(stdout);
    const int savedOutput = dup(STDOUT_FILENO);
    const int file = open(path("stdout.out").c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600);
    dup2(file, STDOUT_FILENO);
    const std::optional<std::string> toStandardOutput = save(bytes, "-");
    dup2(savedOutput, STDOUT_FILENO);
    close(savedOutput);
    close(file);
    ASSERT_EQ(toStandardOutput, std::nullopt);
    EXPECT_EQ(contents(path("stdout.out")), bytes);

    std::vector<char> piped(4096);
    piped.resize(static_cast<std::size_t>(std::max<ssize_t>(read(reader, piped.data(), 4096), 0)));
    close(reader);
    std::ofstream(path("piped.out")).write(piped.data(), std::ssize(piped));
    EXPECT_EQ(contents(path("piped.out")), bytes);
    EXPECT_TRUE(fs::is_fifo(path("pipe")));
}

TEST_F(PendingFiles, AFolderThatCannotTakeTheFileIsFoundBeforeAnyWork) {
    const std::string missing = path("no/such/folder/out.out");
    EXPECT_EQ(PendingFile(missing).prepare(),
              "cannot write " + missing + ": No such file or directory");
    EXPECT_EQ(save(someBytes(2), missing),
              "cannot write " + missing + ": No such file or directory");

    fs::create_directory(path("taken.out"));
    EXPECT_EQ(PendingFile(path("taken.out")).prepare(),
              "cannot write " + path("taken.out") + ": it is a folder");
    EXPECT_EQ(entries(), std::vector<std::string>{"taken.out"});
}

}  // namespace
}  // namespace files
