// Plans generated at random (fixed seed) go the whole way a plan goes to a controller and back:
// BuildTimeTable, the payload of a plan item, the list's LoadFromBytes with the station's
// street-lamp loops, ToTheme. What comes back must be the same plan.

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "schedules/ActionTables.h"
#include "schedules/ScheduleTestSupport.h"
#include "schedules/TimeTables.h"
#include "stations/Station6Class.h"
#include "support/TempDir.h"

namespace {

// Times are minutes on the night axis: 721 (12:01) .. 2160 (36:00, the next noon).
constexpr int kFirstMinute = 12 * 60 + 1;
constexpr int kLastMinute = 36 * 60;
constexpr int kMaxActions = 15;

TDateTime Duration(int minutes) {
    return EncodeTime(minutes / 60, minutes % 60, 0);
}
TDateTime TimeOfDayAt(int nightMinute) {
    return Duration(nightMinute % 1440);
}

struct TGenerated {
    std::uint16_t StreetLamps = 0;
    int Sunset = 0, Sunrise = 0;  // night minutes
    TTheme Plan;
};

// Builds plans the editing model can express and the controller's list can carry:
//   - switch-ons at sunset, at a fixed time, after the previous action or before sunset;
//     switch-offs at sunrise, at a fixed time or after the switch-on (the other modes make
//     action kinds that a list read back refuses);
//   - the switching times of a loop strictly rising on the night axis, so that sorting the
//     list by time gives back each loop's order;
//   - at most 15 distinct actions per plan (counted without the merges, so always enough);
//   - some loops copying an earlier loop of their kind, so that their actions are shared.
// Where the model normalises, the generator gives the normal form:
//   - a first switch-on is never "after the previous action": it counts as sunset and comes
//     back as mode 0 (checked on its own in PlanTest);
//   - the lamp mode and saving of pairs entries, and the off fields of lamp-mode changes, are
//     not carried: they stay cleared;
//   - entries after the first unused one and loops without entry 1 are not built: such
//     entries appear only in loops without a schedule, which compare equal whatever they hold;
//   - a shared switch-on keeps the saving flag of the loop built first. So saving follows the
//     lamp mode (one random choice per mode and plan), and no switch-on of a pairs loop can
//     meet a saving street-lamp switch-on: pairs loops use odd minutes and saving street-lamp
//     switch-ons even minutes at fixed times and before sunset, and per plan only one of the
//     two may switch on at sunset. (Relative switch-ons of the two kinds never meet: one
//     counts from a switch-off, the other from a switch-on.)
class TPlanGenerator {
public:
    explicit TPlanGenerator(std::uint32_t seed) : Rng_(seed) {}

    TGenerated Next() {
        TGenerated g;
        g.Sunset = Uniform(17 * 60, 19 * 60 + 59);
        g.Sunrise = 24 * 60 + Uniform(5 * 60, 6 * 60 + 59);
        g.StreetLamps = static_cast<std::uint16_t>(Uniform(0, 0xFFFF));
        Sun_ = {g.Sunset, g.Sunrise};
        SavingModes_ = static_cast<std::uint32_t>(Uniform(0, 0x7FFFFFFF));
        PairsAtSunset_ = Chance(50);
        int budget = kMaxActions;
        for (int s = 1; s <= kThemeLoops; ++s) {
            TOnOffInfo& loop = g.Plan.Loop(s);
            loop.IsStreetLamp = (g.StreetLamps >> (s - 1)) & 1;
            if (!Chance(55)) {
                AddJunk(loop);
                continue;
            }
            if (const TOnOffInfo* model = EarlierOfKind(g.Plan, s); model && Chance(35)) {
                loop = *model;
                continue;
            }
            if (budget < 2) continue;
            budget -= loop.IsStreetLamp ? StreetLampLoop(loop, budget) : PairsLoop(loop, budget);
        }
        return g;
    }

private:
    struct TSun {
        int Sunset = 0, Sunrise = 0;
    };
    enum class TParity { Any, Odd, Even };
    struct TChoice {
        int Mode = 0;
        TDateTime Time = 0;
        int At = 0;  // night minute
    };

