#include "platform/fs/AtomicFileWriter.h"
#include "platform/fs/FileIo.h"

#include "tests/platform/support/PlatTestFolder.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace orv {
namespace {

using test::PlatTestFolder;

size_t EntriesIn(const std::string& folder) {
    return static_cast<size_t>(
        std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator()));
}

// Holds the file size limit low while alive, so that a large write fails half-way.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_previous = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = m_saved;
        limited.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previous);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    struct rlimit m_saved {};
    void (*m_previous)(int) = nullptr;
};

TEST(AtomicFileWriter, TwoWritersOnOnePathNeverMix) {
    struct Case {
        const char* name;
        bool firstFails;
        bool secondFails;
        bool secondCommitsFirst;
        const char* expected; // "old", "first" or "second"
    };
    const Case cases[] = {
        {"both succeed, later commit wins", false, false, false, "second"},
        {"both succeed, reversed commit order", false, false, true, "first"},
        {"first fails", true, false, false, "second"},
        {"second fails", false, true, false, "first"},
        {"second fails and commits first", false, true, true, "first"},
        {"both fail", true, true, false, "old"},
    };
    const std::string big(300000, 'x'); // beyond the limit set below: the write fails half-way
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlatTestFolder folder;
        const std::string path = folder.File("project.bin");
        ASSERT_TRUE(WriteFileAtomically(path, "old"));
        const std::string firstBytes = c.firstFails ? big : std::string(5000, 'a');
        const std::string secondBytes = c.secondFails ? big : std::string(7000, 'b');

        AtomicFileWriter first;
        AtomicFileWriter second;
        ASSERT_TRUE(first.Open(path));
        ASSERT_TRUE(second.Open(path));
        EXPECT_NE(first.GetTempPath(), second.GetTempPath());
        bool firstOk = false;
        bool secondOk = false;
        {
            FileSizeLimit limit(100000);
            // Interleaved halves: a shared temporary file would mix them.
            firstOk = first.Write(firstBytes.data(), firstBytes.size() / 2);
            secondOk = second.Write(secondBytes.data(), secondBytes.size() / 2);
            firstOk = firstOk && first.Write(firstBytes.data() + firstBytes.size() / 2,
                                             firstBytes.size() - firstBytes.size() / 2);
            secondOk = secondOk && second.Write(secondBytes.data() + secondBytes.size() / 2,
                                                secondBytes.size() - secondBytes.size() / 2);
        }
        if (c.secondCommitsFirst) {
            secondOk = second.Commit() && secondOk;
            firstOk = first.Commit() && firstOk;
        } else {
            firstOk = first.Commit() && firstOk;
            secondOk = second.Commit() && secondOk;
        }
        EXPECT_EQ(firstOk, !c.firstFails);
        EXPECT_EQ(secondOk, !c.secondFails);
        const std::string expected = std::string(c.expected) == "old"     ? std::string("old")
                                     : std::string(c.expected) == "first" ? firstBytes
                                                                          : secondBytes;
        EXPECT_TRUE(ReadWholeFile(path) == expected);
        EXPECT_EQ(EntriesIn(folder.Path()), 1U) << "no temporary file may be left";
    }
}

TEST(AtomicFileWriter, ADiscardedWriterLeavesTheTargetAndNoTemporaryFile) {
    PlatTestFolder folder;
    const std::string path = folder.File("settings.txt");
    ASSERT_TRUE(WriteFileAtomically(path, "kept"));
    {
        AtomicFileWriter writer;
        ASSERT_TRUE(writer.Open(path));
        ASSERT_TRUE(writer.Write("new", 3));
    }
    EXPECT_EQ(ReadWholeFile(path), "kept");
    EXPECT_EQ(EntriesIn(folder.Path()), 1U);
}

TEST(AtomicFileWriter, LeftoversOfAKilledWriterGoAtTheNextWriteAndALiveWritersStay) {
    PlatTestFolder folder;
    const std::string path = folder.File("project.bin");
    ASSERT_TRUE(WriteFileAtomically(path, "saved"));
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        AtomicFileWriter writer;
        const bool opened = writer.Open(path) && writer.Write("half a save", 11);
        ::kill(::getpid(), SIGKILL); // dies mid-save: no destructor runs
        ::_exit(opened ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_EQ(EntriesIn(folder.Path()), 2U) << "the killed save left its temporary file";

    AtomicFileWriter live; // this process's own pending write must survive the sweep
    ASSERT_TRUE(live.Open(path));
    // A name of ours that belongs to no process id that can run is swept as well; other files stay.
    PlatTestFolder::WriteText(folder.File(std::string(AtomicFileWriter::kTempPrefix) + "2147483647-0"), "x");
    PlatTestFolder::WriteText(folder.File(".orv-partial-notapid"), "x");
    ASSERT_TRUE(WriteFileAtomically(path, "saved again"));
    EXPECT_EQ(ReadWholeFile(path), "saved again");
    EXPECT_TRUE(std::filesystem::exists(live.GetTempPath()));
    EXPECT_TRUE(std::filesystem::exists(folder.File(".orv-partial-notapid")));
    EXPECT_EQ(EntriesIn(folder.Path()), 3U);
}

} // namespace
} // namespace orv
