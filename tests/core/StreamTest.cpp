#include "core/serializable.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace orv {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        m_path = fs::temp_directory_path() / ("orv-stream-" + std::to_string(::getpid()) + "-" +
                                              std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    fs::path m_path;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Strings, ByteLayout) {
    std::vector<uint8_t> buffer(16);
    QCharArrayDataWriter writer(buffer.data(), 16);
    WriteString(writer, "abc");
    WriteString(writer, "");
    ASSERT_EQ(writer.GetBytesWritten(), 11U);
    EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 11),
              (std::vector<uint8_t>{3, 0, 0, 0, 'a', 'b', 'c', 0, 0, 0, 0}));

    QCharArrayDataReader reader(buffer.data(), 11);
    std::string text = "old";
    ReadString(reader, text);
    EXPECT_EQ(text, "abc");
    ReadString(reader, text);
    EXPECT_EQ(text, "");
}

TEST(Strings, LengthBeyondTheSourceFailsWithTheReadersOwnError) {
    // Claims 0x7FFFFFFF bytes: must fail before allocating anything like that.
    const std::vector<uint8_t> bytes{0xFF, 0xFF, 0xFF, 0x7F, 'a', 'b'};
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    std::string text = "kept?";
    EXPECT_THROW(ReadString(reader, text), QIOException);
    EXPECT_TRUE(text.empty());
}

TEST(MemoryStreams, BoundariesAndFailedOperationsLeaveTheCursor) {
    std::vector<uint8_t> buffer(4);
    QCharArrayDataWriter writer(buffer.data(), 4);
    writer.WriteU16(0x1234);
    EXPECT_THROW(writer.WriteU32(1), QIOException);
    EXPECT_EQ(writer.GetBytesWritten(), 2U);
    writer.WriteU16(0xABCD); // exactly fills
    EXPECT_EQ(buffer, (std::vector<uint8_t>{0x34, 0x12, 0xCD, 0xAB}));

    QCharArrayDataReader reader(buffer.data(), 4);
    EXPECT_EQ(reader.ReadU16(), 0x1234);
    EXPECT_THROW(reader.ReadU32(), QIOException);
    EXPECT_EQ(reader.GetBytesRead(), 2U);
    EXPECT_EQ(reader.ReadU16(), 0xABCD); // exactly the rest
    uint8_t byte = 0;
    EXPECT_NO_THROW(reader.Read(&byte, 0));
    EXPECT_THROW(reader.Read(&byte, 1), QIOException);
}

TEST(MemoryStreams, OverrunCheckDoesNotWrap) {
    std::vector<uint8_t> buffer(8);
    QCharArrayDataWriter writer(buffer.data(), 8);
    writer.WriteU32(1);
    EXPECT_THROW(writer.WriteToSink(buffer.data(), 0xFFFFFFFFU), QIOException);
    QCharArrayDataReader reader(buffer.data(), 8);
    reader.ReadU32();
    EXPECT_THROW(reader.ReadFromSource(buffer.data(), 0xFFFFFFFDU), QIOException);
}

TEST(MemoryStreams, MarkerPeekConsumesOnlyTheMarker) {
    std::vector<uint8_t> buffer(12);
    QCharArrayDataWriter writer(buffer.data(), 12);
    writer.WriteI32(-100);
    writer.WriteI32(7);
    writer.WriteI32(9);
    QCharArrayDataReader reader(buffer.data(), 12);
    EXPECT_TRUE(reader.ConsumeMarker(-100));
    EXPECT_FALSE(reader.ConsumeMarker(-100));
    EXPECT_EQ(reader.ReadI32(), 7);
    QCharArrayDataReader shortReader(buffer.data(), 2);
    EXPECT_FALSE(shortReader.ConsumeMarker(-100));
    EXPECT_EQ(shortReader.GetRemaining(), 2U);
    EXPECT_EQ(reader.GetStoredFileVersion(), kCurrentStoredFileVersion);
}

TEST(FileStreams, RoundTripAcrossTheBufferAndMarker) {
    TempDir dir;
    const std::string path = dir.File("data.bin");
    const std::string big(200000, 'q');
    {
        QFileDataWriter writer(path);
        writer.WriteI32(-100);
        for (int i = 0; i < 30000; ++i) {
            writer.WriteI16(static_cast<int16_t>(i));
        }
        WriteString(writer, big);
        writer.WriteF64(2.5);
        writer.Close();
    }
    QFileDataReader reader(path);
    EXPECT_EQ(reader.GetRemaining(), 4U + 60000U + 4U + big.size() + 8U);
    EXPECT_TRUE(reader.ConsumeMarker(-100));
    for (int i = 0; i < 30000; ++i) {
        ASSERT_EQ(reader.ReadI16(), static_cast<int16_t>(i));
    }
    EXPECT_FALSE(reader.ConsumeMarker(-100));
    std::string text;
    ReadString(reader, text);
    EXPECT_EQ(text, big);
    EXPECT_EQ(reader.ReadF64(), 2.5);
    EXPECT_EQ(reader.GetRemaining(), 0U);
    try {
        reader.ReadU8();
        FAIL() << "no exception";
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(e.m_message, "Error#312: Error reading from file: " + path + ".");
    }
}

TEST(FileStreams, OpenFailuresNameTheFile) {
    TempDir dir;
    const std::string missing = dir.File("missing.bin");
    try {
        QFileDataReader reader(missing);
        FAIL() << "no exception";
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(e.m_message, "Error#311: Error opening file: " + missing + ".");
    }
    const std::string unmakeable = dir.File("no-such-folder/x.bin");
    try {
        QFileDataWriter writer(unmakeable);
        FAIL() << "no exception";
    } catch (const QStorageLayerException& e) {
        EXPECT_EQ(e.m_message, "Error#330: Error creating file: " + unmakeable + ".");
    }
}

TEST(FileStreams, AFailedOrAbandonedWriteKeepsThePreviousFile) {
    TempDir dir;
    const std::string path = dir.File("project.bin");
    {
        QFileDataWriter writer(path);
        WriteString(writer, "good");
        writer.Close();
    }
    const std::string good = Slurp(path);
    {
        QFileDataWriter writer(path);
        WriteString(writer, "half-written replacement");
        // destroyed without Close
    }
    EXPECT_EQ(Slurp(path), good);
    EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(path).parent_path()), fs::directory_iterator()),
              1);

    {
        // A file size limit makes the write fail half-way: Error#331, and the old file stays.
        struct rlimit saved {};
        ::getrlimit(RLIMIT_FSIZE, &saved);
        const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        struct rlimit limited = saved;
        limited.rlim_cur = 100000;
        ::setrlimit(RLIMIT_FSIZE, &limited);
        bool failed = false;
        try {
            QFileDataWriter writer(path);
            WriteString(writer, std::string(300000, 'z'));
            writer.Close();
        } catch (const QStorageLayerException& e) {
            failed = e.m_message == "Error#331: Error writing to file: " + path + ".";
        }
        ::setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
        EXPECT_TRUE(failed);
        EXPECT_EQ(Slurp(path), good);
    }
}

TEST(FileStreams, ShortFileFailsWithError312AndClosesTheReader) {
    TempDir dir;
    const std::string path = dir.File("short.bin");
    {
        QFileDataWriter writer(path);
        writer.WriteU16(5);
        writer.Close();
    }
    QFileDataReader reader(path);
    EXPECT_THROW(reader.ReadU32(), QStorageLayerException);
    EXPECT_EQ(reader.GetSourceInfo(), -1);
}

} // namespace
} // namespace orv
