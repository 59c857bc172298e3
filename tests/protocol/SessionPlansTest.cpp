#include <gtest/gtest.h>

#include "app/Logs.h"
#include "app/Paths.h"
#include "protocol/Rtu6Class.h"
#include "schedules/ActionTables.h"
#include "schedules/SunTimes.h"
#include "schedules/TimeTables.h"
#include "stations/Station6Class.h"
#include "support/RecordingStore.h"
#include "support/TempDir.h"

namespace {

const TDateTime kNow = EncodeDateTime(2014, 4, 1, 20, 15, 0);
const TDateTime kMinute = 1 / kMinutesPerDay;

TOnceOnOffInfo FixedPair(int onHour, int onMinute, int offHour, int offMinute) {
    TOnceOnOffInfo e;
    e.IsUsed = true;
    e.OnTime = EncodeTime(onHour, onMinute, 0);
    e.OnTimeMode = kModeFixed;
    e.OffTime = EncodeTime(offHour, offMinute, 0);
    e.OffTimeMode = kModeFixed;
    return e;
}

class SessionPlansTest : public ::testing::Test {
protected:
    TScopedManualClock clock_{kNow};
    TempDir dir_;
    TScopedProgramFolder folder_{dir_.Path()};
    RecordingStore store_;
    TStation6Test station_;

    TRtu6& Session() { return *station_.Rtu(1); }
    std::vector<int> PostedItems() const {
        std::vector<int> items;
        for (const auto& task : store_.Tasks) items.push_back(task.Item);
        return items;
    }
    TBytes Payload(size_t k) { return Session().PayloadOf(store_.Tasks.at(k).FrameText); }
};

}  // namespace

TEST_F(SessionPlansTest, OnePlanGoesAsItsItemAndDecodesBack) {
    TTheme theme;
    theme.Loop(1).Entry(1) = FixedPair(18, 30, 23, 0);
    theme.Loop(3).Entry(1) = FixedPair(18, 30, 23, 0);  // shares both actions with loop 1

    struct Case {
        void (TRtu6::*send)(const TTheme&);
        int item;
    } cases[] = {{&TRtu6::SendNormalTheme, 52},
                 {&TRtu6::SendWeekendTheme, 53},
                 {&TRtu6::SendHolidayTheme, 54}};
    for (const auto& c : cases) {
        store_.Tasks.clear();
        (Session().*c.send)(theme);
        ASSERT_EQ(PostedItems(), std::vector<int>{c.item});
        const TBytes payload = Payload(0);
        ASSERT_EQ(payload.size(), 1u + 2 * 6) << c.item;
        EXPECT_EQ(ByteAt(payload, 0), 2);
        TRtu6ActionTable list;
        ASSERT_TRUE(LoadPlanItem(list, payload, station_.StreetLampMask()));
        const auto back = list.ToTheme(station_.StreetLampMask());
        ASSERT_TRUE(back.has_value());
        EXPECT_TRUE(SameTheme(*back, theme)) << c.item;
    }
}

TEST_F(SessionPlansTest, APlanOfSixteenActionsIsLoggedAndNotSent) {
    TTheme theme;
    for (int loop = 1; loop <= 8; ++loop) theme.Loop(loop).Entry(1) = FixedPair(17, loop, 23, loop);
    EXPECT_FALSE(Session().CanBuildTimeTable(theme, {}, {}, {}, {}));
    Session().SendNormalTheme(theme);
    Session().SendFixedTimer(theme, {}, {}, {});
    EXPECT_TRUE(store_.Tasks.empty());
    const std::string log = ReadWholeFile(ErrorLogFile(kNow));
    EXPECT_NE(log.find("Unable MakeTimeTable."), std::string::npos) << log;

    theme.Loop(8).Entry(1) = FixedPair(17, 7, 23, 7);  // now loop 7 and 8 share: 14 actions
    EXPECT_TRUE(Session().CanBuildTimeTable(theme, {}, {}, {}, {}));
    EXPECT_TRUE(store_.Tasks.empty());
}

TEST_F(SessionPlansTest, NormalThemeAtKeepsTheCallersTimes) {
    TTheme theme;
    theme.Loop(1).Entry(1) = FixedPair(18, 0, 23, 0);
    const TDateTime created = kNow - 1;
    Session().SendNormalThemeAt(theme, created + kMinute, created);
    Session().SendNormalThemeAt(theme, created + 1, created);
    Session().SendNormalThemeAt(theme, 0, 0);
    ASSERT_EQ(store_.Tasks.size(), 3u);
    EXPECT_EQ(store_.Tasks[0].Deadline, created + 10 * kMinute);
    EXPECT_EQ(store_.Tasks[1].Deadline, created + 1);
    EXPECT_EQ(store_.Tasks[2].Created, kNow);
    EXPECT_EQ(store_.Tasks[2].Deadline, kNow + 10 * kMinute);
}

TEST_F(SessionPlansTest, FixedTimerSendsTheTemporaryPlanOnlyWhenCurrent) {
    TTheme theme;
    theme.Loop(2).Entry(1) = FixedPair(19, 0, 22, 0);
    Session().SendFixedThemes(theme, theme, {}, theme, DateOf(kNow) - 10, 5);  // over
    Session().SendFixedThemes(theme, {}, {}, theme, DateOf(kNow), 3);          // current
    ASSERT_EQ(PostedItems(), (std::vector<int>{50, 50}));
    EXPECT_EQ(Payload(0).substr(0, 4), TBytes("\x02\x02\x00\x00", 4));
    EXPECT_EQ(Payload(0).size(), 4u + 12 + 12);
    EXPECT_EQ(Payload(1).substr(0, 4), TBytes("\x02\x00\x00\x02", 4));
    EXPECT_EQ(Payload(1).size(), 4u + 12 + 8 + 12);
}

