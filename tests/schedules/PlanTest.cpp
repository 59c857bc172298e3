#include "schedules/ActionTables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Logs.h"
#include "app/Paths.h"
#include "platform/CheckError.h"
#include "platform/Encoding.h"
#include "schedules/ScheduleTestSupport.h"
#include "schedules/TimeTables.h"
#include "stations/Station6Class.h"
#include "support/TempDir.h"

namespace {

const TDateTime kToday = EncodeDate(2014, 3, 5);

// A plan of one loop.
TTheme OneLoop(int loop, std::initializer_list<TOnceOnOffInfo> entries) {
    TTheme theme;
    int k = 1;
    for (const TOnceOnOffInfo& entry : entries) theme.Loop(loop).Entry(k++) = entry;
    return theme;
}

// Action lists written as hexadecimal text.
TBytes Actions(const char* hex) {
    return HexTextToBytes(hex);
}

class PlanTest : public ::testing::Test {
protected:
    PlanTest() { Station_.SetStreetLampMask(0x0001); }

    bool Build(const TTheme& ordinary) {
        return BuildTimeTable(Station_, ordinary, {}, {}, {}, {}, Table_);
    }
    bool BuildTemp(const TTempTheme& temp) {
        return BuildTimeTable(Station_, {}, {}, {}, {}, temp, Table_);
    }
    std::string Ordinary() const { return Hex(Table_.OrdinaryPlan().Encode()); }
    // The ordinary list sent as item 52 and read back.
    std::optional<TTheme> ReadBack() const {
        TRtu6ActionTable list;
        const std::uint16_t mask = Station_.StreetLampMask();
        if (!LoadPlanItem(list, PlanItemPayload(Table_.OrdinaryPlan()), mask)) return {};
        return list.ToTheme(mask);
    }
    std::string ErrorLog() const {
        return GbkToUtf8(ReadWholeFile(Folder_ / "Log/Sr20140305.txt"));
    }

    TempDir Folder_;
    TScopedProgramFolder Program_{Folder_.Path()};
    TScopedManualClock Clock_{kToday + Hm(10, 0)};
    TScopedSunTimes Sun_{Hm(18, 0), Hm(6, 0)};
    TStation6Test Station_;
    TRtu6TimeTable Table_;
};

// ---- Building ----------------------------------------------------------------------------------

TEST_F(PlanTest, StreetLampLoopWithOneChangeBuildsThreeActionsAndReadsBack) {
    TTheme plan = OneLoop(1, {Entry(0, 0, 0, 0, 1), Change(1, Hm(23, 0), 2)});
    plan.Loop(1).IsStreetLamp = true;
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Ordinary(), "80 00 00 00 01 81 A0 23 00 00 01 82 10 00 00 00 01 00");

    const std::optional<TTheme> back = ReadBack();
    ASSERT_TRUE(back);
    const TOnOffInfo& loop = back->Loop(1);
    EXPECT_TRUE(loop.IsStreetLamp);
    EXPECT_TRUE(loop.Entry(1).IsUsed);
    EXPECT_EQ(loop.Entry(1).OnTimeMode, 0);
    EXPECT_EQ(loop.Entry(1).OffTimeMode, 0);
    EXPECT_EQ(loop.Entry(1).LampsMode, 1);
    EXPECT_TRUE(loop.Entry(2).IsUsed);
    EXPECT_EQ(loop.Entry(2).OnTimeMode, 1);
    EXPECT_EQ(loop.Entry(2).OnTime, Hm(23, 0));
    EXPECT_EQ(loop.Entry(2).LampsMode, 2);
    EXPECT_FALSE(loop.Entry(3).IsUsed);
    EXPECT_TRUE(SameTheme(*back, plan));
}

TEST_F(PlanTest, IdenticalLoopsShareTheirActions) {
    Station_.SetStreetLampMask(0x0003);
    TTheme plan = OneLoop(1, {Entry(0, 0, 0, 0, 1), Change(1, Hm(23, 0), 2)});
    plan.Loop(2) = plan.Loop(1);
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Ordinary(), "80 00 00 00 03 81 A0 23 00 00 03 82 10 00 00 00 03 00");
}

TEST_F(PlanTest, RelativeTimeRefersToThePositionOfTheLoopsPrecedingAction) {
    TTheme plan = OneLoop(1, {Entry(0, 0, 0, 0, 1)});
    plan.Loop(1).IsStreetLamp = true;
    plan.Loop(2).Entry(1) = Entry(1, Hm(20, 0), 2, Hm(4, 0));
    plan.Loop(2).Entry(2) = Entry(2, Hm(0, 30), 0, 0);
    ASSERT_TRUE(Build(plan));
    // Loop 2's switch-off counts from its switch-on at position 3, its second switch-on from
    // that switch-off (4); its sunrise switch-off is loop 1's action 2.
    EXPECT_EQ(Ordinary(),
              "80 00 00 00 01 81 10 00 00 00 03 00 A0 20 00 00 02 00 "
              "33 04 00 00 02 00 B4 00 30 00 02 00");
    const std::optional<TTheme> back = ReadBack();
    ASSERT_TRUE(back);
    EXPECT_TRUE(SameTheme(*back, plan));
}

TEST_F(PlanTest, SwitchOnBeforeSunsetReadsBackAsMode3) {
    const TTheme plan = OneLoop(2, {Entry(3, Hm(2, 0), 1, Hm(23, 0))});
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Ordinary(), "C0 02 00 00 02 00 20 23 00 00 02 00");
    const std::optional<TTheme> back = ReadBack();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Loop(2).Entry(1).OnTimeMode, 3);
    EXPECT_EQ(back->Loop(2).Entry(1).OnTime, Hm(2, 0));
}

