#include "platform/fs/FileIo.h"

#include "tests/platform/support/PlatTestFolder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace orv {
namespace {

using test::PlatTestFolder;

TEST(FileIo, AtomicWriteReplacesTheFileAndCreatesFolders) {
    PlatTestFolder folder;
    const std::string path = folder.File("a/b/file.txt");
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ASSERT_TRUE(WriteFileAtomically(path, std::string("sec\0nd", 6)));
    EXPECT_EQ(ReadWholeFile(path), std::string("sec\0nd", 6));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.File("a/b")),
                            std::filesystem::directory_iterator()),
              1)
        << "no temporary file may be left beside it";
}

TEST(FileIo, AFailedWriteLeavesNoTemporaryFile) {
    PlatTestFolder folder;
    // A non-empty folder cannot be renamed over.
    std::filesystem::create_directories(folder.File("target/inside"));
    EXPECT_FALSE(WriteFileAtomically(folder.File("target"), "text"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder.Path()),
                            std::filesystem::directory_iterator()),
              1);
    EXPECT_EQ(ReadWholeFile(folder.File("missing")), std::nullopt);
}

} // namespace
} // namespace orv
