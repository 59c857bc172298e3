#include "schedules/ActionTables.h"

#include <cstdio>
#include <utility>

#include "app/Logs.h"
#include "platform/CheckError.h"
#include "protocol/Frame.h"
#include "schedules/NightAxis.h"
#include "schedules/SunTimes.h"
#include "schedules/TimeTables.h"
#include "stations/StationBase.h"

namespace {

std::uint16_t LoopBit(int loop) {
    return static_cast<std::uint16_t>(1u << (loop - 1));
}

// Century, year within the century, month and day in BCD.
TBytes BcdDate(TDateTime date) {
    const TDateParts d = DecodeDate(date);
    TBytes bytes;
    for (int v : {d.Year / 100, d.Year % 100, d.Month, d.Day})
        bytes.push_back(static_cast<char>(ToBcd(v)));
    return bytes;
}

// The date of four BCD bytes from `at`; none when they are not BCD or not a date.
std::optional<TDateTime> DateOfBcd(const TBytes& bytes, size_t at) {
    const TBytes date = bytes.substr(at, 4);
    if (date.size() != 4 || !IsBcdText(date)) return std::nullopt;
    const int year = FromBcd(ByteAt(date, 0)) * 100 + FromBcd(ByteAt(date, 1));
    return TryEncodeDate(year, FromBcd(ByteAt(date, 2)), FromBcd(ByteAt(date, 3)));
}

bool NotAfterToday(TDateTime date) {
    return Today() <= DateOf(date);
}

// ---- Action list to plan -------------------------------------------------------------------

struct TTimedAction {
    TRtu6Action Action;
    TDateTime Time = 0;  // effective, on the night axis
};

// A switch-off carries no lamp mode; a switch-on with one is for a street-lamp loop.
bool LampModesFit(const TRtu6Action& action, std::uint16_t streetLampLoops) {
    if (!action.HasLampMode()) return true;
    return action.IsOn() && (action.GetLoops() & streetLampLoops) != 0;
}

// Effective times in list order; a relative time counts from an earlier action only.
bool ComputeTimes(std::vector<TTimedAction>& actions) {
    for (size_t i = 0; i < actions.size(); ++i) {
        const TRtu6Action& action = actions[i].Action;
        const TDateTime hhmm = action.TimeOfDay();
        TDateTime& time = actions[i].Time;
        switch (action.TimeKind()) {
            case kKindAtSunset:
                time = NightTime(TodaySunset());
                break;
            case kKindAtSunrise:
                time = NightTime(TodaySunrise());
                break;
            case kKindAtTime:
                time = NightTime(hhmm);
                break;
            case kKindAfterAction: {
                const size_t ref = static_cast<size_t>(action.RefIndex());
                const TDateTime base = ref >= 1 && ref <= i ? actions[ref - 1].Time : 0;
                time = NightTime(hhmm + base);
                break;
            }
            case kKindBeforeSunset:
                time = NightTime(TodaySunset() - hhmm);
                break;
            default:
                return false;
        }
    }
    return true;
}

// Exchange sort: equal times keep no particular order but are never swapped.
void SortByTime(std::vector<TTimedAction>& actions) {
    for (size_t i = 0; i + 1 < actions.size(); ++i)
        for (size_t j = i + 1; j < actions.size(); ++j)
            if (actions[i].Time > actions[j].Time) std::swap(actions[i], actions[j]);
}

bool SetOnTime(const TRtu6Action& action, TOnceOnOffInfo& entry) {
    switch (action.TimeKind()) {
        case kKindAtSunset:
            entry.OnTimeMode = kModeSun;
            return true;
        case kKindAtTime:
            entry.OnTimeMode = kModeFixed;
            break;
        case kKindAfterAction:
            entry.OnTimeMode = kModeAfterPrevious;
            break;
        case kKindBeforeSunset:
            entry.OnTimeMode = kModeBeforeSunset;
            break;
        default:
            return false;
    }
    entry.OnTime = action.TimeOfDay();
    return true;
}

bool SetOffTime(const TRtu6Action& action, TOnceOnOffInfo& entry) {
    switch (action.TimeKind()) {
        case kKindAtSunrise:
            entry.OffTimeMode = kModeSun;
            return true;
        case kKindAtTime:
            entry.OffTimeMode = kModeFixed;
            break;
        case kKindAfterAction:
            entry.OffTimeMode = kModeAfterPrevious;
            break;
        default:
            return false;
    }
    entry.OffTime = action.TimeOfDay();
    return true;
}

// The entries of one loop from the sorted actions that switch it. A street-lamp loop is
// switched on, changed and switched off once; other loops alternate on and off. The night's
// switch-off of a street-lamp loop goes to entry 1, so it needs no seventh entry.
bool LoopFromActions(const std::vector<TTimedAction>& sorted, int loop, bool streetLamp,
                     TOnOffInfo& entries) {
    entries.IsStreetLamp = streetLamp;
    bool prevOff = !streetLamp;
    int p = 1;
    for (size_t i = 0; i < sorted.size(); ++i) {
        const TRtu6Action& action = sorted[i].Action;
        if ((action.GetLoops() & LoopBit(loop)) == 0) continue;
        const bool fillsEntryP = action.IsOn() || !streetLamp;
        if (fillsEntryP && p > kEntriesPerLoop) return false;
        if (action.IsOn()) {
            if (streetLamp == prevOff) return false;
            TOnceOnOffInfo& entry = entries.Entry(p);
            entry.IsUsed = true;
            if (!SetOnTime(action, entry)) return false;
            if (streetLamp) {
                entry.LampsMode = action.LampMode();
                entry.Saving = action.IsSaving();
                ++p;
            }
        } else {
            if (prevOff && i != 0) return false;
            if (streetLamp) p = 1;
            if (!SetOffTime(action, entries.Entry(p))) return false;
            if (!streetLamp) ++p;
        }
        prevOff = !action.IsOn();
    }
    return true;
}

// ---- Plans to action lists -------------------------------------------------------------------

// Adds the actions of one loop to a list; r is the position of the loop's preceding action.
class TLoopBuilder {
public:
    TLoopBuilder(TRtu6ActionTable& list, int loop) : List_(list), Loop_(loop) {}