TEST_F(PlanTest, FirstSwitchOnAfterThePreviousActionIsBuiltAsSunset) {
    const TTheme plan = OneLoop(2, {Entry(2, Hm(1, 0), 0, 0)});
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Ordinary(), "80 00 00 00 02 00 10 00 00 00 02 00");
    const std::optional<TTheme> back = ReadBack();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->Loop(2).Entry(1).OnTimeMode, 0);
}

TEST_F(PlanTest, OnlyLoopsOfTheStationThatAreInUseAndScheduledAreBuilt) {
    Station_.Loop(3)->InUse = false;
    Station_.Loops().Set(4, nullptr);
    TTheme plan;
    for (int s : {3, 4, 5, 6}) plan.Loop(s).Entry(1) = Entry(1, Hm(19, 0), 1, Hm(23, 0), 3);
    plan.Loop(5).Entry(1).IsUsed = false;  // entry 2 alone is no schedule
    plan.Loop(5).Entry(2) = Entry(1, Hm(20, 0), 1, Hm(22, 0));
    plan.Loop(6).IsStreetLamp = true;  // the station's loop decides, not the plan
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Ordinary(), "A0 19 00 00 20 00 20 23 00 00 20 00");
}

TEST_F(PlanTest, StopsAtTheFirstUnusedEntry) {
    TTheme plan = OneLoop(2, {Entry(1, Hm(19, 0), 1, Hm(20, 0))});
    plan.Loop(2).Entry(3) = Entry(1, Hm(22, 0), 1, Hm(23, 0));
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Table_.OrdinaryPlan().Count(), 2);
}

TEST_F(PlanTest, FifteenDistinctActionsFitSixteenFailAndAreLogged) {
    TTheme plan;
    for (int s = 2; s <= 8; ++s) plan.Loop(s).Entry(1) = Entry(1, Hm(17, s), 1, Hm(23, s));
    plan.Loop(9).Entry(1) = Entry(1, Hm(17, 2), 1, Hm(22, 0));  // shares loop 2's switch-on
    ASSERT_TRUE(Build(plan));
    EXPECT_EQ(Table_.OrdinaryPlan().Count(), 15);

    plan.Loop(9).Entry(1).OnTime = Hm(16, 0);
    Table_.CurrentThemeId = 2;
    EXPECT_FALSE(Build(plan));
    EXPECT_EQ(Table_.OrdinaryPlan().Count(), 0);
    EXPECT_EQ(Table_.CurrentThemeId, kNoTheme) << "the target is cleared";
    EXPECT_NE(ErrorLog().find("Unable MakeTimeTable."), std::string::npos) << ErrorLog();
}

TEST_F(PlanTest, EntryThatMakesNoActionFailsTheBuild) {
    ASSERT_TRUE(Build(OneLoop(2, {Entry(1, Hm(19, 0), 1, Hm(20, 0))})));
    EXPECT_FALSE(Build(OneLoop(2, {Entry(1, Hm(19, 0), 7, Hm(20, 0))})));
    EXPECT_EQ(Table_.OrdinaryPlan().Count(), 0);
    EXPECT_NE(ErrorLog().find("Unable MakeTimeTable."), std::string::npos);
}

TEST_F(PlanTest, StreetLampEntryWithoutLampModeRaisesAndLeavesTheTargetCleared) {
    ASSERT_TRUE(Build(OneLoop(2, {Entry(1, Hm(19, 0), 1, Hm(20, 0))})));
    EXPECT_THROW(Build(OneLoop(1, {Entry(0, 0, 0, 0, 0)})), TCheckError);
    EXPECT_EQ(Table_.OrdinaryPlan().Count(), 0);
}

TEST_F(PlanTest, TemporaryPlanCarriesItsDatesInItem55) {
    TCustomTheme temporary;
    temporary.StartDate = kToday;
    temporary.Days = 3;
    temporary.Theme = OneLoop(2, {Entry(1, Hm(19, 0), 0, 0)});
    ASSERT_TRUE(BuildTimeTable(Station_, {}, {}, {}, temporary, {}, Table_));
    const TBytes payload = PlanItemPayload(Table_.TemporaryPlan());
    EXPECT_EQ(Hex(payload), "02 20 14 03 05 20 14 03 07 A0 19 00 00 02 00 10 00 00 00 02 00");

    TRtu6CustomActionTable back;
    ASSERT_TRUE(LoadPlanItem(back, payload, 0x0001));
    EXPECT_EQ(back.StartDate, kToday);
    EXPECT_EQ(back.Days, 3);
    EXPECT_TRUE(back.SameAs(Table_.TemporaryPlan()));
}

TEST_F(PlanTest, TemporaryOnOffSharesOneSwitchOnBetweenStreetLampAndOtherLoops) {
    Station_.SetStreetLampMask(0x0002);
    TTempTheme temp;
    temp.OnUsed = temp.OffUsed = true;
    temp.OnDateTime = kToday + EncodeTime(19, 30, 40);
    temp.OffDateTime = IncDay(kToday, 1) + Hm(5, 0);
    temp.LampsMode = 3;
    temp.Saving = true;
    temp.Loops = 0x0006;
    ASSERT_TRUE(BuildTemp(temp));
    const TBytes payload = PlanItemPayload(Table_.TemporaryOnOff());
    EXPECT_EQ(Hex(payload), "02 20 14 03 05 A0 19 30 00 06 A3 20 05 00 00 06 00");

    TRtu6TempActionTable back;
    ASSERT_TRUE(LoadPlanItem(back, payload, 0x0002));
    const std::optional<TTempTheme> read = back.ToTempTheme(0x0002);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->OnUsed && read->OffUsed);
    EXPECT_EQ(read->OnDateTime, kToday + Hm(19, 30));
    // The list has one date: a switch-off on the next morning reads back on the same date.
    EXPECT_EQ(read->OffDateTime, kToday + Hm(5, 0));
    EXPECT_EQ(read->LampsMode, 3);
    EXPECT_TRUE(read->Saving);
    EXPECT_EQ(read->Loops, 0x0006);
}

