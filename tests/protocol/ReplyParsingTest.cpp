// Read replies of every decoded item through the session's reply entry, as real frames with
// and without time stamp, into the current-data records.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "protocol/Catalogue.h"
#include "protocol/CurrentData.h"
#include "protocol/Frame.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"
#include "schedules/ActionTables.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"
#include "stations/Station6Class.h"
#include "status/Rtu6Status.h"
#include "support/ControllerFrames.h"
#include "support/ParameterSamples.h"
#include "support/RecordingStore.h"
#include "support/TempDir.h"

using testing_frames::BcdStamp;
using testing_frames::ControllerReply;
using testing_frames::Hex;

namespace {

const TDateTime kNow = EncodeDateTime(2025, 3, 5, 10, 0, 0);
constexpr int kRead = Frame::kReadKind;

// Loop 2 (not a street-lamp loop) on at sunset, off at sunrise: two actions.
const std::string kTwoActions = "80 00 00 00 02 00 10 00 00 00 02 00";

class ReplyParsing : public testing::TestWithParam<bool> {
protected:
    ReplyParsing() {
        ClearCurrentData();
        Station_.SetStreetLampMask(0x0001);
        Station_.SetLinkKind(GetParam() ? kLinkSms : kLinkRadio);
    }
    ~ReplyParsing() override { ClearCurrentData(); }

    TRtu6& Session() { return *Station_.Rtu(1); }
    bool Stamped() const { return GetParam(); }

    // One packet i of n from the station's controller.
    TBytes Reply(int item, const TBytes& data, int n = 1, int i = 1, int kind = kRead) {
        const TBytes stamp = Stamped() ? BcdStamp(2025, 3, 5, 9, 59, 58) : TBytes();
        return ControllerReply(Session().AddressBytes(), kind, item, stamp, n, i, data);
    }
    bool Parse(int item, const TBytes& data) { return Session().ParseReply(Reply(item, data)); }