    bool On(const TOnceOnOffInfo& entry, bool withLampMode) {
        TRtu6Action action;
        return action.MakeOn(entry, Loop_, withLampMode, Previous_) && Add(action);
    }
    bool Off(const TOnceOnOffInfo& entry) {
        TRtu6Action action;
        return action.MakeOff(entry, Loop_, Previous_) && Add(action);
    }

private:
    bool Add(const TRtu6Action& action) {
        Previous_ = List_.Add(action);
        return Previous_ != -1;
    }
    TRtu6ActionTable& List_;
    int Loop_;
    int Previous_ = -1;
};

// A loop's first switch-on has nothing before it: "after the previous action" is sunset.
TOnceOnOffInfo FirstEntry(const TOnceOnOffInfo& entry) {
    TOnceOnOffInfo first = entry;
    if (first.OnTimeMode == kModeAfterPrevious) first.OnTimeMode = kModeSun;
    return first;
}

bool BuildLoop(const TOnOffInfo& entries, int loop, bool streetLamp, TRtu6ActionTable& list) {
    TLoopBuilder builder(list, loop);
    const int used = entries.UsedCount();
    if (streetLamp) {
        if (!builder.On(FirstEntry(entries.Entry(1)), true)) return false;
        for (int k = 2; k <= used; ++k)
            if (!builder.On(entries.Entry(k), true)) return false;
        return builder.Off(entries.Entry(1));
    }
    for (int k = 1; k <= used; ++k) {
        const TOnceOnOffInfo& entry = k == 1 ? FirstEntry(entries.Entry(1)) : entries.Entry(k);
        if (!builder.On(entry, false) || !builder.Off(entry)) return false;
    }
    return true;
}

// The station's loop s when it exists and is in use.
const TLoop* ActiveLoop(const TStation& station, int s) {
    const TLoop* loop = station.Loop(s);
    return loop && loop->InUse ? loop : nullptr;
}

bool BuildPlan(const TStation& station, const TTheme& theme, TRtu6ActionTable& list) {
    for (int s = 1; s <= kThemeLoops; ++s) {
        const TLoop* loop = ActiveLoop(station, s);
        if (!loop || !theme.Loop(s).HasSchedule()) continue;
        if (!BuildLoop(theme.Loop(s), s, loop->IsStreetLamp, list)) return false;
    }
    return true;
}

bool BuildTempOnOff(const TStation& station, const TTempTheme& temp, TRtu6TempActionTable& list) {
    if (!(temp.OnUsed || temp.OffUsed) || temp.Loops == 0) return true;
    TOnceOnOffInfo entry;
    entry.IsUsed = true;
    entry.OnTime = TruncToMinute(temp.OnDateTime);
    entry.OffTime = TruncToMinute(temp.OffDateTime);
    entry.OnTimeMode = entry.OffTimeMode = kModeFixed;
    entry.LampsMode = temp.LampsMode;
    entry.Saving = temp.Saving;
    for (int s = 1; s <= kThemeLoops; ++s) {
        const TLoop* loop = ActiveLoop(station, s);
        if (!loop || (temp.Loops & LoopBit(s)) == 0) continue;
        TRtu6Action action;
        if (temp.OnUsed &&
            !(action.MakeOn(entry, s, loop->IsStreetLamp, 0) && list.Add(action) != -1))
            return false;
        if (temp.OffUsed && !(action.MakeOff(entry, s, 0) && list.Add(action) != -1)) return false;
    }
    list.StartDate = DateOf(temp.OnUsed ? temp.OnDateTime : temp.OffDateTime);
    return true;
}

bool BuildAll(const TStation& station, const TTheme& ordinary, const TTheme& weekend,
              const TTheme& holiday, const TCustomTheme& temporary, const TTempTheme& tempOnOff,
              TRtu6TimeTable& table) {
    if (!BuildPlan(station, ordinary, table.OrdinaryPlan())) return false;
    if (!BuildPlan(station, weekend, table.WeekendPlan())) return false;
    if (!BuildPlan(station, holiday, table.HolidayPlan())) return false;
    if (!BuildPlan(station, temporary.Theme, table.TemporaryPlan())) return false;
    table.TemporaryPlan().StartDate = temporary.StartDate;
    table.TemporaryPlan().Days = temporary.Days;
    return BuildTempOnOff(station, tempOnOff, table.TemporaryOnOff());
}

}  // namespace

