#include "sim/SimSchedule.h"

#include <algorithm>
#include <cmath>

#include "schedules/ActionTables.h"
#include "schedules/Rtu6Action.h"
#include "schedules/SunTimes.h"

namespace {

// Used when the place gives no sun times (outside the tables).
const TDateTime kFallbackSunset = EncodeTime(18, 0, 0);
const TDateTime kFallbackSunrise = EncodeTime(6, 0, 0);
constexpr int kMaxWorkPoints = 17;

TDateTime Night(TDateTime timeOfDay) {
    const TDateTime t = timeOfDay - std::floor(timeOfDay);
    return t < 0.5 ? t + 1 : t;
}

TDateTime Minutes(int minutes) {
    return minutes / kMinutesPerDay;
}

// BCD century, year, month, day at `at`; 0 when they are no date.
TDateTime BcdDate(const TBytes& bytes, size_t at) {
    if (bytes.size() < at + 4 || !IsBcdText(std::string_view(bytes).substr(at, 4))) return 0;
    const int year = FromBcd(ByteAt(bytes, at)) * 100 + FromBcd(ByteAt(bytes, at + 1));
    return TryEncodeDate(year, FromBcd(ByteAt(bytes, at + 2)), FromBcd(ByteAt(bytes, at + 3)))
        .value_or(0);
}

bool IsHoliday(const TBytes& holidays, TDateTime today) {
    const TDateParts d = DecodeDate(today);
    for (size_t at = 0; at + 1 < holidays.size(); at += 2) {
        if (FromBcd(ByteAt(holidays, at)) == d.Month && FromBcd(ByteAt(holidays, at + 1)) == d.Day)
            return true;
    }
    return false;
}

}  // namespace

std::vector<TBytes> TSimSchedule::PlanActions(const TBytes& payload, int dateBytes) {
    std::vector<TBytes> actions;
    if (payload.empty()) return actions;
    const size_t count = ByteAt(payload, 0);
    const size_t first = 1 + (count > 0 ? static_cast<size_t>(dateBytes) : 0);
    for (size_t k = 0; k < count; ++k) {
        const size_t at = first + k * kActionSize;
        if (at + kActionSize > payload.size()) break;
        TRtu6Action action;
        const TBytes bytes = payload.substr(at, kActionSize);
        if (action.LoadFromBytes(bytes)) actions.push_back(bytes);
    }
    return actions;
}

TSimSchedule::TSimSchedule(const TSimState& state, TDateTime controllerNow) {
    const TDateTime today = DateOf(controllerNow);
    PlanCode_ = ChoosePlan(state, today);
    ComputeSunTimes(state, today);
    std::vector<TEvent> events;
    const int slot = PlanCode_ - 1;
    AddEvents(PlanActions(state.Plans[slot], slot == kTemporary ? 8 : 0), events);
    const TBytes& tempOnOff = state.Plans[kTempOnOff];
    if (BcdDate(tempOnOff, 1) == today) AddEvents(PlanActions(tempOnOff, 4), events);
    MakePoints(std::move(events));
}

int TSimSchedule::ChoosePlan(const TSimState& state, TDateTime today) const {
    const TBytes& temporary = state.Plans[kTemporary];
    if (!temporary.empty() && ByteAt(temporary, 0) > 0) {
        const TDateTime start = BcdDate(temporary, 1), end = BcdDate(temporary, 5);
        if (start != 0 && start <= today && today <= end) return 4;
    }
    const int mode = state.PerformMode & 7;
    const bool holiday = (mode == 3 || mode == 4) && IsHoliday(state.Holidays, today);
    const bool weekend =
        (mode == 2 || mode == 4) && (state.WeekendDays >> (IsoDayOfWeek(today) - 1) & 1) != 0;
    if (holiday) return 3;
    if (weekend) return 2;
    return 1;
}