    // The list of a plan item built from an editing-form plan, as the controller sends it.
    TBytes TempOnOffPayload() {
        TTempTheme temp;
        temp.OnUsed = true;
        temp.OnDateTime = EncodeDateTime(2025, 3, 6, 20, 0, 0);
        temp.Loops = 0x0002;
        TRtu6TimeTable table;
        EXPECT_TRUE(BuildTimeTable(Station_, {}, {}, {}, {}, temp, table));
        return PlanItemPayload(table.TemporaryOnOff());
    }
    TBytes TemporaryPlanPayload() {
        TCustomTheme temporary;
        temporary.StartDate = EncodeDate(2025, 3, 5);
        temporary.Days = 3;
        TOnceOnOffInfo& entry = temporary.Theme.Loop(2).Entry(1);
        entry.IsUsed = true;
        entry.OnTimeMode = kModeFixed;
        entry.OnTime = EncodeTime(19, 0, 0);
        entry.OffTimeMode = kModeFixed;
        entry.OffTime = EncodeTime(23, 30, 0);
        TRtu6TimeTable table;
        EXPECT_TRUE(BuildTimeTable(Station_, {}, {}, {}, temporary, {}, table));
        return PlanItemPayload(table.TemporaryPlan());
    }

    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    TScopedManualClock Clock_{kNow};
    RecordingStore Store_;
    TStation6Test Station_;
};

struct TRow {
    std::string Name;
    int Item;
    TBytes Data;
    bool Accepted;
    // What the records must hold afterwards.
    std::function<void(ReplyParsing&)> Check;
};

TRtu6Parameters& P() {
    return CurrentParameters();
}

void Nothing(ReplyParsing&) {}

std::vector<TRow> SimpleRows() {
    const auto untouched = [](ReplyParsing&) {
        const TRtu6Parameters fresh;
        EXPECT_EQ(P().LoopsInUse, fresh.LoopsInUse);
        EXPECT_EQ(P().CenterPhoneNumber, fresh.CenterPhoneNumber);
        EXPECT_EQ(P().RouteAddressMap, fresh.RouteAddressMap);
    };
    return {
        {"TimeTable", 49, Hex("02 00 00 00 00 " + kTwoActions), true,
         [](ReplyParsing&) {
             EXPECT_EQ(CurrentTimeTable().OrdinaryPlan().Count(), 2);
             EXPECT_EQ(CurrentTimeTable().Updated, kNow);
         }},
        {"TimeTableTooShort", 49, Hex("02 00 00 00"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentTimeTable().Updated, 0); }},
        {"FixedTimerWeekend", 50, Hex("00 02 00 00 " + kTwoActions), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentTimeTable().WeekendPlan().Count(), 2); }},
        {"FixedTimerTooShort", 50, Hex("00 00 00"), false, Nothing},
        {"Ordinary", 52, Hex("02 " + kTwoActions), true,
         [](ReplyParsing&) {
             EXPECT_EQ(Hex(kTwoActions), CurrentTimeTable().OrdinaryPlan().Encode());
         }},
        {"Weekend", 53, Hex("02 " + kTwoActions), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentTimeTable().WeekendPlan().Count(), 2); }},
        {"Holiday", 54, Hex("02 " + kTwoActions), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentTimeTable().HolidayPlan().Count(), 2); }},
        {"HolidayCountTooBig", 54, Hex("03 " + kTwoActions), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentTimeTable().HolidayPlan().Count(), 0); }},
        {"PlanEmpty", 52, TBytes(), false, Nothing},
        {"StdOnCorrection", 56, Hex("FB"), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().StdOnCorrection, -5); }},
        {"StdOffCorrection", 57, Hex("0A"), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().StdOffCorrection, 10); }},
        {"CorrectionTwoBytes", 56, Hex("FB 00"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().StdOnCorrection, 0); }},
        {"PlanStatus", 58,
         Hex("20 14 03 05 18 30 05 03 02 02 41 0C 1A 2B 00 00 00 05 FF 01 06 00 10 12 AB CD "
             "01 02 03 04 05 06 07 FB 0A"),
         true,
         [](ReplyParsing&) {
             const TRtu6ThemesCRC& s = CurrentPlanStatus();
             EXPECT_EQ(s.RtuClock, EncodeDateTime(2014, 3, 5, 18, 30, 5));
             EXPECT_EQ(s.RtuWeek, 3);
             EXPECT_EQ(s.CurrentThemeId, 1);
             EXPECT_EQ(s.PerformMode, 1);
             EXPECT_EQ(s.WeekendDays, 0x41);
             EXPECT_EQ(s.StdOnCorrection, -5);
             EXPECT_EQ(s.StdOffCorrection, 10);
             EXPECT_EQ(CurrentTimeTable().Updated, kNow);
             EXPECT_EQ(CurrentTimeTable().CurrentDateTime, s.RtuClock);
             EXPECT_EQ(CurrentTimeTable().RtuWeek, 3);
             EXPECT_EQ(CurrentTimeTable().CurrentThemeId, 1);
         }},
        {"PlanStatusShort", 58, Hex("20 14 03 05 18 30 05 03"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentTimeTable().Updated, 0); }},
        {"WorkTable", 59, Hex("01 01 99 05 00 01 00"), true,
         [](ReplyParsing&) {
             EXPECT_EQ(CurrentWorkTable().Count(), 1);
             EXPECT_EQ(CurrentWorkTable().ReadAt, kNow);
         }},
        {"WorkTableWrongLength", 59, Hex("02 01 99 05 00 01 00"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentWorkTable().ReadAt, 0); }},
        {"PerformMode", 65, Hex("02"), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().PerformMode, 1); }},
        {"PerformModeUnknown", 65, Hex("F8"), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().PerformMode, 4); }},
        {"PerformModeFive", 65, Hex("05"), false, Nothing},
        {"WeekendDays", 66, Hex("41"), true,
         [](ReplyParsing&) {
             EXPECT_TRUE(CurrentPlanStatus().IsWeekendDay(1));
             EXPECT_TRUE(CurrentPlanStatus().IsWeekendDay(7));
             EXPECT_FALSE(CurrentPlanStatus().IsWeekendDay(6));
         }},
        {"WeekendDaysTwoBytes", 66, Hex("41 00"), false, Nothing},
        {"CurrentPlan", 70, Hex("02"), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().CurrentThemeId, 1); }},
        {"CurrentPlanFive", 70, Hex("05"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentPlanStatus().CurrentThemeId, kNoTheme); }},
        {"RtuClock", 82, Hex("20 25 03 05 09 58 30 03"), true,
         [](ReplyParsing&) {
             EXPECT_EQ(CurrentPlanStatus().RtuClock, EncodeDateTime(2025, 3, 5, 9, 58, 30));
             EXPECT_EQ(CurrentPlanStatus().RtuWeek, 3);
         }},
        {"RtuClockWeekZero", 82, Hex("20 25 03 05 09 58 30 00"), false, Nothing},
        {"RtuClockWeekEight", 82, Hex("20 25 03 05 09 58 30 08"), false, Nothing},
        {"Longitude", 168, Hex("28 69"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().Longitude, 103.45); }},
        {"LongitudeEdge", 168, Hex("46 50"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().Longitude, 180); }},
        {"LongitudePastEdge", 168, Hex("46 51"), false,
         [](ReplyParsing&) { EXPECT_EQ(P().Longitude, 0); }},
        {"Latitude", 169, Hex("09 21"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().Latitude, 23.37); }},
        {"LatitudeSouth", 169, Hex("DC D8"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().Latitude, -90); }},
        {"LatitudePastEdge", 169, Hex("23 29"), false, Nothing},
        {"TimeZone", 180, Hex("00 50"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().TimeZone, 8); }},
        {"TimeZonePastEdge", 180, Hex("00 8D"), false, Nothing},
        {"SomeDaysStdOn", 81, TSomeDaysStdOn::ForChoice(TSomeDaysStdOn::kNewTime,
                                                        EncodeTime(18, 45, 0)).Encode(),
         true,
         [](ReplyParsing&) {
             EXPECT_EQ(P().SomeDaysStdOn.AdjustKind(), TSomeDaysStdOn::kNewTime);
             EXPECT_EQ(P().SomeDaysStdOn.AdjustTime(), EncodeTime(18, 45, 0));
         }},
        {"SomeDaysStdOnShort", 81, Hex("03 05 20"), false, Nothing},
        {"Holidays", 67, Hex("01 01 10 01 00"), true,
         [](ReplyParsing&) {
             EXPECT_EQ(P().Holidays.Count(), 2);
             EXPECT_EQ(P().Holidays.Encode(), Hex("01 01 10 01 00"));
         }},
        {"HolidaysMonth13", 67, Hex("13 01 00"), false,
         [](ReplyParsing&) { EXPECT_EQ(P().Holidays.Encode(), THolidaysList().Encode()); }},
        {"LoopsInUse", 166, Hex("00 FF"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().LoopsInUse, 0x00FF); }},
        {"LoopsInUseOneByte", 166, Hex("FF"), false, untouched},
        {"LcuLoops", 167, Hex("80 01"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().LcuLoops, 0x8001); }},
        {"CurrentInUse", 186, Hex("12 34"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CurrentInUse, 0x1234); }},
        {"KeepLcuStatus", 171, Hex("01"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().KeepLcuStatusFlag, 1); }},
        {"KeepLcuStatusTwo", 171, Hex("02"), false, Nothing},
        {"AutoSaveInterval", 182, Hex("05"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().AutoSaveInterval, 5); }},
        {"WarningMode", 164, Hex("01"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().WarningMode, 1); }},
        {"WarningModeTwo", 164, Hex("02"), false, Nothing},
        {"LightControl", 97, Hex("A5"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().LightControl, 0xA5); }},
        {"WarningParameters", 183, Hex("31 D2 6E E5"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().WarningParameters.Encode(), Hex("31 D2 6E E5")); }},
        {"WarningParametersShort", 183, Hex("31 D2 6E"), false,
         [](ReplyParsing&) { EXPECT_EQ(P().WarningParameters.Encode(), Hex("00 00 00 00")); }},
        {"RestartPowerFlag", 184, Hex("12"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().RestartPowerFlag.Encode(), Hex("12")); }},
        {"RestartPowerFlagTwoBytes", 184, Hex("12 00"), false, Nothing},
        {"CenterPhone", 98, TBytes("13912345678"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CenterPhoneNumber, "13912345678"); }},
        {"CenterPhoneNuls", 98, TBytes(11, '\0'), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CenterPhoneNumber, ""); }},
        {"CenterPhoneBlanks", 98, TBytes(11, ' '), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CenterPhoneNumber, ""); }},
        {"CenterPhonePaddedShort", 98, TBytes("   12345678"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CenterPhoneNumber, "12345678"); }},
        {"CenterPhoneLetter", 98, TBytes("1391234567A"), false, untouched},
        {"CenterAddress", 161, Hex("FE"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CenterAddress, 0xFE); }},
        {"RouteMap", 162, Hex("02 07 09"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().RouteAddressMap, Hex("07 09")); }},
        {"RouteMapEmpty", 162, Hex("00"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().RouteAddressMap, TBytes()); }},
        {"RouteMapShort", 162, Hex("02 07"), false, untouched},
        {"ICurrentP", 187, Hex("01"), true, Nothing},
        {"ICurrentPTwoBytes", 187, Hex("01 02"), false, Nothing},
        {"Version", 144, Hex("56 36 2E 31 C4 E3"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().VersionInfo, "V6.1你"); }},
        {"LastStartTime", 152, Hex("20 25 03 01 06 30 00"), true,
         [](ReplyParsing&) {
             EXPECT_EQ(P().LastStartTime, EncodeDateTime(2025, 3, 1, 6, 30, 0));
         }},
        {"LastStartTimeZero", 152, TBytes(7, '\0'), false, Nothing},
        {"RtuAddress", 160, Hex("05"), true, [](ReplyParsing&) { EXPECT_EQ(P().RtuAddress, 5); }},
        {"RtuAddressZero", 160, Hex("00"), false, Nothing},
        {"RtuAddressFF", 160, Hex("FF"), false, Nothing},
        {"CommFormat", 163, Hex("01"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().CommFormat, 1); }},
        {"CommFormatTwo", 163, Hex("02"), false, Nothing},
        {"WarningType", 165, Hex("12 34"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().WarningType, 0x1234); }},
        {"WattMeterCommand", 170, Hex("02 03 AA BB CC DD EE FF"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().WattMeterCommand, Hex("02 03 AA BB CC DD EE FF")); }},
        {"WattMeterCommandShort", 170, Hex("02 03 AA BB CC"), false,
         [](ReplyParsing&) { EXPECT_EQ(P().WattMeterCommand, TBytes()); }},
        {"PoleCount", 172, Hex("10"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().PoleCountInUse, 16); }},
        {"MaskBitsForAPole", 173, Hex("04"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().MaskBitsForAPole, 4); }},
        {"MaskBitsForAPoleFive", 173, Hex("05"), false, Nothing},
        {"LampsMaskLength", 174, Hex("03"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().LampsMaskLength, 3); }},
        {"OnHourAngle", 175, Hex("1E"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().OnHourAngle, 0.3); }},
        {"OffHourAngleNegative", 176, Hex("E2"), true,
         [](ReplyParsing&) { EXPECT_DOUBLE_EQ(P().OffHourAngle, -0.3); }},
        {"OnHourAnglePastEdge", 175, Hex("1F"), false,
         [](ReplyParsing&) { EXPECT_EQ(P().OnHourAngle, 0); }},
        {"WattMetersInUse", 177, Hex("08"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().WattMetersInUse, 8); }},
        {"WattMetersInUseNine", 177, Hex("09"), false, Nothing},
        {"LcuStatus", 71, Hex("02 05 11 07 22"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().LcuStatus.Encode(), Hex("02 05 11 07 22")); }},
        {"LcuStatusCut", 71, Hex("02 05 11"), false, Nothing},
        {"LcuPhaseTable", 72, Hex("1B 00 40"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().LcuPhaseTable.Encode(), Hex("1B 00 40")); }},
        {"LcuPhaseTableTooLong", 72, TBytes(65, '\x55'), false, Nothing},
        {"GuardAddresses", 73, Hex("05 00 C8"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().GuardAddressTable.Encode(), Hex("05 00 C8")); }},
        {"OkLamps", 80, Hex("80 01"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().OkLampAddressTable.Encode(), Hex("80 01")); }},
        {"OkLampsTooLong", 80, TBytes(33, '\x01'), false, Nothing},
        {"FaultLamps", 83, Hex("00 03"), true,
         [](ReplyParsing&) { EXPECT_EQ(P().TimeOutLampAddressTable.Fault(4), 3); }},
        {"FaultLampsTooLong", 83, TBytes(129, '\x01'), false, Nothing},
        {"GuardMessages", 117, Hex("01 02 03 04 05 06 07 08 09 AB"), true,
         [](ReplyParsing&) {
             EXPECT_EQ(P().GuardMessages.Encode(), Hex("01 02 03 04 05 06 07 08 09 AB"));
         }},
        {"GuardMessagesNine", 117, Hex("01 02 03 04 05 06 07 08 09"), false, Nothing},
        {"Alarms", 114, Hex("00 12 31 22 15 05 03 01 10 00 00 01 01 06 30 40"), true,
         [](ReplyParsing&) {
             EXPECT_EQ(CurrentStatus().AlarmCount(), 3);
             EXPECT_TRUE(CurrentStatus().IsAlarmReport);
         }},
        {"AlarmsWrongCount", 114, Hex("03 01 02"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentStatus().AlarmCount(), 0); }},
        {"History", 116, Hex("03 15 18 30 78 7A 00 10 20 02"), true,
         [](ReplyParsing&) { EXPECT_EQ(CurrentStatus().History.Count(), 1); }},
        {"HistoryPartRecord", 116, Hex("03 15 18 30 78"), false,
         [](ReplyParsing&) { EXPECT_EQ(CurrentStatus().History.Count(), 0); }},
        {"StandardMasksSeven", 68, Hex("01 FF 00 FF 00 01 02"), false, Nothing},
        {"ResetFlagHasNoDecoder", 153, Hex("01"), false, Nothing},
        {"ClearFlagHasNoDecoder", 178, Hex("01"), false, Nothing},
        {"StopFlagHasNoDecoder", 181, Hex("01"), false, Nothing},
        {"RestartDataHasNoDecoder", 185, Hex("01"), false, Nothing},
    };
}