TEST_F(PlanTest, TemporaryOnOffAroundNoonReadsBack) {
    TTempTheme temp;
    temp.OnUsed = temp.OffUsed = true;
    temp.OnDateTime = kToday + Hm(11, 0);
    temp.OffDateTime = kToday + Hm(13, 0);
    temp.LampsMode = 2;
    temp.Loops = 0x0001;
    ASSERT_TRUE(BuildTemp(temp));
    TRtu6TempActionTable back;
    ASSERT_TRUE(LoadPlanItem(back, PlanItemPayload(Table_.TemporaryOnOff()), 0x0001));
    EXPECT_EQ(back.Count(), 2);
}

TEST_F(PlanTest, TemporaryOnOffOfOnlyASwitchOffTakesItsDate) {
    TTempTheme temp;
    temp.OffUsed = true;
    temp.OffDateTime = IncDay(kToday, 2) + Hm(1, 0);
    temp.Loops = 0x0004;
    ASSERT_TRUE(BuildTemp(temp));
    EXPECT_EQ(Hex(Table_.TemporaryOnOff().Encode()), "20 14 03 07 20 01 00 00 04 00");

    temp.Loops = 0;
    ASSERT_TRUE(BuildTemp(temp));
    EXPECT_EQ(Table_.TemporaryOnOff().Count(), 0);
    EXPECT_EQ(Hex(PlanItemPayload(Table_.TemporaryOnOff())), "00");
}

// ---- Merging -----------------------------------------------------------------------------------

struct TMergeCase {
    const char* Name;
    const char* Stored;
    const char* Added;
    int Position;        // of Add
    const char* Result;  // slot 1 after Add
};

TEST(ActionListTest, AddMergesActionsThatAreTheSameForMerging) {
    const TMergeCase cases[] = {
        {"loops joined", "A0 19 00 00 01 81", "A0 19 00 01 02 81", 1, "A0 19 00 01 03 81"},
        {"saving not compared, stored kept", "A0 19 00 00 01 A1", "A0 19 00 00 02 81", 1,
         "A0 19 00 00 03 A1"},
        {"lamp mode taken over, saving kept", "A0 19 00 00 01 20", "A0 19 00 00 02 C4", 1,
         "A0 19 00 00 03 E4"},
        {"no lamp mode added", "A0 19 00 00 01 C4", "A0 19 00 00 02 00", 1, "A0 19 00 00 03 C4"},
        {"other mode number", "A0 19 00 00 01 81", "A0 19 00 00 02 82", 2, "A0 19 00 00 01 81"},
        {"other bank", "A0 19 00 00 01 81", "A0 19 00 00 02 C1", 2, "A0 19 00 00 01 81"},
        {"on and off", "A0 19 00 00 01 00", "20 19 00 00 02 00", 2, "A0 19 00 00 01 00"},
        {"other kind", "A0 19 00 00 01 00", "C0 19 00 00 02 00", 2, "A0 19 00 00 01 00"},
        {"other minute", "A0 19 00 00 01 00", "A0 19 01 00 02 00", 2, "A0 19 00 00 01 00"},
        {"other reference", "B1 01 00 00 01 00", "B2 01 00 00 02 00", 2, "B1 01 00 00 01 00"},
    };
    for (const TMergeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRtu6Action stored, added;
        ASSERT_TRUE(stored.LoadFromBytes(Actions(c.Stored)));
        ASSERT_TRUE(added.LoadFromBytes(Actions(c.Added)));
        TRtu6ActionTable list;
        ASSERT_EQ(list.Add(stored), 1);
        EXPECT_EQ(list.IndexOf(added), c.Position == 1 ? 1 : -1);
        EXPECT_EQ(list.Add(added), c.Position);
        EXPECT_EQ(Hex(list.Get(1)->Encode()), c.Result);
    }
}

TEST(ActionListTest, AddAnswersMinusOneWhenTheListIsFull) {
    TRtu6TempActionTable list;
    TRtu6Action action;
    for (int minute = 0; minute < 2; ++minute) {
        action.AtTime(Hm(19, minute));
        EXPECT_EQ(list.Add(action), minute + 1);
    }
    action.AtTime(Hm(19, 2));
    EXPECT_EQ(list.Add(action), -1);
    action.AtTime(Hm(19, 1));
    EXPECT_EQ(list.Add(action), 2) << "merging still works";
}

TEST(ActionListTest, CountStopsAtTheFirstEmptySlotOrInvalidAction) {
    TRtu6ActionTable list;
    TRtu6Action action;
    list.Put(1, action);
    list.Put(3, action);
    list.Put(0, action);   // ignored
    list.Put(16, action);  // ignored
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Get(3)->Encode(), action.Encode());
    EXPECT_EQ(list.Get(16), nullptr);
}

