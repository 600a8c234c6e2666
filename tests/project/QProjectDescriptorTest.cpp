#include "project/QFileSystemProjectDescriptor.h"
#include "project/QStorageBuffer.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(ProjectDescriptor, KeepsItsOwnCopyOfTheName) {
    std::string name = "Board A";
    QFileSystemProjectDescriptor descriptor(name, "/repo/Data/Board A");
    name = "changed";
    EXPECT_EQ(descriptor.GetName(), "Board A");
    QProjectDescriptor& base = descriptor;
    base.SetName("Board B");
    EXPECT_EQ(base.GetName(), "Board B");
    EXPECT_EQ(descriptor.GetFolderPath(), "/repo/Data/Board A");
}

TEST(ProjectDescriptor, NameCheck) {
    const std::string bad[] = {"", ".", "..", "/", "\\", "a/b", "a\\b", std::string("a\0b", 3)};
    for (const std::string& name : bad) {
        EXPECT_FALSE(QFileSystemProjectDescriptor::IsValidProjectName(name)) << name;
    }
    for (const std::string good : {"Board A", "board.ovp", "...", ".hidden", "caf\xE9"}) {
        EXPECT_TRUE(QFileSystemProjectDescriptor::IsValidProjectName(good)) << good;
    }
}

TEST(StorageBuffer, HoldsItsCapacity) {
    QStorageBuffer buffer(QStorageBuffer::kDefaultCapacity);
    EXPECT_EQ(buffer.GetCapacity(), 65536U);
    buffer.GetBytes()[65535] = 0x5A; // the whole block is usable
    EXPECT_EQ(buffer.GetBytes()[65535], 0x5A);
}

} // namespace
} // namespace orv