TEST_P(ReplyParsing, DecodesEveryItemIntoItsRecord) {
    for (const TRow& row : SimpleRows()) {
        SCOPED_TRACE(row.Name);
        ClearCurrentData();
        EXPECT_EQ(Parse(row.Item, row.Data), row.Accepted);
        row.Check(*this);
    }
}

TEST_P(ReplyParsing, LampModeMasksGoToTheStation) {
    TBytes standard;
    for (int mode = 1; mode <= 15; ++mode) standard += static_cast<char>(mode) + Hex("AA 55 00 00");
    EXPECT_TRUE(Parse(Item::FixedLampsModes, standard));
    EXPECT_EQ(Station_.LampsMask().Mask(3), Hex("AA 55 00 00").substr(0, Station_.MaskWidth()));
    TBytes custom;
    for (int k = 1; k <= 15; ++k)
        custom += static_cast<char>(k) + TBytes(Station_.MaskWidth(), static_cast<char>(k));
    EXPECT_TRUE(Parse(Item::CustomLampsModes, custom));
    EXPECT_EQ(Station_.LampsMask().Mask(17), TBytes(Station_.MaskWidth(), '\x02'));
    EXPECT_FALSE(Parse(Item::CustomLampsModes, custom.substr(1)));
}

TEST_P(ReplyParsing, TemporaryOnOffMarksTheStation) {
    const TBytes payload = TempOnOffPayload();
    ASSERT_TRUE(Parse(Item::TempTimer, payload));
    EXPECT_EQ(CurrentTimeTable().TemporaryOnOff().Count(), 1);
    EXPECT_EQ(CurrentTimeTable().TemporaryOnOff().StartDate, EncodeDate(2025, 3, 6));
    EXPECT_TRUE(Station_.HasTemporaryOnOff());
    ASSERT_TRUE(Parse(Item::TempTimer, Hex("00")));
    EXPECT_FALSE(Station_.HasTemporaryOnOff());
    EXPECT_FALSE(Parse(Item::TempTimer, TBytes()));
}

