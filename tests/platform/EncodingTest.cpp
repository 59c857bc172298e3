#include "platform/Encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

const std::string kStationUtf8 = "测试站点";
const std::string kStationGbk = "\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3";

TEST(Encoding, ChineseConvertsToTheExactGbkBytesAndBack) {
    EXPECT_EQ(Utf8ToGbk(kStationUtf8), kStationGbk);
    EXPECT_EQ(GbkToUtf8(kStationGbk), kStationUtf8);
    EXPECT_EQ(Utf8ToGbk("No.1 测试"), "No.1 \xB2\xE2\xCA\xD4");
    EXPECT_EQ(GbkToUtf8("No.1 \xB2\xE2\xCA\xD4"), "No.1 测试");
}

TEST(Encoding, AsciiPassesThroughUnchanged) {
    const std::string ascii = std::string("Lamp 12: on=18:30, \t?\x7F") + '\0' + "end";
    EXPECT_EQ(Utf8ToGbk(ascii), ascii);
    EXPECT_EQ(GbkToUtf8(ascii), ascii);
    EXPECT_EQ(Utf8ToGbk(""), "");
}

TEST(Encoding, InvalidGbkBecomesQuestionMarks) {
    struct TCase {
        const char* Gbk;
        const char* Utf8;
    };
    const TCase cases[] = {
        {"\xFF", "?"},
        {"A\xFF\xB2\xE2", "A?测"},
        {"\xB2\xE2\xB2", "测?"},      // cut off at the end
        {"\xB2 A", "? A"},            // a lead byte without its trail byte
        {"\xAA\xA1\xB2\xE2", "?测"},  // an unassigned pair does not swallow what follows
        {"\xB2\xE2\xAA\xA1\xCA\xD4", "测?试"},
    };
    for (const auto& c : cases) EXPECT_EQ(GbkToUtf8(c.Gbk), c.Utf8) << c.Utf8;
}

TEST(Encoding, Utf8ThatGbkCannotHoldBecomesOneQuestionMarkPerCharacter) {
    struct TCase {
        const char* Utf8;
        const char* Gbk;
    };
    const TCase cases[] = {
        {"a😀b", "a?b"},
        {"😀😀", "??"},
        {"测ก试", "\xB2\xE2?\xCA\xD4"},  // Thai: three bytes, one character
        {"测\xE8\xAF", "\xB2\xE2?"},     // cut off at the end
        {"a\x80\x80.", "a??."},          // stray continuation bytes
        {"a\xFF.", "a?."},
    };
    for (const auto& c : cases) EXPECT_EQ(Utf8ToGbk(c.Utf8), c.Gbk) << c.Utf8;
}

TEST(Encoding, WidthCountsAChineseCharacterAsTwo) {
    EXPECT_EQ(GbkWidth("ab测试"), 6);
    EXPECT_EQ(GbkWidth(""), 0);
    EXPECT_EQ(GbkWidth("a😀"), 2);
    EXPECT_EQ(PadToGbkWidth("测试", 6), "测试  ");
    EXPECT_EQ(PadToGbkWidth("", 3), "   ");
    EXPECT_EQ(PadToGbkWidth("ab测试", 4), "ab测试");  // never cut
    EXPECT_EQ(PadToGbkWidth("ab", -1), "ab");
}

// Each thread converts with converters of its own; a shared one would mix the texts.
TEST(Encoding, ThreadsConvertIndependently) {
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int i = 0; i < 4; ++i) {
        threads.emplace_back([i, &failures] {
            const std::string utf8 = std::to_string(i) + kStationUtf8 + std::to_string(i);
            const std::string gbk = std::to_string(i) + kStationGbk + std::to_string(i);
            for (int n = 0; n < 2000; ++n)
                if (Utf8ToGbk(utf8) != gbk || GbkToUtf8(gbk) != utf8) ++failures[i];
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
}

}  // namespace