TEST_F(SessionPlansTest, TemporarySwitchOnAndOff) {
    TTempTheme on;
    on.OnUsed = true;
    on.OnDateTime = kNow;
    on.OffUsed = true;
    on.OffDateTime = kNow + 1.0 / 24;
    on.Loops = 0x0005;
    Session().SendTemporarySwitch(on);
    ASSERT_EQ(PostedItems(), std::vector<int>{51});
    TRtu6TempActionTable list;
    ASSERT_TRUE(LoadPlanItem(list, Payload(0), station_.StreetLampMask()));
    ASSERT_EQ(list.Count(), 1);  // the switch-off part was dropped
    EXPECT_TRUE(list.Get(1)->IsOn());
    EXPECT_EQ(list.Get(1)->GetLoops(), 0x0005);

    store_.Tasks.clear();
    Session().SendTemporarySwitch(TTempTheme{});
    ASSERT_EQ(PostedItems(), (std::vector<int>{50, 51}));
    EXPECT_EQ(Payload(0), TBytes(4, '\0'));
    EXPECT_EQ(Payload(1), TBytes(1, '\0'));
}

TEST_F(SessionPlansTest, HolidaysAndStandardOnAdjustment) {
    THolidaysList holidays;
    Session().SendHolidaysList(holidays);
    const TSomeDaysStdOn adjustment =
        TSomeDaysStdOn::ForChoice(TSomeDaysStdOn::kEarlier, EncodeTime(0, 20, 0));
    Session().SendSomeDaysStdOn(adjustment);
    ASSERT_EQ(PostedItems(), (std::vector<int>{67, 81}));
    EXPECT_EQ(Payload(0), holidays.Encode());
    EXPECT_EQ(Payload(1), adjustment.Encode());
    EXPECT_EQ(Payload(1).size(), 5u);
}

TEST_F(SessionPlansTest, StationSwitchesLoopsOnNowAndReadsTheStatus) {
    std::array<TOnceOnOffInfo, kMaxLoops> entries{};
    entries[0].IsUsed = true;
    entries[15].IsUsed = true;
    station_.TempSwitchOn(entries);
    ASSERT_EQ(PostedItems(), (std::vector<int>{51, 58, 59, 113, 71, 114}));
    TRtu6TempActionTable list;
    ASSERT_TRUE(LoadPlanItem(list, Payload(0), station_.StreetLampMask()));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(1)->GetLoops(), 0x8001);
    EXPECT_NEAR(list.Get(1)->TimeOfDay(), TimeOf(kNow) - 2 * kMinute, 1e-9);
    EXPECT_DOUBLE_EQ(DateOf(list.StartDate), DateOf(kNow));
    EXPECT_EQ(store_.Tasks[1].Deadline, kNow + 20 * kMinute);

    store_.Tasks.clear();
    std::array<bool, kMaxLoops> off{};
    off[1] = true;
    station_.TempSwitchOff(off);
    EXPECT_EQ(PostedItems(), (std::vector<int>{50, 51, 58, 59, 113, 71, 114}));
}

TEST_F(SessionPlansTest, LoopOnOffSummary) {
    SetTodaySunTimes({EncodeTime(18, 40, 0), EncodeTime(6, 10, 0), DateOf(kNow)});
    TRtu6TimeTable table;
    table.CurrentThemeId = 1;  // the weekend plan runs
    TRtu6Action on, off, late;
    on.SetOn(true);
    on.AtSunset();
    on.SetLoops(0x0001);
    late.AtTime(EncodeTime(23, 30, 0));
    late.SetLoops(0x0003);
    off.AtSunrise();
    off.SetLoops(0x0001);
    table.WeekendPlan().Put(1, off);
    table.WeekendPlan().Put(2, on);
    table.WeekendPlan().Put(3, late);
    TRtu6Action tempOn;
    tempOn.SetOn(true);
    tempOn.AtTime(EncodeTime(21, 5, 0));
    tempOn.SetLoops(0x0001);
    table.TemporaryOnOff().StartDate = DateOf(kNow);
    table.TemporaryOnOff().Put(1, tempOn);

    auto texts = station_.DescribeLoopTimes(1, table);
    EXPECT_EQ(texts.On, "18:40");
    EXPECT_EQ(texts.Off, "23:30*06:10");
    EXPECT_EQ(texts.Temporary, "04-01 21:05 ---");
    texts = station_.DescribeLoopTimes(2, table);
    EXPECT_EQ(texts.On, "");
    EXPECT_EQ(texts.Off, "23:30");
    EXPECT_EQ(texts.Temporary, "");

    // A relative time that points forward is an error: nothing is described.
    TRtu6Action forward;
    forward.SetOn(true);
    forward.AfterAction(5, EncodeTime(1, 0, 0));
    forward.SetLoops(0x0001);
    table.WeekendPlan().Put(4, forward);
    texts = station_.DescribeLoopTimes(1, table);
    EXPECT_EQ(texts.On + texts.Off + texts.Temporary, "");
    EXPECT_EQ(station_.DescribeLoopTimes(17, table).On, "");
}