TEST_P(ReplyParsing, TemporaryPlanWithItsDates) {
    ASSERT_TRUE(Parse(Item::CustomTheme, TemporaryPlanPayload()));
    const TRtu6CustomActionTable& plan = CurrentTimeTable().TemporaryPlan();
    EXPECT_EQ(plan.Count(), 2);
    EXPECT_EQ(plan.StartDate, EncodeDate(2025, 3, 5));
    EXPECT_EQ(plan.Days, 3);
}

TEST_P(ReplyParsing, LoopStatusAndEnergyStampTheStatus) {
    // Input and output words, door, light, no single lamps, three voltage channels.
    const TBytes loops = Hex("01 05 80 03 01 02 34 00 03 0C 00 0C 10 0B FF");
    ASSERT_TRUE(Parse(Item::LoopStatus, loops));
    EXPECT_EQ(CurrentStatus().InputState(), 0x0105);
    EXPECT_EQ(CurrentStatus().Updated, kNow);
    ASSERT_TRUE(Parse(Item::TimerReport, loops));
    EXPECT_FALSE(Parse(Item::LoopStatus, Hex("01 05 80")));

    // Two meters answer in the 1997 layout, three in the 2007 one (checksum not looked at).
    const std::string meter1997 = " FE FE 68 11 22 33 44 55 66 68 81 06 43 C3 45 67 89 33 5A 16";
    ASSERT_TRUE(Parse(Item::Energy, Hex("02 14" + meter1997 + meter1997)));
    EXPECT_DOUBLE_EQ(CurrentStatus().Energy(2), 5634.12);
    const std::string meter2007 =
        " FE FE FE FE 68 11 22 33 44 55 66 68 91 08 33 33 34 33 BC 9A 78 56 5A 16";
    const std::string none = " 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00";
    ASSERT_TRUE(Parse(Item::Energy, Hex("03 18" + meter2007 + none + meter2007)));
    EXPECT_DOUBLE_EQ(CurrentStatus().Energy(1), 234567.89);
    EXPECT_EQ(CurrentStatus().Energy(2), 0);
    EXPECT_DOUBLE_EQ(CurrentStatus().Energy(3), 234567.89);
    EXPECT_EQ(CurrentStatus().EnergyText(),
              "电表数据: \r\n"
              " 1: 234567.89  "
              " 2: 0.00       "
              " 3: 234567.89  ");
    ClearCurrentData();
    EXPECT_FALSE(Parse(Item::Energy, Hex("02 14 FE FE")));
    EXPECT_EQ(CurrentStatus().Updated, 0);
}