TEST(ActionListTest, SameAsComparesTheSlotsOfThisListAndTheDatesOfTemporaryLists) {
    TRtu6ActionTable a, b;
    ASSERT_TRUE(a.LoadFromBytes(Actions("A0 19 00 00 02 00 20 23 00 00 02 00"), 0));
    ASSERT_TRUE(b.LoadFromBytes(Actions("A0 19 00 00 02 00"), 0));
    EXPECT_TRUE(b.SameAs(a)) << "slots beyond this list's count are not compared";
    EXPECT_FALSE(a.SameAs(b));

    TRtu6CustomActionTable c, d;
    a.AssignTo(c);
    a.AssignTo(d);
    c.StartDate = d.StartDate = kToday;
    c.Days = 3;
    d.Days = 2;
    EXPECT_TRUE(a.SameAs(c));
    EXPECT_FALSE(c.SameAs(a)) << "needs a temporary plan";
    EXPECT_FALSE(c.SameAs(d));
    d.Days = 3;
    EXPECT_TRUE(c.SameAs(d));

    TRtu6TempActionTable e, f;
    e.StartDate = kToday;
    EXPECT_FALSE(e.SameAs(f));
    f.StartDate = kToday;
    EXPECT_TRUE(e.SameAs(f));
    EXPECT_FALSE(e.SameAs(c));
}

// ---- Decoding ----------------------------------------------------------------------------------

struct TDecodeCase {
    const char* Name;
    const char* Bytes;
    bool Ok;
};

TEST(ActionListTest, DecodingRefusesWhatTheEditingModelCannotExpress) {
    // Loop 1 is a street-lamp loop, loop 2 is not.
    const TDecodeCase cases[] = {
        {"empty list", "", true},
        {"13 bytes", "A0 19 00 00 02 00 20 23 00 00 02 00 00", false},
        {"invalid second action", "A0 19 00 00 02 00 20 24 00 00 02 00", false},
        {"pairs at sunset and sunrise", "80 00 00 00 02 00 10 00 00 00 02 00", true},
        {"switch-on after sunset", "D0 01 00 00 02 00 10 00 00 00 02 00", false},
        {"switch-on before sunrise", "E0 01 00 00 02 00 10 00 00 00 02 00", false},
        {"switch-off after sunrise", "80 00 00 00 02 00 70 01 00 00 02 00", false},
        {"switch-on at sunrise", "90 00 00 00 02 00", false},
        {"switch-off at sunset", "A0 17 00 00 02 00 00 00 00 00 02 00", false},
        {"switch-off before sunset", "A0 17 00 00 02 00 40 00 30 00 02 00", false},
        {"two switch-offs in a row", "A0 19 00 00 02 00 20 22 00 00 02 00 20 23 00 00 02 00",
         false},
        {"two switch-ons in a row", "A0 19 00 00 02 00 A0 20 00 00 02 00 20 23 00 00 02 00", false},
        {"switch-off with a lamp mode", "A0 19 00 00 02 00 20 23 00 00 02 81", false},
        {"lamp mode for no street-lamp loop", "A0 19 00 00 02 81 20 23 00 00 02 00", false},
        {"lamp mode with a street-lamp loop", "A0 19 00 00 03 81 20 23 00 00 03 00", true},
        {"street lamp switched on after its switch-off",
         "80 00 00 00 01 81 20 23 00 00 01 00 A0 23 30 00 01 82", false},
        {"street lamp switched on without lamp mode", "80 00 00 00 01 00 10 00 00 00 01 00", true},
        {"street lamp with five changes",
         "80 00 00 00 01 81 A0 19 00 00 01 82 A0 20 00 00 01 83 A0 21 00 00 01 84 "
         "A0 22 00 00 01 85 A0 23 00 00 01 8F 10 00 00 00 01 00",
         true},
        {"seven pairs",
         "A0 13 00 00 02 00 20 13 30 00 02 00 A0 14 00 00 02 00 20 14 30 00 02 00 "
         "A0 15 00 00 02 00 20 15 30 00 02 00 A0 16 00 00 02 00 20 16 30 00 02 00 "
         "A0 17 00 00 02 00 20 17 30 00 02 00 A0 18 00 00 02 00 20 18 30 00 02 00 "
         "A0 19 00 00 02 00 20 19 30 00 02 00",
         false},
        {"list order is not time order", "20 02 00 00 02 00 A0 19 00 00 02 00", true},
        {"actions for no loop", "A0 19 00 00 00 00 A0 19 00 00 00 00", true},
    };
    TScopedSunTimes sun(Hm(18, 0), Hm(6, 0));
    for (const TDecodeCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRtu6ActionTable list;
        ASSERT_TRUE(list.LoadFromBytes(Actions("A0 19 00 00 02 00"), 0x0001));
        EXPECT_EQ(list.LoadFromBytes(Actions(c.Bytes), 0x0001), c.Ok);
        if (c.Ok) {
            EXPECT_EQ(Hex(list.Encode()), Hex(Actions(c.Bytes)));
        } else {
            EXPECT_EQ(list.Count(), 0);
            EXPECT_EQ(list.Get(1), nullptr);
        }
    }
}

TEST(ActionListTest, SixteenActionsAreTooManyForAList) {
    TBytes bytes;
    for (int i = 0; i < 16; ++i) bytes += Actions("A0 19 00 00 00 00");
    TRtu6ActionTable list;
    EXPECT_FALSE(list.LoadFromBytes(bytes, 0));
    EXPECT_TRUE(list.LoadFromBytes(bytes.substr(6), 0));
    EXPECT_EQ(list.Count(), 15);
}