bool SameForMerging(const TRtu6Action& a, const TRtu6Action& b) {
    if (a.IsOn() != b.IsOn()) return false;
    if (a.HasLampMode() && b.HasLampMode() &&
        (a.IsCustomBank() != b.IsCustomBank() || a.ModeNumber() != b.ModeNumber()))
        return false;
    return a.TimeKind() == b.TimeKind() && a.Hour() == b.Hour() && a.Minute() == b.Minute() &&
           a.RefIndex() == b.RefIndex();
}

// ---- TRtu6ActionTable ------------------------------------------------------------------------

TRtu6ActionTable::TRtu6ActionTable(int maxCount) : Slots_(static_cast<size_t>(maxCount)) {}

int TRtu6ActionTable::Count() const {
    int n = 0;
    while (n < MaxCount() && Slots_[n] && Slots_[n]->IsValid()) ++n;
    return n;
}

const TRtu6Action* TRtu6ActionTable::Get(int i) const {
    if (i < 1 || i > MaxCount() || !Slots_[i - 1]) return nullptr;
    return &*Slots_[i - 1];
}

void TRtu6ActionTable::Put(int i, const TRtu6Action& action) {
    if (i >= 1 && i <= MaxCount()) Slots_[i - 1] = action;
}

void TRtu6ActionTable::Clear() {
    for (auto& slot : Slots_) slot.reset();
}

void TRtu6ActionTable::AssignTo(TIDataObj& target) const {
    auto* list = dynamic_cast<TRtu6ActionTable*>(&target);
    if (!list || list == this) return;
    list->StartDate = StartDate;
    list->Days = Days;
    list->Slots_ = Slots_;
}

int TRtu6ActionTable::IndexOf(const TRtu6Action& action) const {
    const int n = Count();
    for (int i = 1; i <= n; ++i)
        if (SameForMerging(*Get(i), action)) return i;
    return -1;
}