TEST_P(ReplyParsing, ClockThatIsNoDateIsSetRightAndRefused) {
    EXPECT_FALSE(Parse(Item::RtuClock, Hex("20 25 13 05 09 58 30 03")));
    ASSERT_EQ(Store_.Tasks.size(), 1u);
    EXPECT_EQ(Store_.Tasks[0].Item, Item::RtuClock);
    EXPECT_TRUE(Store_.Tasks[0].IsWrite);
    EXPECT_EQ(CurrentPlanStatus().RtuClock, 0);
}

TEST_P(ReplyParsing, AcknowledgementsOfEveryItemAreAccepted) {
    for (const TCatalogueEntry& entry : CatalogueEntries()) {
        EXPECT_TRUE(Session().ParseReply(Reply(entry.Id, TBytes(), 1, 1, Frame::kWriteKind)))
            << entry.Id;
    }
    EXPECT_FALSE(Session().ParseReply(Reply(Item::CenterAddress, Hex("01"), 1, 1, 0x41)));
    EXPECT_FALSE(Session().ParseReply(Hex("FA 01 00")));
    EXPECT_EQ(P().CenterAddress, 0);
}

TEST_P(ReplyParsing, StampThatIsNoDateIsRefused) {
    if (!Stamped()) GTEST_SKIP() << "frames without time stamp carry no date";
    const TBytes frame = ControllerReply(Session().AddressBytes(), kRead, Item::CenterAddress,
                                         BcdStamp(2025, 13, 5, 9, 0, 0), 1, 1, Hex("07"));
    EXPECT_FALSE(Session().ParseReply(frame));
    EXPECT_EQ(P().CenterAddress, 0);
}

