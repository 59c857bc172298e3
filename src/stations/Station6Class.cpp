#include "stations/Station6Class.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "platform/CheckError.h"
#include "schedules/ActionTables.h"
#include "schedules/NightAxis.h"
#include "schedules/SunTimes.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"

namespace {
constexpr int kGeneration6Loops = 8;
}

TStation6::TStation6(const TStationInfo& info) : TStation(info) {
    SetLoopCount(kGeneration6Loops);
}

TStation6Test::TStation6Test(const TStationInfo& info) : TStation6(info) {
    SetLoopCount(kMaxLoops);
    for (int i = 1; i <= kMaxLoops; ++i) Loops().Set(i, std::make_unique<TLoop>());
    CreateRtu(1);
    LampsMask().Clear();
}

// --- The on/off summary of a loop ---------------------------------------------------------

namespace {

// The time at which each action of the list happens tonight, in list order.
std::vector<TDateTime> ResolveTimes(const TRtu6ActionTable& list) {
    const TDateTime sunset = TodaySunset(), sunrise = TodaySunrise();
    std::vector<TDateTime> times;
    for (int i = 1; i <= list.Count(); ++i) {
        const TRtu6Action& a = *list.Get(i);
        const TDateTime t = a.TimeOfDay();
        switch (a.TimeKind()) {
            case 0:
                times.push_back(sunset);
                break;
            case 1:
                times.push_back(sunrise);
                break;
            case 2:
                times.push_back(t);
                break;
            case 3:
                // Timed from an earlier action of the same list.
                RaiseIf(a.RefIndex() < 1 || a.RefIndex() >= i, "Error timemode.");
                times.push_back(times[static_cast<size_t>(a.RefIndex() - 1)] + t);
                break;
            case 4:
                times.push_back(std::fabs(sunset - t));
                break;
            case 5:
                times.push_back(std::fabs(t + sunset));
                break;
            case 6:
                times.push_back(std::fabs(sunrise - t));
                break;
            case 7:
                times.push_back(std::fabs(t + sunrise));
                break;
            default:
                RaiseError("Error timemode.");
        }
    }
    return times;
}

struct TOnOffTexts {
    std::string On, Off;
};

// The first switch-on and every switch-off of the loop, in night order.
TOnOffTexts LoopOnOff(const TRtu6ActionTable& list, int loop) {
    const std::vector<TDateTime> times = ResolveTimes(list);
    std::vector<int> order(times.size());
    for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return NightTime(times[static_cast<size_t>(a)]) < NightTime(times[static_cast<size_t>(b)]);
    });
    TOnOffTexts texts;
    for (int k : order) {
        const TRtu6Action& a = *list.Get(k + 1);
        if ((a.GetLoops() & (1u << (loop - 1))) == 0) continue;
        const std::string when = FormatDateTime("hh:nn", times[static_cast<size_t>(k)]);
        if (a.IsOn()) {
            if (texts.On.empty()) texts.On = when;
        } else {
            texts.Off += (texts.Off.empty() ? "" : "*") + when;
        }
    }
    return texts;
}

// The list the controller runs now; the ordinary plan when it reports none.
const TRtu6ActionTable& PickedList(const TRtu6TimeTable& table) {
    const int id = table.CurrentThemeId;
    return table.List(id >= 0 && id <= 3 ? id : 0);
}

}  // namespace

TStation::TLoopTimes TStation6::DescribeLoopTimes(int loop, const TRtu6TimeTable& table) const {
    const TLoop* wired = Loop(loop);
    if (wired == nullptr || !wired->InUse) return {};
    try {
        TRtu6TimeTable copy;
        table.AssignTo(copy);
        TRtu6ActionTable picked(kPlanActions);
        PickedList(copy).AssignTo(picked);
        const TRtu6TempActionTable& temporary = copy.TemporaryOnOff();
        if (temporary.StartDate != 0 && DateOf(temporary.StartDate) == ScheduleDate(Now()))
            for (int i = 1; i <= temporary.Count(); ++i) picked.Add(*temporary.Get(i));

        TLoopTimes result;
        const TOnOffTexts temp = LoopOnOff(temporary, loop);
        if ((!temp.On.empty() || !temp.Off.empty()) && temporary.StartDate != 0)
            result.Temporary =
                FormatDateTime("mm-dd ", temporary.StartDate) + temp.On + " ---" + temp.Off;
        const TOnOffTexts plan = LoopOnOff(picked, loop);
        result.Off = plan.Off;
        result.On = plan.On;
        return result;
    } catch (const std::exception&) {
        return {};
    }
}

TStation::TLoopTimes TStation6::DescribeLoopStatus(int loop,
                                                   const TRtu6TimeStatusTable& table) const {
    TRtu6TimeTable plan;
    if (!WorkTableToTimeTable(table, plan)) return {};
    return DescribeLoopTimes(loop, plan);
}