TEST(ActionListTest, StreetLampLoopWithFiveChangesReadsBackAsSixEntries) {
    TScopedSunTimes sun(Hm(18, 0), Hm(6, 0));
    TRtu6ActionTable list;
    ASSERT_TRUE(list.LoadFromBytes(Actions("80 00 00 00 01 81 A0 19 00 00 01 82 B2 01 00 00 01 83 "
                                           "A0 21 00 00 01 84 A0 22 00 00 01 85 "
                                           "A0 23 00 00 01 AF 36 00 30 00 01 00"),
                                   0x0001));
    const std::optional<TTheme> theme = list.ToTheme(0x0001);
    ASSERT_TRUE(theme);
    const TOnOffInfo& loop = theme->Loop(1);
    EXPECT_EQ(loop.UsedCount(), 6);
    EXPECT_EQ(loop.Entry(3).OnTimeMode, 2);
    EXPECT_EQ(loop.Entry(3).OnTime, Hm(1, 0));
    EXPECT_EQ(loop.Entry(6).LampsMode, 15);
    EXPECT_TRUE(loop.Entry(6).Saving);
    EXPECT_EQ(loop.Entry(1).OffTimeMode, 2);
    EXPECT_EQ(loop.Entry(1).OffTime, Hm(0, 30));
}

TEST(ActionListTest, TimeOrderDecidesTheEntries) {
    TScopedSunTimes sun(Hm(18, 0), Hm(6, 0));
    TRtu6ActionTable list;
    // Off at 02:00, on at 19:00, on at 04:00 (after the night's first switch-off), off at
    // sunrise, in list order mixed up.
    ASSERT_TRUE(list.LoadFromBytes(Actions("20 02 00 00 02 00 A0 04 00 00 02 00 "
                                           "A0 19 00 00 02 00 10 00 00 00 02 00"),
                                   0));
    const std::optional<TTheme> theme = list.ToTheme(0);
    ASSERT_TRUE(theme);
    TTheme expected = OneLoop(2, {Entry(1, Hm(19, 0), 1, Hm(2, 0)), Entry(1, Hm(4, 0), 0, 0)});
    EXPECT_TRUE(SameTheme(*theme, expected));
}

struct TDatedCase {
    const char* Name;
    const char* Bytes;
    bool Ok;
    TDateTime StartDate;
    int Days;
};

TEST(ActionListTest, TemporaryPlanDates) {
    const TDatedCase cases[] = {
        {"empty", "", true, 0, 0},
        {"three days", "20 14 03 05 20 14 03 07 A0 19 00 00 02 00", true, kToday, 3},
        {"dates alone", "20 14 03 05 20 14 03 05", true, kToday, 1},
        {"end before start", "20 14 03 05 20 14 03 03 A0 19 00 00 02 00", true, kToday, 0},
        {"over a year end", "20 13 12 31 20 14 01 02", true, EncodeDate(2013, 12, 31), 3},
        {"no action part", "20 14 03 05 20 14 03", false, 0, 0},
        {"short action", "20 14 03 05 20 14 03 07 A0 19 00 00 02", false, 0, 0},
        {"not BCD", "20 14 A3 05 20 14 03 07", false, 0, 0},
        {"month 13", "20 14 13 05 20 14 03 07", false, 0, 0},
        {"30 February", "20 14 02 30 20 14 03 07", false, 0, 0},
        {"bad action", "20 14 03 05 20 14 03 07 A0 24 00 00 02 00", false, 0, 0},
    };
    for (const TDatedCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRtu6CustomActionTable list;
        ASSERT_TRUE(list.LoadFromBytes(Actions("20 14 01 01 20 14 01 09 A0 18 00 00 02 00"), 0));
        EXPECT_EQ(list.LoadFromBytes(Actions(c.Bytes), 0), c.Ok);
        EXPECT_EQ(list.StartDate, c.StartDate);
        EXPECT_EQ(list.Days, c.Days);
        if (!c.Ok) {
            EXPECT_EQ(list.Get(1), nullptr);
        }
    }
}

TEST(ActionListTest, TemporaryOnOffDecoding) {
    const TDatedCase cases[] = {
        {"empty", "", true, 0, 0},
        {"on and off at fixed times", "20 14 03 05 A0 19 30 00 03 82 20 23 00 00 03 00", true,
         kToday, 0},
        {"date alone", "20 14 03 05", true, kToday, 0},
        {"switch-on at sunset", "20 14 03 05 80 00 00 00 03 82", false, 0, 0},
        {"timed action for no loop", "20 14 03 05 80 00 00 00 00 82", true, kToday, 0},
        {"lamp mode without a street-lamp loop", "20 14 03 05 A0 19 30 00 02 82", false, 0, 0},
        {"three actions", "20 14 03 05 A0 19 30 00 01 82 20 23 00 00 01 00 20 23 30 00 01 00",
         false, 0, 0},
        {"short date", "20 14 03", false, 0, 0},
        {"not a date", "20 14 03 32 A0 19 30 00 01 82", false, 0, 0},
    };
    for (const TDatedCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TRtu6TempActionTable list;
        ASSERT_TRUE(list.LoadFromBytes(Actions("20 14 01 01 A0 18 00 00 01 00"), 0x0001));
        EXPECT_EQ(list.LoadFromBytes(Actions(c.Bytes), 0x0001), c.Ok);
        EXPECT_EQ(list.StartDate, c.StartDate);
        if (!c.Ok) {
            EXPECT_EQ(list.Get(1), nullptr);
        }
    }
}

TEST(ActionListTest, TemporaryOnOffWithoutLampModeReadsAsModeOne) {
    TRtu6TempActionTable list;
    ASSERT_TRUE(list.LoadFromBytes(Actions("20 14 03 05 A0 19 30 00 02 20"), 0x0001));
    const std::optional<TTempTheme> temp = list.ToTempTheme(0x0001);
    ASSERT_TRUE(temp);
    EXPECT_TRUE(temp->OnUsed);
    EXPECT_FALSE(temp->OffUsed);
    EXPECT_EQ(temp->LampsMode, 1);
    EXPECT_FALSE(temp->Saving) << "the saving bit counts only with a lamp mode";
}