std::uint16_t TRtu6ActionTable::CheckCode() const {
    return Crc16(Encode());
}

bool TRtu6ActionTable::IsCurrent() const {
    return true;
}

int TRtu6ActionTable::Add(const TRtu6Action& action) {
    const int p = IndexOf(action);
    if (p != -1) {
        TRtu6Action& stored = *Slots_[p - 1];
        stored.SetLoops(stored.GetLoops() | action.GetLoops());
        if (action.HasLampMode()) {
            if (action.IsCustomBank())
                stored.SetCustomMode(action.ModeNumber());
            else
                stored.SetStandardMode(action.ModeNumber());
        }
        return p;
    }
    const int n = Count();
    if (n + 1 > MaxCount()) return -1;
    Slots_[n] = action;
    return n + 1;
}

bool TRtu6ActionTable::SameActions(const TRtu6ActionTable& other) const {
    const int n = Count();
    for (int i = 1; i <= n; ++i) {
        const TRtu6Action* theirs = other.Get(i);
        if (!theirs || !Get(i)->SameAs(*theirs)) return false;
    }
    return true;
}

bool TRtu6ActionTable::SameAs(const TIDataObj& other) const {
    const auto* list = dynamic_cast<const TRtu6ActionTable*>(&other);
    return list && SameActions(*list);
}

bool TRtu6ActionTable::LoadActions(const TBytes& bytes) {
    Clear();
    const size_t n = bytes.size() / kActionSize;
    bool ok = bytes.size() % kActionSize == 0 && n <= static_cast<size_t>(MaxCount());
    for (size_t i = 0; ok && i < n; ++i) {
        TRtu6Action action;
        ok = action.LoadFromBytes(bytes.substr(i * kActionSize, kActionSize));
        Slots_[i] = action;
    }
    if (!ok) Clear();
    return ok;
}

bool TRtu6ActionTable::LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops) {
    if (LoadActions(bytes) && ToTheme(streetLampLoops)) return true;
    Clear();
    return false;
}

TBytes TRtu6ActionTable::EncodeActions() const {
    TBytes bytes;
    const int n = Count();
    for (int i = 1; i <= n; ++i) bytes += Get(i)->Encode();
    return bytes;
}

TBytes TRtu6ActionTable::Encode() const {
    return EncodeActions();
}

std::optional<TTheme> TRtu6ActionTable::ToTheme(std::uint16_t streetLampLoops) const {
    TTheme theme;
    std::vector<TTimedAction> actions;
    for (int i = 1; i <= Count(); ++i) actions.push_back({*Get(i), 0});
    if (actions.empty()) return theme;
    for (const TTimedAction& timed : actions)
        if (!LampModesFit(timed.Action, streetLampLoops)) return std::nullopt;
    if (!ComputeTimes(actions)) return std::nullopt;
    SortByTime(actions);
    for (int loop = 1; loop <= kThemeLoops; ++loop) {
        const bool streetLamp = (streetLampLoops & LoopBit(loop)) != 0;
        if (!LoopFromActions(actions, loop, streetLamp, theme.Loop(loop))) return std::nullopt;
    }
    return theme;
}

// ---- TRtu6CustomActionTable ------------------------------------------------------------------

bool TRtu6CustomActionTable::IsCurrent() const {
    return NotAfterToday(StartDate) && Days >= 1;
}

bool TRtu6CustomActionTable::SameAs(const TIDataObj& other) const {
    const auto* list = dynamic_cast<const TRtu6CustomActionTable*>(&other);
    return list && list->StartDate == StartDate && list->Days == Days && SameActions(*list);
}

bool TRtu6CustomActionTable::LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops) {
    Clear();
    StartDate = 0;
    Days = 0;
    if (bytes.empty()) return true;
    if (bytes.size() < 8 || (bytes.size() - 8) % kActionSize != 0) return false;
    const std::optional<TDateTime> start = DateOfBcd(bytes, 0);
    const std::optional<TDateTime> end = DateOfBcd(bytes, 4);
    if (!start || !end || !TRtu6ActionTable::LoadFromBytes(bytes.substr(8), streetLampLoops))
        return false;
    StartDate = *start;
    Days = std::max(0, static_cast<int>(MilliSecondsFrom(*end, *start) / kMilliSecondsPerDay) + 1);
    return true;
}