    int Uniform(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(Rng_); }
    bool Chance(int percent) { return Uniform(1, 100) <= percent; }

    const TOnOffInfo* EarlierOfKind(const TTheme& plan, int s) const {
        for (int t = s - 1; t >= 1; --t)
            if (plan.Loop(t).HasSchedule() &&
                plan.Loop(t).IsStreetLamp == plan.Loop(s).IsStreetLamp)
                return &plan.Loop(t);
        return nullptr;
    }

    // A loop without schedule may hold anything in entries 2-6.
    void AddJunk(TOnOffInfo& loop) {
        if (Chance(20)) loop.Entry(Uniform(2, 6)) = Entry(1, Duration(Uniform(0, 1439)), 5, 0, 7);
    }

    // A time in [lo, top] that leans towards lo, so that later switchings find room.
    int PickMinute(int lo, int top) {
        if (Chance(30)) return Uniform(lo, top);
        return Uniform(lo, lo + (top - lo) / 4);
    }

    static std::optional<int> WithParity(int t, int lo, int top, TParity parity) {
        if (parity == TParity::Any || (t % 2 == 1) == (parity == TParity::Odd)) return t;
        if (t + 1 <= top) return t + 1;
        if (t - 1 >= lo) return t - 1;
        return std::nullopt;
    }

    // A time setting for a switching between lo and hi (night minutes); prev is the time of
    // the loop's preceding switching, -1 for none.
    std::optional<TChoice> PickTime(bool on, int lo, int hi, int prev, TParity parity,
                                    bool sunAllowed) {
        std::vector<int> modes;
        const int sun = on ? Sun_.Sunset : Sun_.Sunrise;
        if (sunAllowed && lo <= sun && sun <= hi) modes.push_back(kModeSun);
        modes.push_back(kModeFixed);
        if (prev >= 0) modes.push_back(kModeAfterPrevious);
        if (on && lo <= Sun_.Sunset) modes.push_back(kModeBeforeSunset);
        std::shuffle(modes.begin(), modes.end(), Rng_);
        for (int mode : modes) {
            switch (mode) {
                case kModeSun:
                    // Junk in the ignored time field must not matter.
                    return TChoice{mode, Duration(Uniform(0, 1439)), sun};
                case kModeFixed:
                    if (auto t = WithParity(PickMinute(lo, hi), lo, hi, parity))
                        return TChoice{mode, TimeOfDayAt(*t), *t};
                    break;
                case kModeAfterPrevious: {
                    const int t = PickMinute(lo, std::min(hi, prev + 1439));
                    return TChoice{mode, Duration(t - prev), t};
                }
                case kModeBeforeSunset: {
                    const int top = std::min(hi, Sun_.Sunset);
                    if (auto t = WithParity(PickMinute(lo, top), lo, top, parity))
                        return TChoice{mode, Duration(Sun_.Sunset - *t), *t};
                    break;
                }
            }
        }
        return std::nullopt;  // not reached: a fixed time always fits between lo and hi
    }

    // The latest minute for a switching that still leaves one minute for each of `after`.
    static int Latest(int after) { return kLastMinute - after; }

