// Every readable item: the simulator's reply, read by the PC's reply entry, gives the values
// of the simulator's state. Also the split of long replies into packets.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "SimFixture.h"
#include "protocol/Catalogue.h"
#include "protocol/Frame.h"
#include "protocol/Rtu6Parameters.h"
#include "schedules/ActionTables.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"
#include "sim/SimSchedule.h"
#include "sim/StatusGenerator.h"
#include "status/Rtu6Status.h"
#include "support/ControllerFrames.h"

using namespace sim_test;
using testing_frames::Hex;

namespace {

TRtu6Parameters& P() {
    return CurrentParameters();
}

// Loop 2 on at 19:00 and off at 23:30, fixed times.
const std::string kEvening = "A0 19 00 00 02 00 20 23 30 00 02 00";

// A state in which every value differs from what a fresh PC record holds.
void FillState(TSimState& s) {
    s.Plans[kWeekend] = Hex("02 " + kEvening);
    s.Plans[kTemporary] = Hex("02 20 25 03 05 20 25 03 07 " + kEvening);
    s.Plans[kTempOnOff] = Hex("01 20 25 03 06 A0 20 00 00 02 00");
    s.ClockOffsetSeconds = 95;
    s.PerformMode = 4;
    s.WeekendDays = 0x41;  // Monday and Sunday
    s.Holidays = Hex("01 01 05 01 10 01 00");
    s.StdOnCorrection = -7;
    s.StdOffCorrection = 12;
    s.SomeDaysStdOn = Hex("03 05 20 18 30");
    s.Longitude = -102.5;
    s.Latitude = 31.25;
    s.TimeZone = -5.5;
    s.OnHourAngle = 0.12;
    s.OffHourAngle = -0.05;
    s.LoopsInUse = 0x00FF;
    s.LcuLoops = 0x0011;
    s.CurrentInUse = 0x007F;
    s.ICurrentP = 35;
    s.LightControl = 0x8A;
    s.CenterPhoneNumber = "13912345678";
    s.CenterAddress = 9;
    s.RouteAddressMap = Hex("03 07 0B");
    s.CommDevice = 1;
    s.AutoSaveInterval = 3;
    s.WarningMode = 1;
    s.WarningType = 0x1234;
    s.WarningParameters = Hex("31 D2 6E E5");
    s.RestartPowerFlag = 0x12;
    s.Alarms = {{EncodeDateTime(2025, 3, 4, 19, 45, 0), 0x05},
                {EncodeDateTime(2025, 3, 5, 6, 10, 0), 0x80}};
    s.WattMeterCommand = Hex("02 03 11 22 33 44 55 66");
    s.WattMetersInUse = 2;
    s.StandardMasks = Hex("01 FF FF FF FF 02 AA AA AA AA");
    s.CustomMasks = Hex("01 0F 0F 0F 0F");
    s.KeepLcuStatusFlag = 1;
    s.PoleCountInUse = 40;
    s.MaskBitsForAPole = 3;
    s.LampsMaskLength = 12;
    s.LcuPhaseTable = Hex("80 40");
    s.GuardAddressTable = Hex("01 02 FF");
    s.OkLampTable = Hex("81 80");
    s.GuardMessages = Hex("01 02 03 04 05 06 07 08 09 0A");
    s.LampStates = {{5, 0x03}, {7, 0x01}, {200, 0x00}};
    s.LampFaults = {{1, 0x0A}, {2, 0x05}, {9, 0x01}};
    s.VersionInfo = "版本 6.2 sim";
    s.LastStartTime = EncodeDateTime(2025, 3, 3, 8, 15, 30);
}

using TCheck = std::function<void(const TSimState&, TDateTime controllerNow)>;

struct TRead {
    std::string Name;
    int Item;
    TBytes Request;
    TCheck Check;
};

const TRtu6ActionTable& Plan(int slot) {
    return CurrentTimeTable().List(slot);
}
TBytes ListOf(const TSimState& s, int slot) {
    return s.Plans[slot].substr(1);
}

std::vector<TRead> Reads() {
    return {
        {"AllPlans",
         49,
         {},
         [](const TSimState& s, TDateTime) {
             for (int k = 0; k < kPlanSlots; ++k) EXPECT_EQ(Plan(k).Encode(), ListOf(s, k)) << k;
         }},
        {"FixedTimer",
         50,
         {},
         [](const TSimState& s, TDateTime) {
             for (int k = 0; k < 4; ++k) EXPECT_EQ(Plan(k).Encode(), ListOf(s, k)) << k;
         }},
        {"TempTimer",
         51,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(Plan(kTempOnOff).Encode(), ListOf(s, kTempOnOff));
             EXPECT_EQ(Plan(kTempOnOff).StartDate, EncodeDate(2025, 3, 6));
         }},
        {"Ordinary",
         52,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(Plan(0).Encode(), ListOf(s, 0)); }},
        {"Weekend",
         53,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(Plan(1).Encode(), ListOf(s, 1)); }},
        {"Holiday",
         54,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(Plan(2).Encode(), ListOf(s, 2)); }},
        {"Temporary",
         55,
         {},
         [](const TSimState&, TDateTime) {
             EXPECT_EQ(Plan(3).StartDate, EncodeDate(2025, 3, 5));
             EXPECT_EQ(Plan(3).Days, 3);
             EXPECT_EQ(Plan(3).Count(), 2);
         }},
        {"StdOnCorrection",
         56,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(CurrentPlanStatus().StdOnCorrection, s.StdOnCorrection);
         }},
        {"StdOffCorrection",
         57,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(CurrentPlanStatus().StdOffCorrection, s.StdOffCorrection);
         }},
        {"PlanStatus",
         58,
         {},
         [](const TSimState& s, TDateTime now) {
             const TRtu6ThemesCRC& st = CurrentPlanStatus();
             EXPECT_EQ(DateTimeToText(st.RtuClock), DateTimeToText(now));
             EXPECT_EQ(st.RtuWeek, IsoDayOfWeek(now));
             EXPECT_EQ(st.CurrentThemeId, 3);  // the temporary plan covers today
             EXPECT_EQ(st.PerformMode, 3);
             EXPECT_EQ(st.WeekendDays, s.WeekendDays);
             for (int k = 0; k < kPlanSlots; ++k) {
                 EXPECT_EQ(st.Plans[k].Code, Crc16(ListOf(s, k))) << k;
                 EXPECT_EQ(st.Plans[k].Length, ByteAt(s.Plans[k], 0)) << k;
             }
             EXPECT_EQ(st.StdOnCorrection, s.StdOnCorrection);
             EXPECT_EQ(st.StdOffCorrection, s.StdOffCorrection);
         }},
        {"WorkTable",
         59,
         {},
         [](const TSimState& s, TDateTime now) {
             const TSimSchedule schedule(s, now);
             ASSERT_EQ(CurrentWorkTable().Count(), 2);
             EXPECT_EQ(CurrentWorkTable().Get(1)->TimeOfDay(), EncodeTime(19, 0, 0));
             EXPECT_EQ(CurrentWorkTable().Get(1)->GetLoops(), 0x0002);
             EXPECT_EQ(CurrentWorkTable().Get(2)->GetLoops(), 0x0000);
         }},
        {"PerformMode",
         65,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(CurrentPlanStatus().PerformMode, s.PerformMode - 1);
         }},
        {"WeekendDays",
         66,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(CurrentPlanStatus().WeekendDays, s.WeekendDays);
         }},
        {"Holidays",
         67,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().Holidays.Encode(), s.Holidays); }},
        {"CurrentPlan",
         70,
         {},
         [](const TSimState&, TDateTime) { EXPECT_EQ(CurrentPlanStatus().CurrentThemeId, 3); }},
        {"LampStatesAll", 71, Hex("01 00"),
         [](const TSimState&, TDateTime) {
             EXPECT_EQ(P().LcuStatus.LampStatus(5), 0x03);
             EXPECT_EQ(P().LcuStatus.LampStatus(7), 0x01);
             EXPECT_EQ(P().LcuStatus.LampStatus(200), 0x00);
             EXPECT_EQ(P().LcuStatus.LampStatus(6), TRtu6LCUStatus::kNoData);
         }},
        {"LampStatesListed", 71, Hex("02 07 09"),
         [](const TSimState&, TDateTime) { EXPECT_EQ(P().LcuStatus.Encode(), Hex("01 07 01")); }},
        {"PhaseTable",
         72,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().LcuPhaseTable.Encode(), s.LcuPhaseTable);
             EXPECT_EQ(P().LcuPhaseTable.Phase(1), 2);
         }},
        {"GuardAddresses",
         73,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().GuardAddressTable.Encode(), s.GuardAddressTable);
         }},
        {"ActiveLamps",
         80,
         {},
         [](const TSimState&, TDateTime) {
             EXPECT_TRUE(P().OkLampAddressTable.Contains(1));
             EXPECT_TRUE(P().OkLampAddressTable.Contains(9));
             EXPECT_FALSE(P().OkLampAddressTable.Contains(2));
         }},
        {"SomeDaysStdOn", 81, "03-05",
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().SomeDaysStdOn.Encode(), s.SomeDaysStdOn);
         }},
        {"Clock",
         82,
         {},
         [](const TSimState&, TDateTime now) {
             EXPECT_EQ(DateTimeToText(CurrentPlanStatus().RtuClock), DateTimeToText(now));
             EXPECT_EQ(CurrentPlanStatus().RtuWeek, 3);
         }},
        {"LampFaults",
         83,
         {},
         [](const TSimState&, TDateTime) {
             EXPECT_EQ(P().TimeOutLampAddressTable.Fault(1), 0x0A);
             EXPECT_EQ(P().TimeOutLampAddressTable.Fault(2), 0x05);
             EXPECT_EQ(P().TimeOutLampAddressTable.Fault(9), 0x01);
             EXPECT_EQ(P().TimeOutLampAddressTable.Fault(3), 0);
         }},
        {"LightControl",
         97,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().LightControl, s.LightControl); }},
        {"CenterPhone",
         98,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().CenterPhoneNumber, s.CenterPhoneNumber);
         }},
        {"Alarms", 114, Hex("40"),
         [](const TSimState& s, TDateTime) {
             const TRtu6Status& st = CurrentStatus();
             ASSERT_EQ(st.AlarmCount(), 2);
             EXPECT_EQ(st.Alarm(1)->Kinds, 0x05);
             EXPECT_EQ(st.Alarm(1)->Time, s.Alarms[0].Time);
             EXPECT_EQ(st.Alarm(2)->Time, s.Alarms[1].Time);
         }},
        {"LatestAlarm", 114, Hex("01"),
         [](const TSimState&, TDateTime) {
             ASSERT_EQ(CurrentStatus().AlarmCount(), 1);
             EXPECT_EQ(CurrentStatus().Alarm(1)->Kinds, 0x80);
         }},
        {"GuardMessages",
         117,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().GuardMessages.Encode(), s.GuardMessages);
         }},
        {"Options",
         118,
         {},
         [](const TSimState& s, TDateTime now) {
             EXPECT_EQ(CurrentPlanStatus().PerformMode, 3);
             EXPECT_EQ(CurrentPlanStatus().WeekendDays, s.WeekendDays);
             EXPECT_EQ(DateTimeToText(CurrentPlanStatus().RtuClock), DateTimeToText(now));
             EXPECT_DOUBLE_EQ(P().Longitude, s.Longitude);
             EXPECT_DOUBLE_EQ(P().Latitude, s.Latitude);
             EXPECT_DOUBLE_EQ(P().TimeZone, s.TimeZone);
             EXPECT_EQ(CurrentPlanStatus().StdOnCorrection, s.StdOnCorrection);
             EXPECT_EQ(CurrentPlanStatus().StdOffCorrection, s.StdOffCorrection);
             EXPECT_EQ(P().SomeDaysStdOn.Encode(), s.SomeDaysStdOn);
             EXPECT_EQ(P().Holidays.Encode(), s.Holidays);
         }},
        {"AdvancedOptions",
         119,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().LoopsInUse, s.LoopsInUse);
             EXPECT_EQ(P().LcuLoops, s.LcuLoops);
             EXPECT_EQ(P().KeepLcuStatusFlag, s.KeepLcuStatusFlag);
             EXPECT_EQ(P().AutoSaveInterval, s.AutoSaveInterval);
             EXPECT_EQ(P().WarningMode, s.WarningMode);
             EXPECT_EQ(P().LightControl, s.LightControl);
             EXPECT_EQ(P().WarningParameters.Encode(), s.WarningParameters);
             EXPECT_EQ(P().RestartPowerFlag.Encode()[0], static_cast<char>(s.RestartPowerFlag));
             EXPECT_EQ(P().CenterPhoneNumber, s.CenterPhoneNumber);
             EXPECT_EQ(P().CenterAddress, s.CenterAddress);
             EXPECT_EQ(P().RouteAddressMap, s.RouteAddressMap);
         }},
        {"Version",
         144,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().VersionInfo, s.VersionInfo); }},
        {"LastStart",
         152,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().LastStartTime, s.LastStartTime); }},
        {"Address",
         160,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().RtuAddress, s.Address); }},
        {"CenterAddress",
         161,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().CenterAddress, s.CenterAddress); }},
        {"RouteMap",
         162,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().RouteAddressMap, s.RouteAddressMap); }},
        {"CommDevice",
         163,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().CommFormat, s.CommDevice); }},
        {"WarningMode",
         164,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().WarningMode, s.WarningMode); }},
        {"WarningType",
         165,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().WarningType, s.WarningType); }},
        {"LoopsInUse",
         166,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().LoopsInUse, s.LoopsInUse); }},
        {"LcuLoops",
         167,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().LcuLoops, s.LcuLoops); }},
        {"Longitude",
         168,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_DOUBLE_EQ(P().Longitude, s.Longitude); }},
        {"Latitude",
         169,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_DOUBLE_EQ(P().Latitude, s.Latitude); }},
        {"MeterCommand",
         170,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().WattMeterCommand, s.WattMeterCommand);
         }},
        {"KeepLcuStatus",
         171,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().KeepLcuStatusFlag, s.KeepLcuStatusFlag);
         }},
        {"PoleCount",
         172,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().PoleCountInUse, s.PoleCountInUse); }},
        {"MaskBits",
         173,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().MaskBitsForAPole, s.MaskBitsForAPole);
         }},
        {"MaskLength",
         174,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().LampsMaskLength, s.LampsMaskLength); }},
        {"OnHourAngle",
         175,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_DOUBLE_EQ(P().OnHourAngle, s.OnHourAngle); }},
        {"OffHourAngle",
         176,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_DOUBLE_EQ(P().OffHourAngle, s.OffHourAngle); }},
        {"MetersInUse",
         177,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().WattMetersInUse, s.WattMetersInUse); }},
        {"TimeZone",
         180,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_DOUBLE_EQ(P().TimeZone, s.TimeZone); }},
        {"AutoSave",
         182,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().AutoSaveInterval, s.AutoSaveInterval);
         }},
        {"WarningParameters",
         183,
         {},
         [](const TSimState& s, TDateTime) {
             EXPECT_EQ(P().WarningParameters.Encode(), s.WarningParameters);
         }},
        {"RestartPower",
         184,
         {},
         [](const TSimState&, TDateTime) {
             EXPECT_EQ(P().RestartPowerFlag.RestartLoop(), 5);
             EXPECT_EQ(P().RestartPowerFlag.RestartMode(), TRtu6RestartPowerFlag::kAutomatic);
         }},
        {"CurrentInUse",
         186,
         {},
         [](const TSimState& s, TDateTime) { EXPECT_EQ(P().CurrentInUse, s.CurrentInUse); }},
        {"CurrentChangeRate", 187, {}, [](const TSimState&, TDateTime) {}},
    };
}

