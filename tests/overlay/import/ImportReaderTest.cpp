#include "overlay/import/ImportReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace orv {
namespace {

std::string ReadAll(ImportReader& reader, bool toLastPercent) {
    std::string out;
    char c = 0;
    while (toLastPercent ? reader.ReadCharToLastPercent(c) : reader.ReadChar(c)) {
        out.push_back(c);
    }
    return out;
}

TEST(ImportReaderTest, NumbersOfAStatement) {
    const std::string statement = "PA 10 , -20;PD";
    ImportMemorySource source(statement);
    ImportReader reader(source);
    char c = 0;
    ASSERT_TRUE(reader.ReadChar(c) && reader.ReadChar(c));
    bool ended = true;
    EXPECT_EQ(reader.ReadNumber(&ended), 10);
    EXPECT_FALSE(ended);
    EXPECT_EQ(static_cast<int16_t>(reader.ReadNumber(&ended)), -20);
    EXPECT_TRUE(ended);
    ASSERT_TRUE(reader.ReadChar(c));
    EXPECT_EQ(c, 'P'); // the position is after the ';'

    const std::string numbers = "10,20,30;SP";
    ImportMemorySource list(numbers);
    ImportReader listReader(list);
    uint16_t out[11];
    EXPECT_EQ(listReader.ReadNumbers(out, 10), 3U);
    EXPECT_EQ((std::vector<uint16_t>(out, out + 4)),
              (std::vector<uint16_t>{10, 20, 30, ImportReader::kAbsent}));
    ASSERT_TRUE(listReader.ReadChar(c));
    EXPECT_EQ(c, 'S');
}

TEST(ImportReaderTest, AbsentTruncatedOverLongAndEleventhNumbers) {
    // 12.7 reads as 12; ';' alone leaves the value absent; a letter starts no number and stays.
    const std::string text = "12.7 ; X 1234567890,5 .5;";
    ImportMemorySource source(text);
    ImportReader reader(source);
    bool ended = false;
    EXPECT_EQ(reader.ReadNumber(&ended), 12);
    EXPECT_EQ(reader.ReadNumber(&ended), ImportReader::kAbsent);
    EXPECT_TRUE(ended);
    EXPECT_EQ(reader.ReadNumber(&ended), ImportReader::kAbsent);
    char c = 0;
    ASSERT_TRUE(reader.ReadChar(c));
    EXPECT_EQ(c, 'X');
    // Ten digits: consumed whole and absent, never copied past its room; the next number follows.
    EXPECT_EQ(reader.ReadNumber(&ended), ImportReader::kAbsent);
    EXPECT_EQ(reader.ReadNumber(&ended), 5);
    EXPECT_EQ(reader.ReadNumber(&ended), 0);
    EXPECT_TRUE(ended);

    const std::string twelve = "1,2,3,4,5,6,7,8,9,10,11,12;";
    ImportMemorySource many(twelve);
    ImportReader manyReader(many);
    uint16_t out[11];
    EXPECT_EQ(manyReader.ReadNumbers(out, 10), 10U);
    EXPECT_EQ(out[9], 10);
    EXPECT_EQ(out[10], ImportReader::kAbsent);
    EXPECT_EQ(manyReader.ReadNumber(), 11); // the eleventh is left for the next read
}

TEST(ImportReaderTest, ChunksEndAtTheBytesRead) {
    // 1,500 bytes come in chunks of 1,023 and 477 and nothing of the first chunk comes again.
    std::string file(1500, 'a');
    for (size_t i = 0; i < file.size(); ++i) {
        file[i] = static_cast<char>('a' + i % 26);
    }
    file.replace(1020, 5, "12345"); // a number across the refill
    ImportMemorySource source(file);
    ImportReader reader(source);
    std::string read;
    char c = 0;
    while (read.size() < 1020 && reader.ReadChar(c)) {
        read.push_back(c);
    }
    EXPECT_EQ(reader.ReadNumber(), static_cast<uint16_t>(12345));
    read += "12345";
    read += ReadAll(reader, false);
    EXPECT_EQ(read, file);
    EXPECT_TRUE(reader.IsEndOfFile());
    EXPECT_EQ(reader.GetRefillCount(), 3U); // two chunks and the empty read at the end

    // A zero byte inside the file is a blank, not the end; a source that gives fewer bytes than asked
    // ends the chunk there.
    const std::string withZero("X1\0 2*", 6);
    ImportMemorySource zeroSource(withZero.data(), withZero.size(), 2);
    ImportReader zeroReader(zeroSource);
    EXPECT_EQ(ReadAll(zeroReader, false), std::string("X1  2*"));
}

TEST(ImportReaderTest, IncludedFileIsCutAfterItsLastPercent) {
    // The last '%' in the first (full) chunk: the short last chunk is dropped whole.
    std::string file = "%AMX*1,1,1,0,0*%" + std::string(1023 - 16, ' ') + std::string(477, 'z');
    file[1000] = 'q';
    ImportMemorySource source(file);
    ImportReader reader(source);
    EXPECT_EQ(ReadAll(reader, true), file.substr(0, 1023));
    EXPECT_EQ(reader.GetRefillCount(), 0U);

    // A short file: everything after its last '%' is never seen; without '%' nothing is.
    const std::string shortFile = "%AMX*1,1,1,0,0*%\nM02*\n";
    ImportMemorySource shortSource(shortFile);
    ImportReader shortReader(shortSource);
    EXPECT_EQ(ReadAll(shortReader, true), "%AMX*1,1,1,0,0*%");
    const std::string noPercentFile = "G04 nothing*\n";
    ImportMemorySource noPercent(noPercentFile);
    ImportReader noPercentReader(noPercent);
    EXPECT_EQ(ReadAll(noPercentReader, true), "");
}

} // namespace
} // namespace orv