    // On, changes, off: returns the number of actions.
    int StreetLampLoop(TOnOffInfo& loop, int budget) {
        const int changes = Uniform(0, std::min(5, budget - 2));
        const int actions = changes + 2;
        int prev = -1;
        int lo = kFirstMinute;
        for (int k = 1; k <= changes + 1; ++k) {
            const int lampsMode = Uniform(1, kLastLampMode);
            const bool saving = (SavingModes_ >> lampsMode) & 1;
            const TParity parity = saving ? TParity::Even : TParity::Any;
            std::optional<TChoice> on = PickTime(true, lo, Latest(actions - k), k == 1 ? -1 : prev,
                                                 parity, !(saving && PairsAtSunset_));
            TOnceOnOffInfo& entry = loop.Entry(k);
            entry = Entry(on->Mode, on->Time, kModeFixed, 0, lampsMode, saving);
            prev = on->At;
            lo = prev + 1;
        }
        const std::optional<TChoice> off =
            PickTime(false, lo, kLastMinute, prev, TParity::Any, true);
        loop.Entry(1).OffTimeMode = off->Mode;
        loop.Entry(1).OffTime = off->Time;
        return actions;
    }

    // On/off pairs: returns the number of actions.
    int PairsLoop(TOnOffInfo& loop, int budget) {
        const int pairs = Uniform(1, std::min(kEntriesPerLoop, budget / 2));
        int prev = -1;
        int lo = kFirstMinute;
        for (int k = 1; k <= pairs; ++k) {
            const int left = 2 * (pairs - k);
            const std::optional<TChoice> on = PickTime(
                true, lo, Latest(left + 1), k == 1 ? -1 : prev, TParity::Odd, PairsAtSunset_);
            const std::optional<TChoice> off =
                PickTime(false, on->At + 1, Latest(left), on->At, TParity::Any, true);
            loop.Entry(k) = Entry(on->Mode, on->Time, off->Mode, off->Time);
            prev = off->At;
            lo = prev + 1;
        }
        return 2 * pairs;
    }