TBytes TRtu6CustomActionTable::Encode() const {
    if (StartDate == 0 || Days < 1) return {};
    return BcdDate(StartDate) + BcdDate(IncDay(StartDate, Days - 1)) + EncodeActions();
}

// ---- TRtu6TempActionTable --------------------------------------------------------------------

bool TRtu6TempActionTable::IsCurrent() const {
    return NotAfterToday(StartDate);
}

bool TRtu6TempActionTable::SameAs(const TIDataObj& other) const {
    const auto* list = dynamic_cast<const TRtu6TempActionTable*>(&other);
    return list && list->StartDate == StartDate && SameActions(*list);
}

// The list is checked as a temporary on/off, not as a plan: its switch-on and switch-off
// happen on one date, so a morning switch-on before an afternoon switch-off is fine here
// although the night order of a plan would refuse it.
bool TRtu6TempActionTable::LoadFromBytes(const TBytes& bytes, std::uint16_t streetLampLoops) {
    Clear();
    StartDate = 0;
    if (bytes.empty()) return true;
    if (bytes.size() < 4 || (bytes.size() - 4) % kActionSize != 0) return false;
    const std::optional<TDateTime> date = DateOfBcd(bytes, 0);
    if (!date || !LoadActions(bytes.substr(4))) return false;
    StartDate = *date;
    if (ToTempTheme(streetLampLoops)) return true;
    Clear();
    StartDate = 0;
    return false;
}

TBytes TRtu6TempActionTable::Encode() const {
    if (StartDate == 0) return {};
    return BcdDate(StartDate) + EncodeActions();
}

std::optional<TTempTheme> TRtu6TempActionTable::ToTempTheme(std::uint16_t streetLampLoops) const {
    TTempTheme temp;
    for (int i = 1; i <= Count(); ++i) {
        const TRtu6Action& action = *Get(i);
        if (action.GetLoops() == 0) continue;
        if (action.TimeKind() != kKindAtTime) return std::nullopt;
        const TDateTime at = DateOf(StartDate) + action.TimeOfDay();
        if (action.IsOn()) {
            temp.OnUsed = true;
            temp.OnDateTime = at;
            if (action.HasLampMode()) {
                if ((action.GetLoops() & streetLampLoops) == 0) return std::nullopt;
                temp.LampsMode = action.LampMode();
                temp.Saving = action.IsSaving();
            } else {
                temp.LampsMode = 1;
            }
        } else {
            temp.OffUsed = true;
            temp.OffDateTime = at;
        }
        temp.Loops = action.GetLoops();
    }
    return temp;
}

// ---- Plans in editing form -------------------------------------------------------------------

bool BuildTimeTable(const TStation& station, const TTheme& ordinary, const TTheme& weekend,
                    const TTheme& holiday, const TCustomTheme& temporary,
                    const TTempTheme& tempOnOff, TRtu6TimeTable& target) {
    target.Clear();
    TRtu6TimeTable built;
    if (BuildAll(station, ordinary, weekend, holiday, temporary, tempOnOff, built)) {
        built.AssignTo(target);
        return true;
    }
    ShowError("Unable MakeTimeTable.", "");
    return false;
}

bool SameEntry(const TOnceOnOffInfo& a, const TOnceOnOffInfo& b) {
    return a.IsUsed == b.IsUsed && a.OnTimeMode == b.OnTimeMode && a.OffTimeMode == b.OffTimeMode &&
           (a.OnTimeMode == kModeSun || a.OnTime == b.OnTime) &&
           (a.OffTimeMode == kModeSun || a.OffTime == b.OffTime) && a.LampsMode == b.LampsMode &&
           a.Saving == b.Saving;
}