// ---- composite items ----

TRtu6Options GoodOptions() {
    TRtu6Options o;
    o.PerformMode = 2;
    o.WeekendDays = {6, 7};
    o.RtuClock = EncodeDateTime(2025, 3, 5, 9, 0, 0);
    o.SetLongitude(103.45);
    o.SetLatitude(23.37);
    o.SetTimeZone(8);
    o.StdOnCorrection = -5;
    o.StdOffCorrection = 10;
    o.Holidays.Clear();
    o.Holidays.Add(EncodeDate(2025, 10, 1));
    return o;
}

TEST_P(ReplyParsing, OptionsStorePartByPart) {
    const TBytes data = GoodOptions().Encode();
    ASSERT_TRUE(Parse(Item::Options, data));
    EXPECT_EQ(CurrentPlanStatus().PerformMode, 2);
    EXPECT_EQ(CurrentPlanStatus().WeekendDays, 0x60);
    EXPECT_EQ(CurrentPlanStatus().RtuClock, EncodeDateTime(2025, 3, 5, 9, 0, 0));
    EXPECT_DOUBLE_EQ(P().Longitude, 103.45);
    EXPECT_DOUBLE_EQ(P().Latitude, 23.37);
    EXPECT_DOUBLE_EQ(P().TimeZone, 8);
    EXPECT_EQ(CurrentPlanStatus().StdOnCorrection, -5);
    EXPECT_EQ(CurrentPlanStatus().StdOffCorrection, 10);
    EXPECT_EQ(P().Holidays.Encode(), Hex("10 01 00"));

    // Without the holiday part everything before it is stored and the reply is refused.
    ClearCurrentData();
    EXPECT_FALSE(Parse(Item::Options, data.substr(0, 23)));
    EXPECT_DOUBLE_EQ(P().TimeZone, 8);
    EXPECT_EQ(CurrentPlanStatus().StdOffCorrection, 10);

    // A longitude out of range stops the decoding there.
    ClearCurrentData();
    TBytes bad = data;
    bad[10] = '\x46', bad[11] = '\x51';
    EXPECT_FALSE(Parse(Item::Options, bad));
    EXPECT_EQ(CurrentPlanStatus().PerformMode, 2);
    EXPECT_EQ(P().Longitude, 0);
    EXPECT_EQ(P().Latitude, 0);
}


