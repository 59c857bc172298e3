#include "app/Logs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/Paths.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start != text.size()) lines.push_back(text.substr(start));  // an unterminated tail
    return lines;
}

class LogsTest : public ::testing::Test {
protected:
    std::string LogFile(const std::string& name) const { return Folder_ / ("Log/" + name); }
    std::vector<std::string> LinesOf(const std::string& name) const {
        return CrLfLines(ReadWholeFile(LogFile(name)));
    }

    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    TScopedManualClock Clock_{EncodeDateTime(2014, 4, 1, 18, 30, 5)};
};

TEST_F(LogsTest, ErrorLineIsTimeAndFieldsInGbkWithCrLf) {
    LogError("系统", "打开端口", "COM1", "失败");
    ShowError("AppException:", "出错了");

    EXPECT_EQ(ReadWholeFile(LogFile("Sr20140401.txt")),
              Utf8ToGbk("2014-04-01 18:30:05 系统 打开端口 COM1 失败\r\n"
                        "2014-04-01 18:30:05 System Show Error AppException: 出错了\r\n"));
}

TEST_F(LogsTest, LinesFromTwoThreadsStayWhole) {
    constexpr int kLinesPerThread = 1000;
    const std::string padding(300, 'x');  // long lines give interleaving every chance
    auto writer = [&](const std::string& name) {
        for (int i = 0; i < kLinesPerThread; ++i) LogError(name, std::to_string(i), padding, "end");
    };
    std::thread first(writer, "first");
    std::thread second(writer, "second");
    first.join();
    second.join();

    std::set<std::string> expected;
    for (const char* name : {"first", "second"})
        for (int i = 0; i < kLinesPerThread; ++i)
            expected.insert("2014-04-01 18:30:05 " + std::string(name) + " " + std::to_string(i) +
                            " " + padding + " end");
    const std::vector<std::string> lines = LinesOf("Sr20140401.txt");
    EXPECT_EQ(lines.size(), 2u * kLinesPerThread);
    EXPECT_EQ(std::set<std::string>(lines.begin(), lines.end()), expected);
}

TEST_F(LogsTest, MidnightStartsTheNextDaysFile) {
    Clock_.Clock().Set(EncodeDateTime(2014, 12, 31, 23, 59, 59));
    LogError("a", "b", "c", "before");
    Clock_.Clock().AdvanceMilliSeconds(2000);
    LogError("a", "b", "c", "after");

    EXPECT_EQ(LinesOf("Sr20141231.txt"),
              std::vector<std::string>{"2014-12-31 23:59:59 a b c before"});
    EXPECT_EQ(LinesOf("Sr20150101.txt"),
              std::vector<std::string>{"2015-01-01 00:00:01 a b c after"});
}

TEST_F(LogsTest, PlainFileNamedLogMakesWayForTheFolder) {
    WriteWholeFile(Folder_ / "Log", "not a folder");
    LogError("a", "b", "c", "d");

    EXPECT_TRUE(fs::is_directory(Folder_ / "Log"));
    EXPECT_EQ(LinesOf("Sr20140401.txt"), std::vector<std::string>{"2014-04-01 18:30:05 a b c d"});
}

TEST_F(LogsTest, UnwritableLogIsSilentlyLost) {
    // The day's file cannot be opened: a folder is in its place.
    fs::create_directories(LogFile("Sr20140401.txt"));
    EXPECT_NO_THROW(LogError("a", "b", "c", "d"));
    EXPECT_TRUE(fs::is_empty(LogFile("Sr20140401.txt")));

    // The log folder cannot be made: its parent is a plain file.
    WriteWholeFile(Folder_ / "plain", "");
    TScopedProgramFolder program(Folder_ / "plain");
    EXPECT_NO_THROW(LogError("a", "b", "c", "d"));
    EXPECT_NO_THROW(AppendDataLog("status"));
    EXPECT_EQ(ReadWholeFile(Folder_ / "plain"), "");
}

TEST_F(LogsTest, DataLogAppendsLinesAndReportsItsFailures) {
    AppendDataLog("状态 1");
    AppendDataLog("状态 2");
    EXPECT_EQ(ReadWholeFile(LogFile("DataLog.txt")), Utf8ToGbk("状态 1\r\n状态 2\r\n"));
    EXPECT_FALSE(fs::exists(LogFile("Sr20140401.txt")));

    fs::remove(LogFile("DataLog.txt"));
    fs::create_directory(LogFile("DataLog.txt"));
    AppendDataLog("状态 3");

    const std::vector<std::string> lines = LinesOf("Sr20140401.txt");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].rfind("2014-04-01 18:30:05 System Show Error DataRecord ", 0), 0u)
        << lines[0];
    EXPECT_NE(lines[0].find("DataLog.txt"), std::string::npos) << lines[0];
}

}  // namespace