    std::mt19937 Rng_;
    TSun Sun_;
    std::uint32_t SavingModes_ = 0;
    bool PairsAtSunset_ = false;
};

// The items a plan can travel in.
enum class TRoute { Item52, Item53, Item55, Item50, Item49 };
constexpr TRoute kRoutes[] = {TRoute::Item52, TRoute::Item53, TRoute::Item55, TRoute::Item50,
                              TRoute::Item49};

const TDateTime kToday = EncodeDate(2014, 3, 5);

// Builds the plan into the list the route carries, sends it, reads it back.
std::optional<TTheme> Travel(const TStation& station, const TTheme& plan, TRoute route) {
    const TTheme none;
    const TCustomTheme temporary{IncDay(kToday, 1), 4, plan};
    const bool asTemporary = route == TRoute::Item55 || route == TRoute::Item50;
    TRtu6TimeTable built;
    const bool ok = BuildTimeTable(station, route == TRoute::Item52 ? plan : none,
                                   route == TRoute::Item53 || route == TRoute::Item49 ? plan : none,
                                   none, asTemporary ? temporary : TCustomTheme{}, {}, built);
    if (!ok) return std::nullopt;
    const std::uint16_t mask = station.StreetLampMask();
    TRtu6TimeTable read;
    const TRtu6ActionTable* list = nullptr;
    switch (route) {
        case TRoute::Item52:
            if (!LoadPlanItem(read.OrdinaryPlan(), PlanItemPayload(built.OrdinaryPlan()), mask))
                return std::nullopt;
            list = &read.OrdinaryPlan();
            break;
        case TRoute::Item53:
            if (!LoadPlanItem(read.WeekendPlan(), PlanItemPayload(built.WeekendPlan()), mask))
                return std::nullopt;
            list = &read.WeekendPlan();
            break;
        case TRoute::Item55:
            if (!LoadPlanItem(read.TemporaryPlan(), PlanItemPayload(built.TemporaryPlan()), mask))
                return std::nullopt;
            list = &read.TemporaryPlan();
            break;
        case TRoute::Item50:
            if (!LoadFixedTimerItem(read, FixedTimerPayload(built), mask)) return std::nullopt;
            list = &read.TemporaryPlan();
            break;
        case TRoute::Item49:
            if (!read.LoadFromBytes(built.Encode(), mask)) return std::nullopt;
            list = &read.WeekendPlan();
            break;
    }
    if (list->Count() > 0 && asTemporary &&
        (read.TemporaryPlan().StartDate != temporary.StartDate ||
         read.TemporaryPlan().Days != temporary.Days))
        return std::nullopt;
    return list->ToTheme(mask);
}

std::string PlanText(const TTheme& plan) {
    std::ostringstream out;
    for (int s = 1; s <= kThemeLoops; ++s) {
        const TOnOffInfo& loop = plan.Loop(s);
        if (!loop.HasSchedule()) continue;
        out << "loop " << s << (loop.IsStreetLamp ? " street" : " pairs") << ":";
        for (int k = 1; k <= loop.UsedCount(); ++k) {
            const TOnceOnOffInfo& e = loop.Entry(k);
            out << " [" << e.OnTimeMode << " " << FormatDateTime("hh:nn", e.OnTime) << " / "
                << e.OffTimeMode << " " << FormatDateTime("hh:nn", e.OffTime) << " m" << e.LampsMode
                << (e.Saving ? "s" : "") << "]";
        }
        out << "\n";
    }
    return out.str();
}

TEST(PlanRoundTripTest, GeneratedPlansComeBackUnchanged) {
    TempDir folder;
    TScopedProgramFolder program(folder.Path());
    TScopedManualClock clock(kToday + Hm(9, 0));
    TStation6Test station;
    TPlanGenerator generator(20140305);

    constexpr int kPlans = 10000;
    int shared = 0, sixEntries = 0, full = 0;
    std::array<int, kLastTimeMode + 1> onModes{}, offModes{};
    for (int i = 0; i < kPlans; ++i) {
        const TGenerated g = generator.Next();
        station.SetStreetLampMask(g.StreetLamps);
        TScopedSunTimes sun(TimeOfDayAt(g.Sunset), TimeOfDayAt(g.Sunrise));
        const TRoute route = kRoutes[i % std::size(kRoutes)];

        const std::optional<TTheme> back = Travel(station, g.Plan, route);
        ASSERT_TRUE(back && SameTheme(*back, g.Plan))
            << "plan " << i << ", route " << static_cast<int>(route) << ", street-lamp loops "
            << g.StreetLamps << "\nsent:\n"
            << PlanText(g.Plan) << "read back:\n"
            << (back ? PlanText(*back) : "(refused)\n");

        // What the plans covered.
        TRtu6TimeTable built;
        ASSERT_TRUE(BuildTimeTable(station, g.Plan, {}, {}, {}, {}, built));
        const TRtu6ActionTable& list = built.OrdinaryPlan();
        bool sharedAction = false;
        for (int a = 1; a <= list.Count(); ++a)
            sharedAction |= std::popcount(list.Get(a)->GetLoops()) > 1;
        shared += sharedAction;
        full += list.Count() == kMaxActions;
        for (const TOnOffInfo& loop : g.Plan.Loops) {
            if (!loop.HasSchedule()) continue;
            sixEntries += loop.UsedCount() == kEntriesPerLoop;
            for (int k = 1; k <= loop.UsedCount(); ++k) {
                ++onModes[loop.Entry(k).OnTimeMode];
                if (k == 1 || !loop.IsStreetLamp) ++offModes[loop.Entry(k).OffTimeMode];
            }
        }
    }
    RecordProperty("PlansWithSharedActions", shared);
    RecordProperty("PlansWith15Actions", full);
    RecordProperty("LoopsWithSixEntries", sixEntries);
    // The generator must reach what matters, not just easy plans.
    EXPECT_GT(shared, kPlans / 4);
    EXPECT_GT(full, kPlans / 20);
    EXPECT_GT(sixEntries, kPlans / 20);
    for (int mode : {0, 1, 2, 3}) EXPECT_GT(onModes[mode], kPlans / 10) << "on mode " << mode;
    for (int mode : {0, 1, 2}) EXPECT_GT(offModes[mode], kPlans / 10) << "off mode " << mode;
}

}  // namespace