class ReadReplies : public SimFixture {
protected:
    ReadReplies() { FillState(State_); }
};

TEST_P(ReadReplies, EveryReadableItemGivesTheStatesValues) {
    for (const TRead& read : Reads()) {
        SCOPED_TRACE(read.Name);
        ClearCurrentData();
        ASSERT_TRUE(Read(read.Item, read.Request));
        read.Check(State_, ControllerNow());
    }
}

TEST_P(ReadReplies, LampModeMasksReachTheStation) {
    ASSERT_TRUE(Read(Item::FixedLampsModes));
    ASSERT_TRUE(Read(Item::CustomLampsModes));
    const TLampsMask& masks = Pc_.Station().LampsMask();
    EXPECT_EQ(masks.Mask(1), Hex("FF FF FF FF"));
    EXPECT_EQ(masks.Mask(2), Hex("AA AA AA AA"));
    EXPECT_EQ(masks.Mask(16), Hex("0F 0F 0F 0F"));
}

// The flag items hold nothing to read: a controller does not answer.
TEST_P(ReadReplies, FlagItemsAreNotAnswered) {
    for (int item : {Item::ResetFlag, Item::ClearFlag, Item::StopFlag, Item::RestartPowerData})
        EXPECT_TRUE(ReplyTo(Session().BuildReadFrame(item, {})).empty()) << item;
}