TEST_P(ReplyParsing, AdvancedOptionsStorePartByPart) {
    const TBytes data = SampleAdvancedOptions().Encode();
    ASSERT_TRUE(Parse(Item::AdvancedOptions, data));
    EXPECT_EQ(P().LoopsInUse, 0x00FF);
    EXPECT_EQ(P().LcuLoops, 0x0103);
    EXPECT_EQ(P().KeepLcuStatusFlag, 1);
    EXPECT_EQ(P().AutoSaveInterval, 3);
    EXPECT_EQ(P().WarningMode, 1);
    EXPECT_EQ(P().LightControl, 0xA5);
    EXPECT_EQ(P().WarningParameters.Encode(), Hex("31 D2 6E E5"));
    EXPECT_EQ(P().RestartPowerFlag.Encode(), Hex("12"));
    EXPECT_EQ(P().CenterPhoneNumber, "13912345678");
    EXPECT_EQ(P().CenterAddress, 0xFE);
    EXPECT_EQ(P().RouteAddressMap, Hex("07 09"));

    ClearCurrentData();
    EXPECT_FALSE(Parse(Item::AdvancedOptions, data.substr(0, 25)));
    EXPECT_EQ(P().CenterAddress, 0xFE);
    EXPECT_EQ(P().CenterPhoneNumber, "13912345678");
    EXPECT_EQ(P().RouteAddressMap, TBytes());

    ClearCurrentData();
    EXPECT_TRUE(Parse(Item::AdvancedOptions, data.substr(0, 25) + Hex("00")));
    EXPECT_EQ(P().RouteAddressMap, TBytes());

    // A short number written padded with blanks reads back.
    TRtu6AdvancedOptions shortNumber = SampleAdvancedOptions();
    shortNumber.CenterPhoneNumber = "12345678";
    EXPECT_TRUE(Parse(Item::AdvancedOptions, shortNumber.Encode()));
    EXPECT_EQ(P().CenterPhoneNumber, "12345678");
}

