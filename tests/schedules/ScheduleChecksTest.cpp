#include "schedules/ScheduleChecks.h"

#include <gtest/gtest.h>

#include <initializer_list>

#include "schedules/ScheduleTestSupport.h"
#include "schedules/SunTimes.h"

namespace {

TDateTime At(int hour, int minute) {
    return Hm(hour, minute);
}

// An on/off pair of a loop that is no street-lamp loop.
TOnceOnOffInfo Pair(int onMode, TDateTime on, int offMode, TDateTime off) {
    return Entry(onMode, on, offMode, off);
}

// A street-lamp switch-on (with the night's switch-off) or a lamp-mode change.
TOnceOnOffInfo Lamp(int onMode, TDateTime on, int lampsMode, bool saving = false,
                    int offMode = kModeSun, TDateTime off = 0) {
    TOnceOnOffInfo entry = Pair(onMode, on, offMode, off);
    entry.LampsMode = lampsMode;
    entry.Saving = saving;
    return entry;
}

TOnOffInfo Loop(bool streetLamp, std::initializer_list<TOnceOnOffInfo> entries) {
    TOnOffInfo loop;
    loop.IsStreetLamp = streetLamp;
    int k = 1;
    for (const TOnceOnOffInfo& entry : entries) loop.Entry(k++) = entry;
    return loop;
}

// Sunset 18:30, sunrise 06:00 for every case.
class ScheduleChecks : public testing::Test {
protected:
    void SetUp() override {
        Saved_ = TodaySunTimes();
        SetTodaySunTimes({At(18, 30), At(6, 0), EncodeDate(2024, 3, 1)});
    }
    void TearDown() override { SetTodaySunTimes(Saved_); }

private:
    TSunTimes Saved_;
};

struct CheckCase {
    const char* name;
    TOnOffInfo loop;
    const char* error;  // empty when the schedule passes
    int index;
};

void ExpectCheck(const CheckCase& c, const TScheduleCheck& result) {
    EXPECT_EQ(result.Ok, *c.error == '\0') << c.name;
    EXPECT_EQ(result.ErrorText, c.error) << c.name;
    EXPECT_EQ(result.ErrorIndex, c.index) << c.name;
}

const char* const kPairIntervalFirst = "关灯时间设定错误: \r\n两次相邻的操作之间至少应间隔1分钟.";

TEST_F(ScheduleChecks, PairsInOrderAndApart) {
    const CheckCase cases[] = {
        {"unused loop", Loop(false, {}), "", 0},
        {"sunset to sunrise", Loop(false, {Pair(kModeSun, 0, kModeSun, 0)}), "", 0},
        {"relative off of 0:00",
         Loop(false, {Pair(kModeSun, 0, kModeAfterPrevious, 0)}), kPairIntervalFirst, 0},
        {"second on before the first off",
         Loop(false, {Pair(kModeSun, 0, kModeFixed, At(23, 0)),
                      Pair(kModeFixed, At(22, 0), kModeSun, 0)}),
         "时间设定错误: \r\n第2次开灯时间不应早于第1次关灯的时间.", 1},
        {"second on at the first off",
         Loop(false, {Pair(kModeSun, 0, kModeFixed, At(23, 0)),
                      Pair(kModeFixed, At(23, 0), kModeSun, 0)}),
         "第2次开灯时间设定错误: \r\n本次开灯时间距离上次关灯时间至少应有1分钟.", 1},
        {"second on one minute after the first off",
         Loop(false, {Pair(kModeSun, 0, kModeFixed, At(23, 0)),
                      Pair(kModeFixed, At(23, 1), kModeSun, 0)}),
         "", 0},
        {"relative on counts from the previous off",
         Loop(false, {Pair(kModeSun, 0, kModeFixed, At(23, 0)),
                      Pair(kModeAfterPrevious, At(0, 0), kModeSun, 0)}),
         "第2次开灯时间设定错误: \r\n本次开灯时间距离上次关灯时间至少应有1分钟.", 1},
        {"off past the next night's first on",
         Loop(false, {Pair(kModeFixed, At(19, 0), kModeFixed, At(22, 0)),
                      Pair(kModeFixed, At(23, 0), kModeAfterPrevious, At(21, 0))}),
         "时间设定错误: \r\n第2次关灯时间必须在次日第1次开灯时间之前.", 1},
        {"off at the next night's first on",
         Loop(false, {Pair(kModeFixed, At(19, 0), kModeFixed, At(22, 0)),
                      Pair(kModeFixed, At(23, 0), kModeAfterPrevious, At(20, 0))}),
         "", 0},
        {"third off at its on",
         Loop(false, {Pair(kModeSun, 0, kModeFixed, At(20, 0)),
                      Pair(kModeFixed, At(21, 0), kModeFixed, At(22, 0)),
                      Pair(kModeBeforeSunrise, At(1, 0), kModeFixed, At(5, 0))}),
         "第3次关灯时间设定错误: \r\n两次相邻的操作之间至少应间隔1分钟.", 2},
        {"time mode 7",
         Loop(false, {Pair(kModeSun, 0, kModeFixed, At(20, 0)), Pair(7, At(21, 0), kModeSun, 0)}),
         "时间模式错误.", 1},
        {"entries after the first unused one are not looked at",
         [] {
             TOnOffInfo loop = Loop(false, {Pair(kModeSun, 0, kModeSun, 0)});
             loop.Entry(3) = Pair(9, 0, 9, 0);
             return loop;
         }(),
         "", 0},
    };
    for (const auto& c : cases) ExpectCheck(c, CheckPairs(c.loop));
}

TEST_F(ScheduleChecks, StreetLampChangesAndSwitchOff) {
    const CheckCase cases[] = {
        {"unused loop", Loop(true, {}), "", 0},
        {"on, two changes, off",
         Loop(true, {Lamp(kModeSun, 0, 1), Lamp(kModeFixed, At(23, 0), 2),
                     Lamp(kModeAfterPrevious, At(1, 0), 15)}),
         "", 0},
        {"change at the switch-on minute",
         Loop(true, {Lamp(kModeFixed, At(19, 0), 1), Lamp(kModeFixed, At(19, 0), 2)}),
         "第2次变更时间设定错误: \r\n相邻的两次操作之间至少应间隔1分钟.", 1},
        {"change before the previous one",
         Loop(true, {Lamp(kModeSun, 0, 1), Lamp(kModeFixed, At(23, 0), 2),
                     Lamp(kModeFixed, At(22, 59), 3)}),
         "时间设定错误: \r\n第3次变更时间不应早于开灯或上一次变更的时间.", 2},
        {"off before the switch-on at sunset",
         Loop(true, {Lamp(kModeSun, 0, 1, false, kModeFixed, At(18, 0))}),
         "时间设定错误: \r\n关灯时间必须在开灯或上一次变更的时间之后.", 5},
        {"off before the last change",
         Loop(true, {Lamp(kModeSun, 0, 1, false, kModeFixed, At(23, 0)),
                     Lamp(kModeFixed, At(23, 30), 2)}),
         "时间设定错误: \r\n关灯时间必须在开灯或上一次变更的时间之后.", 5},
        {"relative off of 0:00 after the last change",
         Loop(true,
              {Lamp(kModeSun, 0, 1, false, kModeAfterPrevious, 0), Lamp(kModeFixed, At(23, 0), 2)}),
         kPairIntervalFirst, 5},
        // Counted from the switch-on, 0:30 would end before the change at 23:00.
        {"relative off counts from the last change",
         Loop(true, {Lamp(kModeSun, 0, 1, false, kModeAfterPrevious, At(0, 30)),
                     Lamp(kModeFixed, At(23, 0), 2)}),
         "", 0},
        {"off mode 9", Loop(true, {Lamp(kModeSun, 0, 1, false, 9, 0)}), "时间模式错误.", 5},
        {"change mode 8", Loop(true, {Lamp(kModeSun, 0, 1), Lamp(8, At(23, 0), 2)}),
         "时间模式错误.", 1},
    };
    for (const auto& c : cases) ExpectCheck(c, CheckStreetLamp(c.loop));
}

TEST_F(ScheduleChecks, DescribesLoopsInWords) {
    const struct {
        const char* name;
        TOnOffInfo loop;
        const char* text;
    } cases[] = {
        {"pairs, unused", Loop(false, {}), "不开灯. "},
        {"street lamp, unused", Loop(true, {}), "不开灯. "},
        {"pairs",
         Loop(false,
              {Pair(kModeSun, 0, kModeFixed, At(23, 0)), Pair(kModeFixed, At(5, 0), kModeSun, 0)}),
         "日落开灯, 23:00关闭. 凌晨05:00第 2 次开灯, 日出关闭. "},
        {"pairs with durations",
         Loop(false, {Pair(kModeAfterSunset, At(0, 20), kModeAfterPrevious, At(2, 15))}),
         "日落后20分钟开灯, 2小时15分 后关闭. "},
        {"street lamp with changes",
         Loop(true, {Lamp(kModeSun, 0, 1, true), Lamp(kModeFixed, At(23, 0), 2),
                     Lamp(kModeFixed, At(1, 0), 15), Lamp(kModeFixed, At(5, 0), 1)}),
         "以 '全亮(节能)' 开灯, 至23:00变更为 \"隔杆亮\" , 至凌晨01:00关灯. 凌晨05:00以 \"全亮\" "
         "重新开灯, 日出关灯."},
        {"street lamp, out twice",
         Loop(true, {Lamp(kModeSun, 0, 3, false, kModeFixed, At(5, 30)),
                     Lamp(kModeFixed, At(0, 0), 15), Lamp(kModeFixed, At(1, 0), 16, true),
                     Lamp(kModeFixed, At(2, 0), 15), Lamp(kModeFixed, At(3, 0), 2)}),
         "以 '大灯' 开灯, 至次日00:00关灯. 凌晨01:00以 \"自定义1(节能)\" 重新开灯. "
         "凌晨02:00关灯. 凌晨03:00以 \"隔杆亮\" 重新开灯, 凌晨05:30关灯."},
        {"street lamp without changes",
         Loop(true, {Lamp(kModeSun, 0, 30, true, kModeFixed, At(23, 30))}),
         "以 '自定义15(节能)' 开灯, 23:30关灯."},
        {"lamp modes outside 1-30 count as 1",
         Loop(true, {Lamp(kModeSun, 0, 0), Lamp(kModeFixed, At(23, 0), 31)}),
         "以 '全亮' 开灯, 至23:00变更为 \"全亮\" , 日出关灯."},
        {"pairs that fail their check", Loop(false, {Pair(kModeSun, 0, kModeAfterPrevious, 0)}),
         kPairIntervalFirst},
        {"street lamp that fails its check",
         Loop(true, {Lamp(kModeSun, 0, 1, false, kModeFixed, At(18, 0))}),
         "时间设定错误: \r\n关灯时间必须在开灯或上一次变更的时间之后."},
    };
    for (const auto& c : cases) EXPECT_EQ(DescribeLoop(c.loop), c.text) << c.name;
}

// The form follows the loop's kind: the same entries read as a street-lamp loop or as pairs.
TEST_F(ScheduleChecks, DescriptionFormFollowsTheLoopKind) {
    TOnOffInfo loop = Loop(true, {Lamp(kModeSun, 0, 2, false, kModeFixed, At(23, 0))});
    EXPECT_EQ(DescribeLoop(loop), "以 '隔杆亮' 开灯, 23:00关灯.");
    loop.IsStreetLamp = false;
    EXPECT_EQ(DescribeLoop(loop), "日落开灯, 23:00关闭. ");
}

}  // namespace