// ---- Plan items --------------------------------------------------------------------------------

TEST(PlanItemTest, ListItemsTakeTheirCountAndIgnoreTrailingBytes) {
    TRtu6ActionTable list;
    EXPECT_FALSE(LoadPlanItem(list, "", 0));
    EXPECT_TRUE(LoadPlanItem(list, Actions("00 A0 19"), 0));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(LoadPlanItem(list, Actions("01 A0 19 00 00 02 00 20 23 00 00 02 00"), 0));
    EXPECT_EQ(list.Count(), 1) << "one action counted";
    EXPECT_FALSE(LoadPlanItem(list, Actions("02 A0 19 00 00 02 00 20 23 00 00 02"), 0));
    EXPECT_EQ(list.Count(), 0);
    ASSERT_TRUE(LoadPlanItem(list, Actions("01 A0 19 00 00 02 00"), 0));
    EXPECT_FALSE(LoadPlanItem(list, Actions("02 A0 19 00 00 02 00"), 0)) << "an action missing";
    EXPECT_EQ(list.Count(), 0);
}

class WholeTableTest : public PlanTest {
protected:
    void FillAllLists() {
        Station_.SetStreetLampMask(0);
        const TTheme plan = OneLoop(2, {Entry(1, Hm(19, 0), 1, Hm(23, 0))});
        TCustomTheme temporary{kToday, 2, plan};
        TTempTheme temp;
        temp.OnUsed = true;
        temp.OnDateTime = kToday + Hm(20, 0);
        temp.Loops = 0x0004;
        ASSERT_TRUE(BuildTimeTable(Station_, plan, plan, plan, temporary, temp, Table_));
    }
};

TEST_F(WholeTableTest, Item49RoundTripAndLayout) {
    FillAllLists();
    const TBytes bytes = Table_.Encode();
    EXPECT_EQ(Hex(bytes.substr(0, 5)), "02 02 02 02 01");
    EXPECT_EQ(bytes.size(), 5u + 3 * 12 + 8 + 12 + 4 + 6);

    TRtu6TimeTable back;
    ASSERT_TRUE(back.LoadFromBytes(bytes, 0));
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(back.List(i).SameAs(Table_.List(i))) << i;
}

TEST_F(WholeTableTest, Item49WithFiveZeroBytesIsFiveEmptyLists) {
    FillAllLists();
    ASSERT_TRUE(Table_.LoadFromBytes(TBytes(5, '\0'), 0));
    for (int i = 0; i < 5; ++i) EXPECT_EQ(Table_.List(i).Count(), 0) << i;
    EXPECT_EQ(Table_.TemporaryPlan().StartDate, 0);
    EXPECT_EQ(Table_.TemporaryOnOff().StartDate, 0);
}

TEST_F(WholeTableTest, Item49StopsAtTheFirstListThatFails) {
    // Ordinary one action, temporary plan count 1 but its dates (or all of it) missing.
    for (const char* bytes : {"01 00 00 01 00 A0 19 00 00 02 00 A0 18 00 00 02 00",
                              "01 00 00 01 01 A0 19 00 00 02 00"}) {
        SCOPED_TRACE(bytes);
        EXPECT_FALSE(Table_.LoadFromBytes(Actions(bytes), 0));
        EXPECT_EQ(Table_.OrdinaryPlan().Count(), 1);
        EXPECT_EQ(Table_.TemporaryPlan().Count(), 0);
    }

    FillAllLists();
    EXPECT_FALSE(Table_.LoadFromBytes(Actions("00 00 00 00"), 0)) << "shorter than 5 bytes";
    EXPECT_EQ(Table_.OrdinaryPlan().Count(), 2) << "nothing changed";
}

TEST_F(WholeTableTest, Item50SendsTheTemporaryPlanOnlyWhenCurrent) {
    FillAllLists();
    TRtu6TimeTable sent = Table_;
    const TBytes current = FixedTimerPayload(sent);
    EXPECT_EQ(Hex(current.substr(0, 4)), "02 02 02 02");
    EXPECT_EQ(current.size(), 4u + 3 * 12 + 8 + 12);
    TRtu6TimeTable back;
    ASSERT_TRUE(LoadFixedTimerItem(back, current, 0));
    EXPECT_TRUE(back.TemporaryPlan().SameAs(sent.TemporaryPlan()));

    sent.TemporaryPlan().StartDate = IncDay(kToday, -1);  // started yesterday
    EXPECT_FALSE(sent.TemporaryPlan().IsCurrent());
    const TBytes stale = FixedTimerPayload(sent);
    EXPECT_EQ(Hex(stale.substr(0, 4)), "02 02 02 00");
    EXPECT_EQ(stale.size(), 4u + 3 * 12);
    ASSERT_TRUE(LoadFixedTimerItem(back, stale, 0));
    EXPECT_EQ(back.TemporaryPlan().Count(), 0);
    EXPECT_EQ(back.TemporaryOnOff().Count(), 0) << "item 50 leaves the temporary on/off alone";
    EXPECT_FALSE(LoadFixedTimerItem(back, Actions("00 00 00"), 0));
}

TEST_F(PlanTest, CurrentListsFollowToday) {
    TRtu6CustomActionTable temporary;
    TRtu6TempActionTable temp;
    EXPECT_TRUE(TRtu6ActionTable().IsCurrent());
    EXPECT_FALSE(temporary.IsCurrent());
    EXPECT_FALSE(temp.IsCurrent());
    temporary.StartDate = temp.StartDate = kToday + Hm(20, 0);
    EXPECT_FALSE(temporary.IsCurrent()) << "no days";
    temporary.Days = 1;
    EXPECT_TRUE(temporary.IsCurrent());
    EXPECT_TRUE(temp.IsCurrent());
    Clock_.Clock().Set(IncDay(kToday, 1));
    EXPECT_FALSE(temporary.IsCurrent());
    EXPECT_FALSE(temp.IsCurrent());
}

