#include "schedules/ScheduleChecks.h"

#include <cstdint>
#include <optional>

#include "platform/CheckError.h"
#include "schedules/Rtu6Action.h"

namespace {

constexpr std::int64_t kMinimumIntervalMs = kMinimumIntervalMinutes * 60000;
const std::string kMinimum = std::to_string(kMinimumIntervalMinutes);

// The text of the first problem a check found, none when it passed.
using TProblem = std::optional<std::string>;

bool Earlier(TDateTime a, TDateTime b) {
    return MilliSecondsFrom(a, b) < 0;
}
bool TooClose(TDateTime later, TDateTime earlier) {
    return MilliSecondsFrom(later, earlier) < kMinimumIntervalMs;
}

bool IsUsed(const TOnOffInfo& entries, int k) {
    return k <= kEntriesPerLoop && entries.Entry(k).IsUsed;
}

// Runs one check; the body keeps index at the entry under test and returns the first problem.
template <typename Body>
TScheduleCheck RunCheck(Body body) {
    int index = 0;
    TProblem problem;
    try {
        problem = body(index);
    } catch (const TCheckError& error) {  // a time mode that does not exist
        problem = error.what();
    }
    if (!problem) return {};
    return {false, *problem, index};
}

// ---- on/off pairs ---------------------------------------------------------------------------

std::string OnBeforePreviousOff(int k, int prevNo) {
    return "时间设定错误: \r\n第" + std::to_string(k) + "次开灯时间不应早于第" +
           std::to_string(prevNo) + "次关灯的时间.";
}

std::string OnTooSoonAfterOff(int k) {
    return "第" + std::to_string(k) + "次开灯时间设定错误: " + "\r\n" +
           "本次开灯时间距离上次关灯时间至少应有" + kMinimum + "分钟.";
}

std::string OffAfterNextNight(int k) {
    return "时间设定错误: \r\n第" + std::to_string(k) + "次关灯时间必须在次日第1次开灯时间之前.";
}

std::string OffTooSoon(int k) {
    const std::string head = k == 1 ? std::string("关灯时间设定错误: \r\n")
                                    : "第" + std::to_string(k) + "次关灯时间设定错误: " + "\r\n";
    return head + "两次相邻的操作之间至少应间隔" + kMinimum + "分钟.";
}

// ---- street-lamp loops ----------------------------------------------------------------------

std::string ChangeBeforePrevious(int k) {
    return "时间设定错误: \r\n第" + std::to_string(k) + "次变更时间不应早于开灯或上一次变更的时间.";
}

std::string ChangeTooSoon(int k) {
    return "第" + std::to_string(k) + "次变更时间设定错误: " + "\r\n" +
           "相邻的两次操作之间至少应间隔" + kMinimum + "分钟.";
}

// The index the dialogs use for the switch-off of a street-lamp loop.
constexpr int kStreetLampOffIndex = 5;

TProblem CheckStreetLampOff(const TOnOffInfo& entries, TDateTime prev, int& index) {
    if (!entries.Entry(1).IsUsed) return {};
    index = kStreetLampOffIndex;
    const TDateTime off = OffTimeOf(entries, 1, prev);
    if (Earlier(off, prev)) return "时间设定错误: \r\n关灯时间必须在开灯或上一次变更的时间之后.";
    if (TooClose(off, prev)) return OffTooSoon(1);
    return {};
}

// ---- descriptions ---------------------------------------------------------------------------

constexpr const char* kNoSchedule = "不开灯. ";

int EffectiveLampMode(const TOnceOnOffInfo& entry) {
    return entry.LampsMode >= 1 && entry.LampsMode <= kLastLampMode ? entry.LampsMode : 1;
}

std::string LampModeText(const TOnceOnOffInfo& entry) {
    return LampsModeNames[static_cast<size_t>(EffectiveLampMode(entry))] +
           (entry.Saving ? "(节能)" : "");
}

std::string DescribePairs(const TOnOffInfo& entries) {
    std::string text;
    for (int k = 1; IsUsed(entries, k); ++k) {
        const TOnceOnOffInfo& entry = entries.Entry(k);
        text += DescribeOn(entry.OnTimeMode, entry.OnTime);
        text += k == 1 ? std::string("开灯, ") : "第 " + std::to_string(k) + " 次开灯, ";
        text += DescribeOff(entry.OffTimeMode, entry.OffTime) + "关闭. ";
    }
    return text;
}

std::string DescribeChange(const TOnceOnOffInfo& entry, bool lampsOut) {
    const std::string at = DescribeOn(entry.OnTimeMode, entry.OnTime);
    if (EffectiveLampMode(entry) == kAllLampsOutMode) return at + "关灯";
    if (lampsOut) return at + "以 \"" + LampModeText(entry) + "\" 重新开灯";
    return at + "变更为 \"" + LampModeText(entry) + "\" ";
}

std::string DescribeStreetLamp(const TOnOffInfo& entries) {
    const TOnceOnOffInfo& first = entries.Entry(1);
    std::string text = "以 '" + LampModeText(first) + "' 开灯";
    bool lampsOut = false;  // once a change put the lamps out, later changes relight them
    for (int k = 2; IsUsed(entries, k); ++k) {
        const TOnceOnOffInfo& entry = entries.Entry(k);
        text += lampsOut ? ". " : ", 至";
        text += DescribeChange(entry, lampsOut);
        if (EffectiveLampMode(entry) == kAllLampsOutMode) lampsOut = true;
    }
    return text + ", " + DescribeOff(first.OffTimeMode, first.OffTime) + "关灯.";
}

}  // namespace

TScheduleCheck CheckPairs(const TOnOffInfo& entries) {
    return RunCheck([&](int& index) -> TProblem {
        TDateTime prevOff = 0, limit = 0;
        int prevNo = 1;
        for (int k = 1; IsUsed(entries, k); ++k) {
            index = k - 1;
            const TDateTime on = OnTimeOf(entries, k, prevOff);
            if (k == 1) limit = IncDay(on, 1);  // the next night's first switch-on
            if (Earlier(on, prevOff)) return OnBeforePreviousOff(k, prevNo);
            if (TooClose(on, prevOff)) return OnTooSoonAfterOff(k);
            TDateTime off = OffTimeOf(entries, k, on);
            if (Earlier(off, on)) {
                off = IncDay(off, 1);
                if (Earlier(limit, off)) return OffAfterNextNight(k);
            }
            if (TooClose(off, on)) return OffTooSoon(k);
            prevOff = off;
            prevNo = k;
        }
        return {};
    });
}

TScheduleCheck CheckStreetLamp(const TOnOffInfo& entries) {
    return RunCheck([&](int& index) -> TProblem {
        TDateTime prev = 0;
        for (int k = 1; IsUsed(entries, k); ++k) {
            index = k - 1;
            const TDateTime t = OnTimeOf(entries, k, prev);
            if (k > 1 && Earlier(t, prev)) return ChangeBeforePrevious(k);
            if (k > 1 && TooClose(t, prev)) return ChangeTooSoon(k);
            prev = t;
        }
        // The switch-off counts from the last switch-on or change.
        return CheckStreetLampOff(entries, prev, index);
    });
}

std::string DescribeLoop(const TOnOffInfo& entries) {
    const TScheduleCheck check =
        entries.IsStreetLamp ? CheckStreetLamp(entries) : CheckPairs(entries);
    if (!check.Ok) return check.ErrorText;
    if (!entries.Entry(1).IsUsed) return kNoSchedule;
    return entries.IsStreetLamp ? DescribeStreetLamp(entries) : DescribePairs(entries);
}