TEST_P(ReadReplies, RequestsForAnotherControllerOrWithABadCrcAreNotAnswered) {
    TBytes request = Session().BuildReadFrame(Item::RtuClock, {});
    ASSERT_FALSE(ReplyTo(request).empty());
    State_.Address = 6;
    EXPECT_TRUE(ReplyTo(request).empty());
    State_.Address = kAddress;
    request.back() = static_cast<char>(request.back() ^ 1);
    EXPECT_TRUE(ReplyTo(request).empty());
}

// The status items: what the PC decodes is what the generator made of the state at that time.
TEST_P(ReadReplies, LoopStatusShowsTheLoopsThePlanSwitchedOn) {
    ASSERT_TRUE(Read(Item::LoopStatus));
    const TRtu6Status& st = CurrentStatus();
    // 21:01 on the temporary plan's first day: loop 2 is on.
    EXPECT_EQ(st.OutputState(), 0x0002);
    EXPECT_EQ(st.InputState(), 0x0002);
    EXPECT_NEAR(st.VoltageA(), 220, 3);
    EXPECT_NEAR(st.VoltageC(), 220, 3);
    for (int k = 1; k <= 24; ++k) EXPECT_EQ(st.Current(k) > 0, k >= 4 && k <= 6) << k;
    EXPECT_NEAR(st.Current(4), 2.2, 0.1);  // loop 2, phase A
    EXPECT_EQ(st.LightLevel(), 25);        // light meter in use, after dark
    EXPECT_EQ(st.LcuStatusBytes(), Hex("02 03 00 00"));
    EXPECT_TRUE(Read(Item::TimerReport));
}