// ---- Plan equality and loop kinds --------------------------------------------------------------

TEST(ThemeTest, SameThemeComparesWhatTheUserSees) {
    const TTheme base = OneLoop(1, {Entry(0, Hm(1, 0), 1, Hm(23, 0), 1)});
    struct TCase {
        const char* Name;
        void (*Change)(TTheme&);
        bool Same;
    };
    const TCase cases[] = {
        {"unchanged", [](TTheme&) {}, true},
        {"time of mode 0", [](TTheme& t) { t.Loop(1).Entry(1).OnTime = Hm(2, 0); }, true},
        {"fixed time", [](TTheme& t) { t.Loop(1).Entry(1).OffTime = Hm(23, 1); }, false},
        {"mode", [](TTheme& t) { t.Loop(1).Entry(1).OffTimeMode = 2; }, false},
        {"lamp mode", [](TTheme& t) { t.Loop(1).Entry(1).LampsMode = 2; }, false},
        {"saving", [](TTheme& t) { t.Loop(1).Entry(1).Saving = true; }, false},
        {"kind of loop", [](TTheme& t) { t.Loop(1).IsStreetLamp = true; }, false},
        {"unused entry", [](TTheme& t) { t.Loop(1).Entry(4).OnTimeMode = 3; }, false},
        {"no schedule in another loop",
         [](TTheme& t) {
             t.Loop(2).IsStreetLamp = true;
             t.Loop(2).Entry(2) = Entry(1, Hm(3, 0), 1, Hm(4, 0));
         },
         true},
        {"schedule in another loop",
         [](TTheme& t) { t.Loop(2).Entry(1) = Entry(1, Hm(3, 0), 1, Hm(4, 0)); }, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TTheme changed = base;
        c.Change(changed);
        EXPECT_EQ(SameTheme(base, changed), c.Same);
        EXPECT_EQ(SameTheme(changed, base), c.Same);
    }
    EXPECT_FALSE(IsEmptyTheme(base));
    TTheme empty;
    empty.Loop(3).Entry(2).IsUsed = true;
    EXPECT_TRUE(IsEmptyTheme(empty));
}

TEST(ThemeTest, SetLoopKindKeepsTheFirstEntrysTimes) {
    TOnOffInfo pairs;
    pairs.Entry(1) = Entry(3, Hm(0, 20), 2, Hm(5, 0), 0, true);
    pairs.Entry(2) = Entry(1, Hm(3, 0), 0, 0);

    TOnOffInfo street = pairs;
    SetLoopKind(true, street);
    EXPECT_TRUE(street.IsStreetLamp);
    EXPECT_EQ(street.UsedCount(), 1);
    EXPECT_TRUE(SameEntry(street.Entry(1), Entry(3, Hm(0, 20), 2, Hm(5, 0), 1, true)));

    TOnOffInfo back = street;
    SetLoopKind(false, back);
    EXPECT_FALSE(back.IsStreetLamp);
    EXPECT_EQ(back.Entry(1).LampsMode, 0);

    TOnOffInfo same = pairs;
    SetLoopKind(false, same);  // already that kind
    EXPECT_EQ(same.UsedCount(), 2);
    TOnOffInfo unscheduled;
    unscheduled.Entry(2).IsUsed = true;
    SetLoopKind(true, unscheduled);
    EXPECT_FALSE(unscheduled.IsStreetLamp) << "a loop without schedule keeps its kind";
    EXPECT_TRUE(unscheduled.Entry(2).IsUsed);
}

// ---- Plan status
// ---------------------------------------------------------------------------------

TBytes PlanStatusBytes() {
    return Actions(
        "20 14 03 05 18 30 05 03 02 02 41 "  // clock, week, plan code, perform mode, weekend
        "0C 1A 2B 00 00 00 05 FF 01 06 00 10 12 AB CD "
        "01 02 03 04 05 06 07 "
        "FB 0A");
}

TEST(PlanStatusTest, Item58Fields) {
    TRtu6ThemesCRC status;
    ASSERT_TRUE(status.LoadFromBytes(PlanStatusBytes()));
    EXPECT_EQ(status.RtuClock, EncodeDateTime(2014, 3, 5, 18, 30, 5));
    EXPECT_EQ(status.RtuWeek, 3);
    EXPECT_EQ(status.CurrentThemeId, 1);
    EXPECT_EQ(status.PerformMode, 1);
    EXPECT_TRUE(status.IsWeekendDay(1));
    EXPECT_TRUE(status.IsWeekendDay(7));
    EXPECT_FALSE(status.IsWeekendDay(6));
    EXPECT_EQ(status.Plans[4].Length, 0x12);
    EXPECT_EQ(status.Plans[4].Code, 0xABCD);
    EXPECT_EQ(status.Reserved1, 0x0102);
    EXPECT_EQ(status.Reserved4, 0x0607);
    EXPECT_EQ(status.StdOnCorrection, -5);
    EXPECT_EQ(status.StdOffCorrection, 10);
    EXPECT_EQ(status.AsText(),
              "普通方案长度:12,校验码:1a2b\r\n"
              "周末方案长度: 0,校验码:0000\r\n"
              "节日方案长度: 5,校验码:ff01\r\n"
              "临时方案长度: 6,校验码:0010\r\n"
              "临时开关灯设置表长度:18,校验码:abcd");

    TScopedManualClock clock(EncodeDateTime(2014, 3, 5, 18, 31, 0));
    TRtu6TimeTable table;
    status.CopyTo(table);
    EXPECT_EQ(table.Updated, EncodeDateTime(2014, 3, 5, 18, 31, 0));
    EXPECT_EQ(table.CurrentDateTime, status.RtuClock);
    EXPECT_EQ(table.RtuWeek, 3);
    EXPECT_EQ(table.CurrentThemeId, 1);
}

TEST(PlanStatusTest, Item58RefusalsClearTheRecord) {
    struct TCase {
        const char* Name;
        size_t At;
        int Byte;
    };
    const TCase cases[] = {
        {"no clock", 0, 0x00},  // with the rest of the clock bytes made zero below
        {"clock not BCD", 4, 0xA8}, {"plan code 5", 8, 0x05},
        {"plan code 7", 8, 0x0F},   {"perform mode 5", 9, 0x05},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TBytes bytes = PlanStatusBytes();
        if (c.At == 0) bytes.replace(0, 7, 7, '\0');
        bytes[c.At] = static_cast<char>(c.Byte);
        TRtu6ThemesCRC status;
        ASSERT_TRUE(status.LoadFromBytes(PlanStatusBytes()));
        EXPECT_FALSE(status.LoadFromBytes(bytes));
        EXPECT_EQ(status.RtuClock, 0);
        EXPECT_EQ(status.CurrentThemeId, kNoTheme);
        EXPECT_EQ(status.PerformMode, 4);
        EXPECT_EQ(status.Plans[0].Code, 0);
    }
    TRtu6ThemesCRC status;
    EXPECT_FALSE(status.LoadFromBytes(PlanStatusBytes().substr(1)));
    EXPECT_FALSE(status.LoadFromBytes(PlanStatusBytes() + '\0'));
    EXPECT_TRUE(status.LoadFromBytes("")) << "an empty reply is a cleared record";
}

TEST(PlanStatusTest, PlanCodesAndItem70) {
    const std::pair<int, std::optional<int>> codes[] = {
        {0, 4}, {1, 0}, {2, 1}, {3, 2}, {4, 3}, {5, std::nullopt}, {7, std::nullopt}};
    for (const auto& [code, id] : codes) EXPECT_EQ(ThemeIdOfCode(code), id) << code;

    TRtu6ThemesCRC status;
    ASSERT_TRUE(status.LoadCurrentPlanCode(Actions("02")));
    EXPECT_EQ(status.CurrentThemeId, 1);
    EXPECT_FALSE(status.LoadCurrentPlanCode(Actions("05")));
    EXPECT_FALSE(status.LoadCurrentPlanCode(Actions("02 00")));
    EXPECT_FALSE(status.LoadCurrentPlanCode(""));
    EXPECT_EQ(status.CurrentThemeId, 1) << "a refused reply changes nothing";
    ASSERT_TRUE(status.LoadCurrentPlanCode(Actions("F8")));  // low three bits only
    EXPECT_EQ(status.CurrentThemeId, kNoTheme);
}

// ---- Today's switch-on adjustment
// ----------------------------------------------------------------

struct TAdjustCase {
    const char* Name;
    const char* Bytes;
    bool Ok;
    int Kind;
    TDateTime Date;
    TDateTime Time;
};

TEST(SomeDaysStdOnTest, DecodingItem81) {
    TScopedManualClock clock(kToday + Hm(9, 0));
    const TAdjustCase cases[] = {
        {"new time", "03 15 20 18 30", true, 2, EncodeDate(2014, 3, 15), Hm(18, 30)},
        {"earlier by 1:30", "03 15 40 01 30", true, 4, EncodeDate(2014, 3, 15), Hm(1, 30)},
        {"no adjustment", "00 00 00 00 00", true, 0, 0, 0},
        {"kind 0 with other bytes", "03 15 00 99 99", true, 0, EncodeDate(2014, 3, 15), 0},
        {"earlier by 0:30 has hour 0", "03 15 40 00 30", false, 0, 0, 0},
        {"kind 3", "03 15 30 18 30", false, 0, 0, 0},
        {"no date", "02 30 20 18 30", false, 0, 0, 0},
        {"four bytes", "03 15 20 18", false, 0, 0, 0},
        {"six bytes", "03 15 20 18 30 00", false, 0, 0, 0},
    };
    for (const TAdjustCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TSomeDaysStdOn record;
        ASSERT_TRUE(record.LoadFromBytes(Actions("03 15 20 18 30")));
        EXPECT_EQ(record.LoadFromBytes(Actions(c.Bytes)), c.Ok);
        EXPECT_EQ(Hex(record.Encode()), c.Ok ? Hex(Actions(c.Bytes)) : "00 00 00 00 00");
        EXPECT_EQ(record.AdjustKind(), c.Kind);
        EXPECT_EQ(record.AdjustDate(), c.Date);
        EXPECT_EQ(record.AdjustTime(), c.Time);
    }
}

TEST(SomeDaysStdOnTest, RecordForTheUsersChoice) {
    TScopedManualClock clock(kToday + Hm(9, 0));
    EXPECT_EQ(
        Hex(TSomeDaysStdOn::ForChoice(TSomeDaysStdOn::kNewTime, EncodeTime(18, 45, 50)).Encode()),
        "03 05 20 18 45");
    EXPECT_EQ(Hex(TSomeDaysStdOn::ForChoice(TSomeDaysStdOn::kEarlier, Hm(1, 10)).Encode()),
              "03 05 40 01 10");
    EXPECT_EQ(Hex(TSomeDaysStdOn::ForChoice(TSomeDaysStdOn::kNoAdjustment, Hm(1, 10)).Encode()),
              "00 00 00 00 00");
}

}  // namespace