bool SameLoop(const TOnOffInfo& a, const TOnOffInfo& b) {
    if (!a.HasSchedule() && !b.HasSchedule()) return true;
    if (a.HasSchedule() != b.HasSchedule() || a.IsStreetLamp != b.IsStreetLamp) return false;
    for (int k = 1; k <= kEntriesPerLoop; ++k)
        if (!SameEntry(a.Entry(k), b.Entry(k))) return false;
    return true;
}

bool SameTheme(const TTheme& a, const TTheme& b) {
    for (int s = 1; s <= kThemeLoops; ++s)
        if (!SameLoop(a.Loop(s), b.Loop(s))) return false;
    return true;
}

bool IsEmptyTheme(const TTheme& theme) {
    return SameTheme(theme, TTheme{});
}

void SetLoopKind(bool streetLamp, TOnOffInfo& entries) {
    if (entries.IsStreetLamp == streetLamp || !entries.HasSchedule()) return;
    for (int k = 2; k <= kEntriesPerLoop; ++k) entries.Entry(k).Clear();
    entries.Entry(1).LampsMode = streetLamp ? 1 : 0;
    entries.IsStreetLamp = streetLamp;
}

// ---- Payloads of the plan items ----------------------------------------------------------------

TBytes ListPart(const TRtu6ActionTable& list, int& count) {
    count = list.Count();
    TBytes part = count > 0 ? list.Encode() : TBytes{};
    // A temporary list without its dates cannot be sent: it goes as an empty one.
    if (part.empty()) count = 0;
    return part;
}

TBytes PlanItemPayload(const TRtu6ActionTable& list) {
    int count = 0;
    const TBytes part = ListPart(list, count);
    return TBytes(1, static_cast<char>(count)) + part;
}

bool LoadPlanItem(TRtu6ActionTable& list, const TBytes& payload, std::uint16_t streetLampLoops) {
    const int n = payload.empty() ? 0 : ByteAt(payload, 0);
    const size_t size = n > 0 ? static_cast<size_t>(n * kActionSize + list.DateBytes()) : 0;
    if (payload.empty() || 1 + size > payload.size()) {
        list.LoadFromBytes({}, streetLampLoops);  // empties it, dates included
        return false;
    }
    return list.LoadFromBytes(payload.substr(1, size), streetLampLoops);
}

TBytes FixedTimerPayload(const TRtu6TimeTable& table) {
    TBytes counts, parts;
    for (int i = 0; i < 4; ++i) {
        const TRtu6ActionTable& list = table.List(i);
        int count = 0;
        TBytes part = ListPart(list, count);
        if (!list.IsCurrent()) count = 0, part.clear();
        counts.push_back(static_cast<char>(count));
        parts += part;
    }
    return counts + parts;
}

bool LoadFixedTimerItem(TRtu6TimeTable& table, const TBytes& payload,
                        std::uint16_t streetLampLoops) {
    return payload.size() >= 4 && LoadListParts(table, payload, 4, streetLampLoops);
}

// ---- Plan status -----------------------------------------------------------------------------

std::optional<int> ThemeIdOfCode(int code) {
    if (code == 0) return kNoTheme;
    if (code >= 1 && code <= 4) return code - 1;
    return std::nullopt;
}

namespace {

// Item 65's coding: wire 1..4 are modes 0..3, 0 is unknown (4), 5..7 are refused.
std::optional<int> PerformModeOfCode(int code) {
    if (code == 0) return 4;
    if (code >= 1 && code <= 4) return code - 1;
    return std::nullopt;
}

std::uint16_t Word(const TBytes& bytes, size_t at) {
    return static_cast<std::uint16_t>(ByteAt(bytes, at) << 8 | ByteAt(bytes, at + 1));
}

int SignedByte(std::uint8_t b) {
    return static_cast<std::int8_t>(b);
}

}  // namespace

void TRtu6ThemesCRC::Clear() {
    *this = TRtu6ThemesCRC{};
}

bool TRtu6ThemesCRC::IsWeekendDay(int day) const {
    return day >= 1 && day <= 7 && (WeekendDays >> (day - 1)) & 1;
}