TEST_P(ReadReplies, MeterReadingsGrowWithTime) {
    ASSERT_TRUE(Read(Item::Energy));
    const double first = CurrentStatus().Energy(1);
    const TStatusGenerator status(State_, ControllerNow());
    EXPECT_EQ(CurrentStatus().MeterCount(), 2);
    EXPECT_NEAR(first, status.MeterReading(1), 0.006);
    EXPECT_NEAR(CurrentStatus().Energy(2), status.MeterReading(2), 0.006);
    State_.ClockOffsetSeconds += 3600;
    ASSERT_TRUE(Read(Item::Energy));
    EXPECT_NEAR(CurrentStatus().Energy(1) - first, 2.0, 0.01);
}

TEST_P(ReadReplies, ThreeMetersAnswerInTheOtherLayout) {
    State_.WattMetersInUse = 3;
    State_.MeterBase = {10, 20, 30};
    ASSERT_TRUE(Read(Item::Energy));
    const TStatusGenerator status(State_, ControllerNow());
    ASSERT_EQ(CurrentStatus().MeterCount(), 3);
    for (int k = 1; k <= 3; ++k)
        EXPECT_NEAR(CurrentStatus().Energy(k), status.MeterReading(k), 0.006) << k;
}

TEST_P(ReadReplies, HistoryEndsAtTheRequestedMoment) {
    // Ten records up to 05 March 20:00.
    ASSERT_TRUE(Read(Item::History, Hex("03 05 20 00 0A")));
    const TRtu6StatusList& history = CurrentStatus().History;
    ASSERT_EQ(history.Count(), 10);
    EXPECT_EQ(history.Get(10).Time, EncodeDateTime(2025, 3, 5, 20, 0, 0));
    EXPECT_EQ(history.Get(1).Time, EncodeDateTime(2025, 3, 5, 17, 45, 0));
    EXPECT_NEAR(history.Get(10).Voltage[0], 220, 3);
    EXPECT_GT(history.Get(10).Current[0], 0);  // loop 2 on
    EXPECT_EQ(history.Get(1).Current[0], 0);   // before 19:00 nothing is on
    ASSERT_TRUE(Read(Item::History, Hex("00 00 00 00 03")));
    EXPECT_EQ(CurrentStatus().History.Count(), 3);
}

