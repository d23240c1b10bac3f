#include "common/FileIo.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "common/TextConv.h"
#include "support/TempDir.h"

namespace palvex {
namespace {

class FileIo : public ::testing::Test {
  protected:
    FileIo() {
        dir_.Write("empty", "");
        dir_.Write("four", "1234");
        mkfifo((dir_ / "fifo").c_str(), 0600);  // reading it must not block
    }
    std::u16string Wide(std::string_view name) const { return Utf8ToWide(dir_ / name); }

    test::TempDir dir_;
};

TEST_F(FileIo, ReadWholeFileTakesRegularFilesUpToTheLimit) {
    std::string bytes = "stale";
    EXPECT_TRUE(ReadWholeFile(dir_ / "empty", 10, bytes));
    EXPECT_EQ(bytes, "");
    EXPECT_TRUE(ReadWholeFile(dir_ / "four", 4, bytes));
    EXPECT_EQ(bytes, "1234");
    for (const char* name : {"missing", "fifo", ""}) {
        bytes = "stale";
        EXPECT_FALSE(ReadWholeFile(dir_ / name, 10, bytes)) << name;
        EXPECT_TRUE(bytes.empty()) << name;
    }
    EXPECT_FALSE(ReadWholeFile(dir_ / "four", 3, bytes));
    EXPECT_TRUE(bytes.empty());
}

// Bigger than one piece of growth, so the presized read and the rest meet.
TEST_F(FileIo, ReadWholeFileReadsLargeFilesExactly) {
    std::string content(100000, 'x');
    for (size_t i = 0; i < content.size(); i += 7)
        content[i] = static_cast<char>('a' + i % 26);
    dir_.Write("large", content);
    std::string bytes;
    EXPECT_TRUE(ReadWholeFile(dir_ / "large", content.size(), bytes));
    EXPECT_EQ(bytes, content);
}

TEST_F(FileIo, ReadFileBytesRefusesWhatIsNotAReadableNonEmptyFile) {
    std::string bytes = "stale";
    for (const char* name : {"missing", "empty", "fifo", "."}) {
        EXPECT_FALSE(ReadFileBytes(Wide(name), bytes)) << name;
        EXPECT_TRUE(bytes.empty());
    }
    EXPECT_FALSE(ReadFileBytes(Wide("four"), bytes, 4));
    EXPECT_TRUE(ReadFileBytes(Wide("four"), bytes, 5));
    EXPECT_FALSE(ReadFileBytes(Wide("four") + u'\0' + u"x", bytes));
    EXPECT_EQ(FileSizeOf(Wide("missing")), -1);
    EXPECT_EQ(FileSizeOf(Wide("four")), 4);
}

}  // namespace
}  // namespace palvex
