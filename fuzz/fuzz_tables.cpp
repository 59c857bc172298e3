// Arbitrary received bytes as a holiday list (item 67) and as a work table (item 59), and the
// work table turned into a plan. Besides the sanitizers, the invariants below must hold for any
// input.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "schedules/HolidaysList.h"
#include "schedules/TimeTables.h"
#include "schedules/WorkTable.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

void CheckHolidays(const TBytes& input) {
    THolidaysList list;
    if (!list.LoadFromBytes(input)) {
        Require(list.Count() == 0);
        Require(list.Encode() == TBytes(1, '\0'));
        return;
    }
    const int count = list.Count();
    Require(count <= THolidaysList::kSlotCount);
    const TBytes encoded = list.Encode();
    Require(encoded.size() == static_cast<size_t>(2 * count + 1));
    Require(encoded.size() <= input.size());
    for (int slot = 1; slot <= count; ++slot) Require(list.IndexOf(list.Get(slot)) == slot);
    std::vector<std::string> lines;
    list.ToStrings(lines);
    Require(lines.size() == static_cast<size_t>(count));

    THolidaysList again;
    Require(again.LoadFromBytes(encoded));
    Require(again.Encode() == encoded);
}

void CheckPlanOf(const TRtu6TimeStatusTable& work) {
    TRtu6TimeTable plan;
    const bool ok = WorkTableToTimeTable(work, plan);
    for (int list = 1; list < 5; ++list) Require(plan.List(list).Count() == 0);
    const TRtu6ActionTable& ordinary = plan.OrdinaryPlan();
    if (!ok) {
        Require(ordinary.Count() == 0 && plan.CurrentThemeId == kNoTheme);
        return;
    }
    Require(plan.CurrentThemeId == 0);
    Require(ordinary.Count() <= 2 * work.Count());
    std::uint16_t loops = 0;
    for (int i = 1; i <= ordinary.Count(); ++i) {
        const TRtu6Action& action = *ordinary.Get(i);
        Require(action.TimeKind() == kKindAtTime && !action.HasLampMode());
        Require(action.GetLoops() != 0 && action.GetLoops() <= 0xFF);
        loops |= action.GetLoops();
    }
    // Every loop 1..8 that is on at some time point has its switch-on in the plan.
    std::uint16_t everOn = 0;
    for (int q = 1; q <= work.Count(); ++q) everOn |= work.Get(q)->GetLoops() & 0xFF;
    Require(loops == everOn);
}

void CheckWorkTable(const TBytes& input) {
    TRtu6TimeStatusTable table;
    const bool ok = table.LoadFromBytes(input);
    const int count = table.Count();
    Require(count <= TRtu6TimeStatusTable::kMaxCount);
    const bool rightLength =
        !input.empty() && input.size() == 6 * static_cast<size_t>(ByteAt(input, 0)) + 1;
    if (ok) {
        Require(rightLength && count == ByteAt(input, 0));
    } else {
        Require(rightLength ? count < ByteAt(input, 0) : count == 0);
    }
    for (int i = 1; i <= count; ++i) Require(table.Get(i) != nullptr && table.Get(i)->IsValid());
    Require(table.Get(count + 1) == nullptr);

    const TBytes encoded = table.Encode();
    Require(encoded.size() == 6 * static_cast<size_t>(count) + 1);
    // Each line is "nn hh:nn bbbbbbbb bbbbbbbb xx" and CR LF.
    Require(table.AsText().size() == 31 * static_cast<size_t>(count));
    TRtu6TimeStatusTable again;
    Require(again.LoadFromBytes(encoded) && again.Encode() == encoded);
    CheckPlanOf(table);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const TBytes input(reinterpret_cast<const char*>(data), size);
    CheckHolidays(input);
    CheckWorkTable(input);
    return 0;
}