// Long replies go in packets of the link's size; the PC joins them.
TEST_P(ReadReplies, LongRepliesAreSplitIntoPacketsThePcJoins) {
    std::string actions;
    for (int loop = 1; loop <= 7; ++loop) {
        const TBytes loops(1, static_cast<char>(1 << (loop - 1)));
        actions += Hex("A0 18 0" + std::to_string(loop) + " 00") + loops + TBytes(1, '\0');
        actions += Hex("20 23 0" + std::to_string(loop) + " 00") + loops + TBytes(1, '\0');
    }
    for (int slot : {kOrdinary, kWeekend, kHoliday}) State_.Plans[slot] = TBytes(1, 14) + actions;
    const std::vector<TBytes> replies = ReplyTo(Session().BuildReadFrame(Item::AllPlans, {}));
    const size_t size = static_cast<size_t>(Frame::PacketDataSize(Stamped()));
    const size_t total = 5 + 3 * actions.size() + 8 + 6 * 2 + 4 + 6;
    ASSERT_EQ(replies.size(), (total + size - 1) / size);
    for (size_t i = 0; i < replies.size(); ++i) {
        int n = 0, k = 0;
        ASSERT_TRUE(Session().GetPacketNumbers(replies[i], n, k));
        EXPECT_EQ(n, static_cast<int>(replies.size()));
        EXPECT_EQ(k, static_cast<int>(i) + 1);
        EXPECT_TRUE(Session().ParseReply(replies[i]));
    }
    for (int slot : {kOrdinary, kWeekend, kHoliday}) EXPECT_EQ(Plan(slot).Count(), 14);
    EXPECT_EQ(Plan(kTemporary).Count(), 2);
}

INSTANTIATE_TEST_SUITE_P(Links, ReadReplies, testing::Bool(), StampName);

}  // namespace