bool TRtu6ThemesCRC::LoadFromBytes(const TBytes& bytes) {
    Clear();
    if (bytes.empty()) return true;
    if (bytes.size() != kSize) return false;
    const std::optional<int> theme = ThemeIdOfCode(ByteAt(bytes, 8) & 7);
    const std::optional<int> mode = PerformModeOfCode(ByteAt(bytes, 9) & 7);
    const TDateTime clock = Frame::DecodeBcdDateTime(bytes.substr(0, 7));
    if (clock == 0 || !theme || !mode) return false;
    RtuClock = clock;
    RtuWeek = ByteAt(bytes, 7);
    CurrentThemeId = *theme;
    PerformMode = *mode;
    WeekendDays = ByteAt(bytes, 10) & 0x7F;
    for (size_t i = 0; i < Plans.size(); ++i) {
        const size_t at = 11 + 3 * i;
        Plans[i] = {ByteAt(bytes, at), Word(bytes, at + 1)};
    }
    Reserved1 = Word(bytes, 26);
    Reserved2 = Word(bytes, 28);
    Reserved3 = ByteAt(bytes, 30);
    Reserved4 = Word(bytes, 31);
    StdOnCorrection = SignedByte(ByteAt(bytes, 33));
    StdOffCorrection = SignedByte(ByteAt(bytes, 34));
    return true;
}

bool TRtu6ThemesCRC::LoadCurrentPlanCode(const TBytes& bytes) {
    if (bytes.size() != 1) return false;
    const std::optional<int> theme = ThemeIdOfCode(ByteAt(bytes, 0) & 7);
    if (!theme) return false;
    CurrentThemeId = *theme;
    return true;
}

std::string TRtu6ThemesCRC::AsText() const {
    static const char* const kNames[] = {"普通方案", "周末方案", "节日方案", "临时方案",
                                         "临时开关灯设置表"};
    std::string text;
    for (size_t i = 0; i < Plans.size(); ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%s长度:%2d,校验码:%.2x%.2x", kNames[i], Plans[i].Length,
                      Plans[i].Code >> 8, Plans[i].Code & 0xFF);
        if (i > 0) text += "\r\n";
        text += line;
    }
    return text;
}

void TRtu6ThemesCRC::CopyTo(TRtu6TimeTable& table) const {
    table.Updated = Now();
    table.CurrentDateTime = RtuClock;
    table.RtuWeek = RtuWeek;
    table.CurrentThemeId = CurrentThemeId;
}

// ---- TSomeDaysStdOn --------------------------------------------------------------------------

TSomeDaysStdOn TSomeDaysStdOn::ForChoice(int kind, TDateTime time) {
    TSomeDaysStdOn record;
    if (kind != kNewTime && kind != kEarlier) return record;
    TRtu6Action action;
    const TDateTime minute = TruncToMinute(time);
    kind == kNewTime ? action.AtTime(minute) : action.BeforeSunset(minute);
    const TDateParts today = DecodeDate(Today());
    record.Bytes_ = {ToBcd(today.Month), ToBcd(today.Day), action.GetByte(1), action.GetByte(2),
                     action.GetByte(3)};
    return record;
}

bool TSomeDaysStdOn::LoadFromBytes(const TBytes& bytes) {
    Clear();
    if (bytes.size() != kSize) return false;
    for (size_t i = 0; i < Bytes_.size(); ++i) Bytes_[i] = ByteAt(bytes, i);
    if (IsValid()) return true;
    Clear();
    return false;
}

TBytes TSomeDaysStdOn::Encode() const {
    return TBytes(Bytes_.begin(), Bytes_.end());
}

TDateTime TSomeDaysStdOn::AdjustDate() const {
    return TryEncodeDate(YearOf(Today()), FromBcd(Bytes_[0]), FromBcd(Bytes_[1])).value_or(0);
}

TDateTime TSomeDaysStdOn::AdjustTime() const {
    return TryEncodeTime(FromBcd(Bytes_[3]), FromBcd(Bytes_[4]), 0).value_or(0);
}

bool TSomeDaysStdOn::IsValid() const {
    const int kind = AdjustKind();
    if (kind == kNoAdjustment) return true;
    if (kind != kNewTime && kind != kEarlier) return false;
    return AdjustDate() != 0 && DecodeTime(AdjustTime()).Hour > 0;
}
