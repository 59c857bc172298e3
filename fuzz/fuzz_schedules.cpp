// Arbitrary received bytes through every decoder of actions, plans, the plan status and the
// switch-on adjustment. The first two bytes are the street-lamp loop set, the rest is the
// payload. Besides the sanitizers, the invariants below must hold for any input.

#include <cstdint>
#include <cstdlib>

#include "schedules/ActionTables.h"
#include "schedules/SunTimes.h"
#include "schedules/TimeTables.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

bool IsEmpty(const TRtu6ActionTable& list) {
    for (int i = 1; i <= list.MaxCount(); ++i)
        if (list.Get(i)) return false;
    return list.StartDate == 0 && list.Days == 0;
}

// What encodes to nothing goes as an empty list: a temporary plan without days, a temporary
// list dated with the date that means "none".
bool Sendable(const TRtu6ActionTable& list) {
    return !list.Encode().empty() || IsEmpty(list);
}
// In a whole table a list without actions also leaves its dates behind.
bool SendableInTable(const TRtu6ActionTable& list) {
    return (list.Count() > 0 && !list.Encode().empty()) || IsEmpty(list);
}

// A list that decoded encodes to bytes that decode to the same list.
template <typename List>
void CheckReload(const List& list, std::uint16_t mask) {
    if (!Sendable(list)) return;
    List again;
    Require(again.LoadFromBytes(list.Encode(), mask));
    Require(again.SameAs(list) && list.SameAs(again));
    Require(list.ToTheme(mask).has_value());
}

void CheckAction(const TBytes& input) {
    TRtu6Action action;
    const TBytes head = input.substr(0, kActionSize);
    if (action.LoadFromBytes(head)) {
        Require(action.IsValid() && action.Encode() == head);
        // Number 0 of a bank is on the wire too: standard 0 and custom 15 (mode 15 + 0).
        Require(action.LampMode() >= 0 && action.LampMode() <= kLastLampMode);
    } else {
        Require(action.Encode() == TBytes(kActionSize, '\0'));
    }
}

template <typename List>
void CheckList(const TBytes& input, std::uint16_t mask) {
    List list;
    if (!list.LoadFromBytes(input, mask)) {
        Require(IsEmpty(list));
        return;
    }
    Require(list.Count() <= list.MaxCount());
    CheckReload(list, mask);
    List item;
    Require(LoadPlanItem(item, PlanItemPayload(list), mask) || list.Count() == 0);
}

void CheckTemp(const TBytes& input, std::uint16_t mask) {
    TRtu6TempActionTable list;
    if (!list.LoadFromBytes(input, mask)) {
        Require(IsEmpty(list));
        return;
    }
    Require(list.Count() <= kTempOnOffActions);
    Require(list.ToTempTheme(mask).has_value());
    if (!Sendable(list)) return;
    TRtu6TempActionTable again;
    Require(again.LoadFromBytes(list.Encode(), mask) && again.SameAs(list));
}

void CheckItems(const TBytes& input, std::uint16_t mask) {
    TRtu6ActionTable plan;
    TRtu6CustomActionTable temporary;
    TRtu6TempActionTable temp;
    for (TRtu6ActionTable* list :
         {&plan, static_cast<TRtu6ActionTable*>(&temporary), static_cast<TRtu6ActionTable*>(&temp)})
        if (!LoadPlanItem(*list, input, mask)) Require(IsEmpty(*list));

    TRtu6TimeTable table;
    if (table.LoadFromBytes(input, mask)) {
        TRtu6TimeTable again;
        Require(again.LoadFromBytes(table.Encode(), mask));
        for (int i = 0; i < 5; ++i)
            Require(!SendableInTable(table.List(i)) || again.List(i).SameAs(table.List(i)));
    }
    if (LoadFixedTimerItem(table, input, mask)) (void)FixedTimerPayload(table);
}

void CheckStatus(const TBytes& input) {
    TRtu6ThemesCRC status;
    if (status.LoadFromBytes(input)) {
        Require(status.CurrentThemeId >= 0 && status.CurrentThemeId <= kNoTheme);
        Require(status.PerformMode >= 0 && status.PerformMode <= 4);
        Require(!status.AsText().empty());
    } else {
        Require(status.RtuClock == 0 && status.CurrentThemeId == kNoTheme);
    }
    if (status.LoadCurrentPlanCode(input.substr(0, 1)))
        Require(status.CurrentThemeId >= 0 && status.CurrentThemeId <= kNoTheme);

    TSomeDaysStdOn record;
    const TBytes head = input.substr(0, TSomeDaysStdOn::kSize);
    if (record.LoadFromBytes(head))
        Require(record.IsValid() && record.Encode() == head);
    else
        Require(record.Encode() == TBytes(TSomeDaysStdOn::kSize, '\0'));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    SetTodaySunTimes({EncodeTime(18, 0, 0), EncodeTime(6, 0, 0), 0});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const TBytes input(reinterpret_cast<const char*>(data), size);
    const std::uint16_t mask =
        size >= 2 ? static_cast<std::uint16_t>(data[0] << 8 | data[1]) : std::uint16_t{0};
    const TBytes body = size >= 2 ? input.substr(2) : TBytes{};

    CheckAction(body);
    CheckList<TRtu6ActionTable>(body, mask);
    CheckList<TRtu6CustomActionTable>(body, mask);
    CheckTemp(body, mask);
    CheckItems(body, mask);
    CheckStatus(body);
    return 0;
}