void TSimSchedule::ComputeSunTimes(const TSimState& state, TDateTime today) {
    const TSunCalc sun = CalcSunTimes(state.Longitude, state.Latitude, today, state.TimeZone);
    Sunset_ = (sun.Ok ? sun.Sunset : kFallbackSunset) + Minutes(state.StdOnCorrection);
    Sunrise_ = (sun.Ok ? sun.Sunrise : kFallbackSunrise) + Minutes(state.StdOffCorrection);
    SwitchOnSunset_ = Sunset_;
    TSomeDaysStdOn adjustment;
    if (!adjustment.LoadFromBytes(state.SomeDaysStdOn)) return;
    const TDateParts d = DecodeDate(today), a = DecodeDate(adjustment.AdjustDate());
    if (a.Month != d.Month || a.Day != d.Day) return;
    if (adjustment.AdjustKind() == TSomeDaysStdOn::kNewTime)
        SwitchOnSunset_ = adjustment.AdjustTime();
    if (adjustment.AdjustKind() == TSomeDaysStdOn::kEarlier)
        SwitchOnSunset_ = Sunset_ - adjustment.AdjustTime();
}

void TSimSchedule::AddEvents(const std::vector<TBytes>& actions,
                             std::vector<TEvent>& events) const {
    std::vector<TDateTime> times;
    for (const TBytes& bytes : actions) {
        TRtu6Action action;
        action.LoadFromBytes(bytes);
        const TDateTime span = EncodeTime(action.Hour(), action.Minute(), 0);
        const TDateTime sunset = action.IsOn() ? SwitchOnSunset_ : Sunset_;
        TDateTime at = sunset;
        switch (action.TimeKind()) {
            case kKindAtSunrise:
                at = Sunrise_;
                break;
            case kKindAtTime:
                at = span;
                break;
            case kKindAfterAction: {
                const size_t ref = static_cast<size_t>(action.RefIndex());
                at = (ref >= 1 && ref <= times.size() ? times[ref - 1] : sunset) + span;
                break;
            }
            case kKindBeforeSunset:
                at = sunset - span;
                break;
            case kKindAfterSunset:
                at = sunset + span;
                break;
            case kKindBeforeSunrise:
                at = Sunrise_ - span;
                break;
            case kKindAfterSunrise:
                at = Sunrise_ + span;
                break;
            default:
                break;
        }
        times.push_back(at);
        const std::uint8_t lamp = action.GetByte(6);
        events.push_back(
            {Night(at), action.IsOn(), action.GetLoops(), static_cast<std::uint8_t>(lamp & 0x8F)});
    }
}

void TSimSchedule::MakePoints(std::vector<TEvent> events) {
    std::stable_sort(events.begin(), events.end(),
                     [](const TEvent& a, const TEvent& b) { return a.Night < b.Night; });
    const auto minuteOf = [](TDateTime night) { return std::lround(night * kMinutesPerDay); };
    std::uint16_t loops = 0;
    for (const TEvent& e : events) {
        loops = e.On ? (loops | e.Loops) : (loops & ~e.Loops);
        const TDateTime time = minuteOf(e.Night) / kMinutesPerDay;
        const TDateTime timeOfDay = time >= 1 ? time - 1 : time;
        if (Points_.empty() || minuteOf(Night(Points_.back().Time)) != minuteOf(e.Night))
            Points_.push_back({timeOfDay, loops, 0});
        Points_.back().LoopsOn = loops;
        if (e.On && (e.Lamp & 0x80)) Points_.back().Lamp = e.Lamp;
    }
}

std::uint16_t TSimSchedule::LoopsOnAt(TDateTime timeOfDay) const {
    if (Points_.empty()) return 0;
    // Before the first point of the night the loops are as the previous night left them.
    std::uint16_t loops = Points_.back().LoopsOn;
    for (const TSwitchPoint& p : Points_) {
        if (Night(p.Time) > Night(timeOfDay) + 0.5 / kSecondsPerDay) break;
        loops = p.LoopsOn;
    }
    return loops;
}

TBytes TSimSchedule::WorkTable() const {
    const size_t count = std::min(Points_.size(), static_cast<size_t>(kMaxWorkPoints));
    TBytes data(1, static_cast<char>(count));
    for (size_t k = 0; k < count; ++k) {
        const TSwitchPoint& p = Points_[k];
        const TTimeParts t = DecodeTime(p.Time);
        for (int b : {static_cast<int>(k) + 1, static_cast<int>(ToBcd(t.Hour)),
                      static_cast<int>(ToBcd(t.Minute)), p.LoopsOn >> 8, p.LoopsOn & 0xFF,
                      static_cast<int>(p.Lamp)})
            data.push_back(static_cast<char>(b));
    }
    return data;
}
