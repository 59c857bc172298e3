#include "schedules/Rtu6Action.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/CheckError.h"
#include "schedules/NightAxis.h"
#include "schedules/ScheduleTestSupport.h"

namespace {

// ---- Night axis ----------------------------------------------------------------------------

struct TNightCase {
    const char* Name;
    TDateTime Input;
    TDateTime Night;  // NightTime
    int DaysBack;     // ScheduleDate is the input's date minus this
};

TEST(NightAxisTest, NightTimeAndScheduleDate) {
    const TDateTime day = EncodeDate(2014, 3, 5);
    const TNightCase cases[] = {
        {"noon becomes 36:00", day + Hm(12, 0), 1 + Hm(12, 0), 0},
        {"a minute after noon stays", day + Hm(12, 1), Hm(12, 1), 0},
        {"midnight is 24:00", day, 1.0, 1},
        {"seconds are dropped before comparing", day + EncodeTime(12, 0, 59), 1 + Hm(12, 0), 0},
        {"evening keeps its value", day + EncodeTime(19, 30, 45, 500), Hm(19, 30), 0},
        {"morning counts as the next day", day + Hm(5, 30), 1 + Hm(5, 30), 1},
        {"11:59 belongs to the night before", day + EncodeTime(11, 59, 59), 1 + Hm(11, 59), 1},
        {"23:59 is the latest evening time", day + Hm(23, 59), Hm(23, 59), 0},
    };
    for (const TNightCase& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(NightTime(c.Input), c.Night);
        EXPECT_EQ(ScheduleDate(c.Input), IncDay(day, -c.DaysBack));
    }
}

TEST(NightAxisTest, TruncToMinuteDropsDateSecondsAndMilliseconds) {
    EXPECT_EQ(TruncToMinute(EncodeDateTime(2014, 3, 5, 18, 7, 59, 999)), Hm(18, 7));
    EXPECT_EQ(TruncToMinute(EncodeDateTime(2014, 3, 5, 0, 0, 30)), 0);
}

// ---- The action record -----------------------------------------------------------------------

TEST(ActionTest, ResetActionIsSixZeroBytesAndValid) {
    TRtu6Action action;
    ASSERT_TRUE(action.LoadFromBytes(Bytes({0xB3, 0x19, 0x30, 0x12, 0x34, 0xC5})));
    action.Reset();
    EXPECT_EQ(action.Encode(), TBytes(6, '\0'));
    EXPECT_TRUE(action.IsValid());
    EXPECT_FALSE(action.IsOn());
    EXPECT_EQ(action.TimeKind(), kKindAtSunset);
    EXPECT_EQ(action.GetLoops(), 0);
}

TEST(ActionTest, FieldsOfTheSixBytes) {
    TRtu6Action action;
    ASSERT_TRUE(action.LoadFromBytes(Bytes({0xB3, 0x19, 0x30, 0x12, 0x34, 0xE5})));
    EXPECT_TRUE(action.IsOn());
    EXPECT_EQ(action.TimeKind(), kKindAfterAction);
    EXPECT_EQ(action.RefIndex(), 3);
    EXPECT_EQ(action.Hour(), 19);
    EXPECT_EQ(action.Minute(), 30);
    EXPECT_EQ(action.TimeOfDay(), Hm(19, 30));
    EXPECT_EQ(action.GetLoops(), 0x1234);  // byte 3 is loops 9-16
    EXPECT_TRUE(action.HasLampMode());
    EXPECT_TRUE(action.IsCustomBank());
    EXPECT_TRUE(action.IsSaving());
    EXPECT_EQ(action.ModeNumber(), 5);
    EXPECT_EQ(action.LampMode(), 20);
    EXPECT_EQ(action.GetByte(0), 0);
    EXPECT_EQ(action.GetByte(7), 0);
}

TEST(ActionTest, SettersTouchOnlyTheirBits) {
    TRtu6Action action;
    action.SetOn(true);
    action.SetRefIndex(17);  // stored & 15
    action.SetTimeKind(kKindBeforeSunrise);
    EXPECT_EQ(action.GetByte(1), 0xE1);
    action.SetOn(false);
    EXPECT_EQ(action.GetByte(1), 0x61);

    action.SetStandardMode(15);
    action.SetSaving(true);
    EXPECT_EQ(action.GetByte(6), 0xAF);
    action.SetStandardMode(16);  // not a standard number: the number stays
    EXPECT_EQ(action.GetByte(6), 0xAF);
    action.SetCustomMode(2);
    EXPECT_EQ(action.GetByte(6), 0xE2);
    action.ClearLampMode();  // the saving bit stays
    EXPECT_EQ(action.GetByte(6), 0x20);
    EXPECT_EQ(action.LampMode(), 1);
}

TEST(ActionTest, ShorthandSettersSetKindTimeAndReference) {
    TRtu6Action action;
    action.SetOn(true);
    action.AfterAction(4, Hm(2, 15));
    EXPECT_EQ(Hex(action.Encode()), "B4 02 15 00 00 00");
    action.AtSunrise();  // reference and time back to 0, on bit kept
    EXPECT_EQ(Hex(action.Encode()), "90 00 00 00 00 00");
    action.BeforeSunset(EncodeDateTime(2014, 3, 5, 1, 5, 40));  // date and seconds ignored
    EXPECT_EQ(Hex(action.Encode()), "C0 01 05 00 00 00");
}

struct TLoadCase {
    const char* Name;
    TBytes Input;
    bool Ok;
};

TEST(ActionTest, LoadFromBytesRefusesWhatIsNoActionAndResets) {
    const TLoadCase cases[] = {
        {"six valid bytes", Bytes({0xA0, 0x23, 0x59, 0x80, 0x01, 0x82}), true},
        {"five bytes", Bytes({0xA0, 0x23, 0x59, 0x80, 0x01}), false},
        {"seven bytes", Bytes({0xA0, 0x23, 0x59, 0x80, 0x01, 0x82, 0x00}), false},
        {"hour 24", Bytes({0xA0, 0x24, 0x00, 0x00, 0x01, 0x00}), false},
        {"hour byte not BCD", Bytes({0xA0, 0xA5, 0x00, 0x00, 0x01, 0x00}), false},
        {"minute 60", Bytes({0xA0, 0x12, 0x60, 0x00, 0x01, 0x00}), false},
        // Only a letter nibble above a digit makes a byte non-BCD; 0x1A decodes as 0.
        {"hour byte 1A reads as hour 0", Bytes({0xA0, 0x1A, 0x00, 0x00, 0x01, 0x00}), true},
    };
    for (const TLoadCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRtu6Action action;
        action.SetLoops(0xFFFF);
        EXPECT_EQ(action.LoadFromBytes(c.Input), c.Ok);
        EXPECT_EQ(action.Encode(), c.Ok ? c.Input : TBytes(6, '\0'));
    }
}

TEST(ActionTest, BadHourBytesReadAs25AndBadMinuteBytesAs0) {
    TRtu6Action action;
    ASSERT_TRUE(action.LoadFromBytes(Bytes({0x20, 0x1A, 0x5A, 0, 0, 0})));
    EXPECT_EQ(action.Hour(), 0);
    EXPECT_EQ(action.Minute(), 0);
    ASSERT_FALSE(action.LoadFromBytes(Bytes({0x20, 0xB0, 0x00, 0, 0, 0})));
    EXPECT_EQ(action.Hour(), 0);  // reset
}

TEST(ActionTest, SameAsAndAssignToCompareAndCopyAllSixBytes) {
    TRtu6Action a, b;
    ASSERT_TRUE(a.LoadFromBytes(Bytes({0xA0, 0x19, 0x05, 0x00, 0x03, 0x81})));
    ASSERT_TRUE(b.LoadFromBytes(Bytes({0xA0, 0x19, 0x05, 0x00, 0x03, 0xA1})));
    EXPECT_FALSE(a.SameAs(b));
    a.AssignTo(b);
    EXPECT_TRUE(a.SameAs(b));
    TIDataObj other;
    EXPECT_FALSE(a.SameAs(other));
    a.AssignTo(other);  // nothing to copy into
}

// ---- Making actions from entries -------------------------------------------------------------

struct TMakeCase {
    const char* Name;
    int Mode;
    int Ref;
    const char* On;   // bytes of MakeOn with lamp mode, or nullptr when it fails
    const char* Off;  // bytes of MakeOff, or nullptr when it fails
};

TEST(MakeActionTest, TimeModesMapToKinds) {
    const TMakeCase cases[] = {
        {"mode 0: sunset / sunrise", 0, -1, "80 00 00 00 04 82", "10 00 00 00 04 00"},
        {"mode 1: fixed", 1, -1, "A0 01 30 00 04 82", "20 01 30 00 04 00"},
        {"mode 2 without previous action", 2, -1, nullptr, nullptr},
        {"mode 2 after action 3", 2, 3, "B3 01 30 00 04 82", "33 01 30 00 04 00"},
        {"mode 3: before sunset", 3, -1, "C0 01 30 00 04 82", "40 01 30 00 04 00"},
        {"mode 4: after sunset", 4, 7, "D0 01 30 00 04 82", "50 01 30 00 04 00"},
        {"mode 5: before sunrise", 5, -1, "E0 01 30 00 04 82", "60 01 30 00 04 00"},
        {"mode 6: after sunrise", 6, -1, "F0 01 30 00 04 82", "70 01 30 00 04 00"},
        {"mode 7", 7, 1, nullptr, nullptr},
        {"mode -1", -1, 1, nullptr, nullptr},
    };
    for (const TMakeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TOnceOnOffInfo entry = Entry(c.Mode, Hm(1, 30), c.Mode, Hm(1, 30), 2);
        TRtu6Action on, off;
        EXPECT_EQ(on.MakeOn(entry, 3, true, c.Ref), c.On != nullptr);
        EXPECT_EQ(off.MakeOff(entry, 3, c.Ref), c.Off != nullptr);
        if (c.On) {
            EXPECT_EQ(Hex(on.Encode()), c.On);
        }
        if (c.Off) {
            EXPECT_EQ(Hex(off.Encode()), c.Off);
        }
    }
}

TEST(MakeActionTest, LoopNumberBecomesOneBit) {
    const TOnceOnOffInfo entry = Entry(0, 0, 0, 0, 1);
    TRtu6Action action;
    ASSERT_TRUE(action.MakeOn(entry, 16, false, -1));
    EXPECT_EQ(Hex(action.Encode().substr(3, 2)), "80 00");
    ASSERT_TRUE(action.MakeOff(entry, 1, -1));
    EXPECT_EQ(Hex(action.Encode().substr(3, 2)), "00 01");
    for (int loop : {0, 17, -1, 40}) {
        SCOPED_TRACE(loop);
        EXPECT_FALSE(action.MakeOn(entry, loop, false, -1));
        EXPECT_FALSE(action.MakeOff(entry, loop, -1));
    }
}

struct TLampCase {
    int Mode;
    bool Saving;
    int LampByte;
};

TEST(MakeActionTest, LampModesGoToTheirBank) {
    const TLampCase cases[] = {
        {1, false, 0x81},  {2, true, 0xA2},   {15, false, 0x8F}, {15, true, 0xAF},
        {16, false, 0xC1}, {30, false, 0xCF}, {30, true, 0xEF},
    };
    for (const TLampCase& c : cases) {
        SCOPED_TRACE(c.Mode);
        TRtu6Action action;
        ASSERT_TRUE(action.MakeOn(Entry(0, 0, 0, 0, c.Mode, c.Saving), 1, true, -1));
        EXPECT_EQ(action.GetByte(6), c.LampByte);
        EXPECT_EQ(action.LampMode(), c.Mode);
        ASSERT_TRUE(action.MakeOn(Entry(0, 0, 0, 0, c.Mode, c.Saving), 1, false, -1));
        EXPECT_EQ(action.GetByte(6), 0) << "without lamp mode";
        ASSERT_TRUE(action.MakeOff(Entry(0, 0, 0, 0, c.Mode, c.Saving), 1, -1));
        EXPECT_EQ(action.GetByte(6), 0) << "a switch-off carries no lamp mode";
    }
}

TEST(MakeActionTest, LampModeOutsideTheListRaisesTheGeneralError) {
    for (int mode : {0, 31, -2}) {
        SCOPED_TRACE(mode);
        TRtu6Action action;
        try {
            action.MakeOn(Entry(0, 0, 0, 0, mode), 1, true, -1);
            ADD_FAILURE() << "no error";
        } catch (const TCheckError& error) {
            EXPECT_STREQ(error.what(), "发生了意外的情况, 建议您稍后再试一次.");
        }
        EXPECT_TRUE(action.MakeOn(Entry(0, 0, 0, 0, mode), 1, false, -1)) << "not looked at";
    }
}

// ---- Lamp-mode names -------------------------------------------------------------------------

TEST(LampsModeNamesTest, NamesByModeNumber) {
    const std::pair<int, const char*> cases[] = {
        {1, "全亮"},        {2, "隔杆亮"},      {3, "大灯"},      {4, "交叉亮"},
        {5, "大灯隔杆"},    {6, "隔杆交叉"},    {7, "小灯"},      {8, "小灯隔杆亮"},
        {9, "隔两杆亮"},    {10, "隔杆亮1"},    {11, "隔杆亮2"},  {12, "大灯隔两杆"},
        {13, "隔杆灭小灯"}, {14, "小灯隔两杆"}, {15, "全灭"},     {16, "自定义1"},
        {24, "自定义9"},    {25, "自定义10"},   {30, "自定义15"},
    };
    for (const auto& [mode, name] : cases) EXPECT_EQ(LampsModeNames.at(mode), name) << mode;
    for (int mode = 16; mode <= 30; ++mode)
        EXPECT_EQ(LampsModeNames.at(mode), "自定义" + std::to_string(mode - 15));
}

// ---- Effective times -------------------------------------------------------------------------

class EffectiveTimeTest : public ::testing::Test {
protected:
    TScopedSunTimes Sun_{Hm(18, 10), Hm(6, 20)};
};

struct TEffectiveCase {
    const char* Name;
    int Mode;
    TDateTime Time;
    TDateTime On;   // OnTimeOf entry 2 after a switch-off at 22:00
    TDateTime Off;  // OffTimeOf entry 2 after a switch-on at 23:00
};

TEST_F(EffectiveTimeTest, ModesOnTheNightAxis) {
    const TEffectiveCase cases[] = {
        {"mode 0", 0, Hm(3, 0), Hm(18, 10), 1 + Hm(6, 20)},
        {"mode 1 evening", 1, Hm(20, 15), Hm(20, 15), Hm(20, 15)},
        {"mode 1 morning", 1, Hm(5, 45), 1 + Hm(5, 45), 1 + Hm(5, 45)},
        {"mode 1 noon", 1, Hm(12, 0), 1 + Hm(12, 0), 1 + Hm(12, 0)},
        {"mode 2", 2, Hm(1, 30), Hm(23, 30), 1 + Hm(0, 30)},
        {"mode 3", 3, Hm(0, 40), Hm(17, 30), Hm(17, 30)},
        {"mode 4", 4, Hm(2, 0), Hm(20, 10), Hm(20, 10)},
        {"mode 5", 5, Hm(1, 0), 1 + Hm(5, 20), 1 + Hm(5, 20)},
        {"mode 6", 6, Hm(0, 5), 1 + Hm(6, 25), 1 + Hm(6, 25)},
    };
    for (const TEffectiveCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TOnOffInfo loop;
        loop.Entry(1) = Entry(1, Hm(19, 0), 1, Hm(22, 0));
        loop.Entry(2) = Entry(c.Mode, c.Time + EncodeTime(0, 0, 30), c.Mode, c.Time);
        EXPECT_EQ(OnTimeOf(loop, 2, Hm(22, 0)), c.On);
        EXPECT_EQ(OffTimeOf(loop, 2, Hm(23, 0)), c.Off);
    }
}

TEST_F(EffectiveTimeTest, FirstSwitchOnAfterThePreviousCountsAsSunset) {
    TOnOffInfo loop;
    loop.Entry(1) = Entry(2, Hm(1, 0), 2, Hm(1, 0));
    EXPECT_EQ(OnTimeOf(loop, 1, 0), Hm(18, 10));
    EXPECT_EQ(OffTimeOf(loop, 1, Hm(18, 10)), Hm(19, 10)) << "the switch-off stays relative";
}

TEST_F(EffectiveTimeTest, UnusedEntriesAndPositionsGiveZero) {
    TOnOffInfo loop;
    loop.Entry(2) = Entry(1, Hm(19, 0), 1, Hm(22, 0));
    EXPECT_EQ(OnTimeOf(loop, 2, 0), 0) << "entry 1 unused";
    loop.Entry(1) = loop.Entry(2);
    loop.Entry(3).OnTimeMode = 9;  // not used, so not looked at
    EXPECT_EQ(OnTimeOf(loop, 3, 0), 0);
    EXPECT_EQ(OffTimeOf(loop, 3, 0), 0);
    EXPECT_EQ(OnTimeOf(loop, 0, 0), 0);
    EXPECT_EQ(OnTimeOf(loop, 7, 0), 0);
}

TEST_F(EffectiveTimeTest, ModeOutsideTheRangeRaisesTimeModeError) {
    TOnOffInfo loop;
    loop.Entry(1) = Entry(7, 0, 1, Hm(22, 0));
    EXPECT_THROW(
        {
            try {
                OnTimeOf(loop, 1, 0);
            } catch (const TCheckError& error) {
                EXPECT_STREQ(error.what(), "时间模式错误.");
                throw;
            }
        },
        TCheckError);
    loop.Entry(1) = Entry(1, Hm(19, 0), -1, Hm(22, 0));
    EXPECT_THROW(OffTimeOf(loop, 1, Hm(19, 0)), TCheckError);
}

// ---- Texts -----------------------------------------------------------------------------------

TEST(TimeTextTest, DurationText) {
    const std::pair<TDateTime, const char*> cases[] = {
        {Hm(0, 45), "45分钟"},    {Hm(0, 5), "5分钟"}, {Hm(0, 0), "0分钟"},
        {Hm(1, 30), "1小时30分"}, {Hm(2, 0), "2小时"}, {Hm(12, 5), "12小时5分"},
    };
    for (const auto& [t, text] : cases) EXPECT_EQ(DurationText(t), text) << text;
}

TEST(TimeTextTest, DayPartPrefix) {
    const std::pair<TDateTime, const char*> cases[] = {
        {Hm(0, 0), "次日"},
        {Hm(0, 1), "凌晨"},
        {Hm(7, 59), "凌晨"},
        {EncodeTime(7, 59, 59), "凌晨"},
        {Hm(8, 0), "次日"},
        {Hm(11, 59), "次日"},
        {Hm(12, 0), ""},
        {Hm(23, 59), ""},
        {EncodeDate(2014, 3, 5) + Hm(1, 0), "凌晨"},
    };
    for (const auto& [t, text] : cases) EXPECT_EQ(DayPartPrefix(t), text) << TimeToText(t);
}

struct TDescribeCase {
    int Mode;
    TDateTime Time;
    const char* Time_;  // DescribeTime
    const char* On;
    const char* Off;
};

TEST(TimeTextTest, DescriptionsOfOneTimeSetting) {
    const TDescribeCase cases[] = {
        {0, Hm(3, 0), "日落/日出", "日落", "日出"},
        {1, Hm(19, 5), "19:05", "19:05", "19:05"},
        {1, Hm(1, 30), "凌晨01:30", "凌晨01:30", "凌晨01:30"},
        {1, Hm(9, 0), "次日09:00", "次日09:00", "次日09:00"},
        {1, Hm(0, 0), "次日00:00", "次日00:00", "次日00:00"},
        {2, Hm(2, 15), "2小时15分 后", "2小时15分 后", "2小时15分 后"},
        {3, Hm(0, 20), "日落前20分钟", "日落前20分钟", "日落前20分钟"},
        {4, Hm(1, 0), "日落后1小时", "日落后1小时", "日落后1小时"},
        {5, Hm(0, 30), "日出前30分钟", "日出前30分钟", "日出前30分钟"},
        {6, Hm(1, 10), "日出后1小时10分", "日出后1小时10分", "日出后1小时10分"},
        {7, Hm(1, 10), "", "", ""},
    };
    for (const TDescribeCase& c : cases) {
        SCOPED_TRACE(c.Time_);
        EXPECT_EQ(DescribeTime(c.Mode, c.Time), c.Time_);
        EXPECT_EQ(DescribeOn(c.Mode, c.Time), c.On);
        EXPECT_EQ(DescribeOff(c.Mode, c.Time), c.Off);
    }
}

}  // namespace
