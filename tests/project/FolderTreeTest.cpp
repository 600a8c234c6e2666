#include "project/FolderTree.h"
#include "core/QException.h"
#include "tests/project/support/StoreTestSupport.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>

namespace orv {
namespace {

namespace fs = std::filesystem;
using storetest::ReadBytes;
using storetest::ScratchFolder;
using storetest::Snapshot;
using storetest::WriteBytes;
using storetest::WriteText;

std::vector<uint8_t> Pattern(size_t size) {
    std::vector<uint8_t> bytes(size);
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<uint8_t>((i * 131) ^ (i >> 8));
    }
    return bytes;
}

TEST(CopyFileRaw, CopiesThroughASmallBufferAndMakesTheFolders) {
    ScratchFolder scratch;
    QStorageBuffer buffer(7); // many chunks, the last one short
    const auto bytes = Pattern(1000);
    WriteBytes(scratch.Path("source.bin"), bytes);
    CopyFileRaw(scratch.Path("source.bin"), scratch.Path("a/b/copy.bin"), buffer);
    EXPECT_EQ(ReadBytes(scratch.Path("a/b/copy.bin")), bytes);

    WriteBytes(scratch.Path("empty.bin"), {});
    CopyFileRaw(scratch.Path("empty.bin"), scratch.Path("empty-copy.bin"), buffer);
    EXPECT_TRUE(fs::exists(scratch.Path("empty-copy.bin")));
    EXPECT_EQ(fs::file_size(scratch.Path("empty-copy.bin")), 0U);
}

TEST(CopyFileRaw, NeverOverwritesAnExistingDestination) {
    ScratchFolder scratch;
    QStorageBuffer buffer(QStorageBuffer::kDefaultCapacity);
    WriteText(scratch.Path("source.bin"), "new");
    WriteText(scratch.Path("dest.bin"), "keep me");
    try {
        CopyFileRaw(scratch.Path("source.bin"), scratch.Path("dest.bin"), buffer);
        FAIL() << "no exception";
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(std::string(e.what()), "Error#330: Error creating file: " + scratch.Path("dest.bin") + ".");
    }
    EXPECT_EQ(ReadBytes(scratch.Path("dest.bin")), (std::vector<uint8_t>{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
}

TEST(CopyFileRaw, FailuresNameTheFileAndLeaveNoPartialCopy) {
    ScratchFolder scratch;
    QStorageBuffer buffer(64);
    EXPECT_THROW(CopyFileRaw(scratch.Path("absent"), scratch.Path("copy"), buffer), QStorageLayerException);
    EXPECT_FALSE(fs::exists(scratch.Path("copy")));

    // A folder (like a FIFO or a device) is not a regular file: the opening error, at once and before
    // the copy is made.
    fs::create_directories(scratch.Path("folder"));
    try {
        CopyFileRaw(scratch.Path("folder"), scratch.Path("copy"), buffer);
        FAIL() << "no exception";
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(std::string(e.what()), "Error#311: Error opening file: " + scratch.Path("folder") + ".");
    }
    EXPECT_FALSE(fs::exists(scratch.Path("copy")));

    // A write that fails part-way (here: the file-size limit) is caught, and the partial copy goes.
    WriteBytes(scratch.Path("source"), Pattern(300));
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 100;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        CopyFileRaw(scratch.Path("source"), scratch.Path("copy"), buffer);
    } catch (const QStorageLayerException& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(message, "Error#331: Error writing to file: " + scratch.Path("copy") + ".");
    EXPECT_FALSE(fs::exists(scratch.Path("copy")));
}

TEST(FolderTree, DeleteFilesInTreeKeepsTheFolders) {
    ScratchFolder scratch;
    WriteText(scratch.Path("temp/a.lin"), "x");
    WriteText(scratch.Path("temp/nodes/1.nod"), "x");
    WriteText(scratch.Path("temp/scans/deep/2.scn"), "x");
    EXPECT_TRUE(DeleteFilesInTree(scratch.Path("temp") + "/"));
    EXPECT_TRUE(Snapshot(scratch.Path("temp")).empty());
    EXPECT_TRUE(fs::is_directory(scratch.Path("temp/scans/deep")));
    EXPECT_TRUE(DeleteFilesInTree(scratch.Path("missing")));
}

TEST(FolderTree, MoveFolderTreeReplacesNamesakesAndKeepsTheSourceFolders) {
    ScratchFolder scratch;
    WriteText(scratch.Path("src/a"), "new a");
    WriteText(scratch.Path("src/sub/b"), "new b");
    WriteText(scratch.Path("dst/a"), "old a");
    WriteText(scratch.Path("dst/c"), "old c");
    MoveFolderTree(scratch.Path("src") + "/", scratch.Path("dst"));
    const auto moved = Snapshot(scratch.Path("dst"));
    ASSERT_EQ(moved.size(), 3U);
    EXPECT_EQ(moved.at("a"), (std::vector<uint8_t>{'n', 'e', 'w', ' ', 'a'}));
    EXPECT_EQ(moved.at("sub/b").size(), 5U);
    EXPECT_EQ(moved.at("c").size(), 5U);
    EXPECT_TRUE(Snapshot(scratch.Path("src")).empty());
    EXPECT_TRUE(fs::is_directory(scratch.Path("src/sub")));
}

TEST(FolderTree, MoveFolderTreeFailureKeepsWhatMovedBefore) {
    ScratchFolder scratch;
    WriteText(scratch.Path("src/a"), "a");
    WriteText(scratch.Path("src/b"), "b");
    fs::create_directories(scratch.Path("dst/b")); // a file cannot replace a folder
    EXPECT_THROW(MoveFolderTree(scratch.Path("src"), scratch.Path("dst")), QStorageLayerException);
    EXPECT_TRUE(fs::exists(scratch.Path("dst/a")));
    EXPECT_TRUE(fs::exists(scratch.Path("src/b")));
}

TEST(FolderTree, DeleteFolderTreeRemovesEverythingButNotThroughLinks) {
    ScratchFolder scratch;
    WriteText(scratch.Path("outside/keep"), "k");
    WriteText(scratch.Path("project/permanent/nodes/1.nod"), "x");
    WriteText(scratch.Path("project/notes.txt"), "not ours");
    fs::create_directory_symlink(scratch.Path("outside"), scratch.Path("project/link"));
    EXPECT_TRUE(DeleteFolderTree(scratch.Path("project") + "/"));
    EXPECT_FALSE(fs::exists(scratch.Path("project")));
    EXPECT_TRUE(fs::exists(scratch.Path("outside/keep")));
    EXPECT_TRUE(DeleteFolderTree(scratch.Path("project")));
}

} // namespace
} // namespace orv