// ---- packets ----

TEST_P(ReplyParsing, PacketsJoinedInOrder) {
    const TBytes one = Hex("01 01"), two = Hex("10 01"), three = Hex("12 25 00");
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, one, 3, 1)));
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, two, 3, 2)));
    EXPECT_EQ(P().Holidays.Encode(), THolidaysList().Encode()) << "nothing decoded yet";
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, three, 3, 3)));
    EXPECT_EQ(P().Holidays.Encode(), one + two + three);
}

TEST_P(ReplyParsing, PacketOutOfOrderIsRefusedAndTheMissingOneCompletes) {
    const TBytes one = Hex("01 01"), two = Hex("10 01"), three = Hex("12 25 00");
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, one, 3, 1)));
    const TBytes pending = Session().PendingPackets;
    EXPECT_FALSE(Session().ParseReply(Reply(Item::HolidaysList, three, 3, 3)));
    EXPECT_EQ(Session().PendingPackets, pending);
    // Another item, or another total, does not follow either.
    EXPECT_FALSE(Session().ParseReply(Reply(Item::FixedTimer, two, 3, 2)));
    EXPECT_FALSE(Session().ParseReply(Reply(Item::HolidaysList, two, 4, 2)));
    EXPECT_EQ(Session().PendingPackets, pending);
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, two, 3, 2)));
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, three, 3, 3)));
    EXPECT_EQ(P().Holidays.Encode(), one + two + three);
}

TEST_P(ReplyParsing, JoinedReplyLongerThan255Bytes) {
    // A full status history (36 records, 360 bytes) comes in three packets.
    TBytes history;
    for (int k = 0; k < 36; ++k) history += Hex("03 15 18 30 78 7A 00 10 20 02");
    const size_t size = static_cast<size_t>(Frame::PacketDataSize(Stamped()));
    for (int i = 1; i <= 3; ++i) {
        const TBytes part = history.substr((i - 1) * size, size);
        ASSERT_TRUE(Session().ParseReply(Reply(Item::History, part, 3, i))) << i;
        EXPECT_EQ(CurrentStatus().History.Count(), i < 3 ? 0 : 36);
    }
    EXPECT_GT(Session().PendingPackets.size(), 255u);
}

TEST_P(ReplyParsing, FirstPacketStartsAgain) {
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, Hex("01 01"), 2, 1)));
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, Hex("05 01"), 2, 1)));
    ASSERT_TRUE(Session().ParseReply(Reply(Item::HolidaysList, Hex("10 01 00"), 2, 2)));
    EXPECT_EQ(P().Holidays.Encode(), Hex("05 01 10 01 00"));
}

INSTANTIATE_TEST_SUITE_P(Frames, ReplyParsing, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "WithTimeStamp" : "WithoutTimeStamp";
                         });

// ---- two-byte addresses ----

TEST(ReplyParsingTwoByteAddress, ControllerAddressIsBcd) {
    ClearCurrentData();
    TScopedManualClock clock(kNow);
    TRtu61 session(0x1234, nullptr, "");
    const auto reply = [&](const TBytes& data) {
        return ControllerReply(session.AddressBytes(), kRead, Item::RtuAddress,
                               BcdStamp(2025, 3, 5, 9, 0, 0), 1, 1, data);
    };
    EXPECT_TRUE(session.ParseReply(reply(Hex("12 34"))));
    EXPECT_EQ(CurrentParameters().RtuAddress, 0x1234);
    EXPECT_FALSE(session.ParseReply(reply(Hex("12 3A"))));
    EXPECT_FALSE(session.ParseReply(reply(Hex("00 00"))));
    EXPECT_FALSE(session.ParseReply(reply(Hex("12"))));
    EXPECT_EQ(CurrentParameters().RtuAddress, 0x1234);
    ClearCurrentData();
}

}  // namespace
