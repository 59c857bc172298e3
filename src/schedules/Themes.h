#pragma once
// Plans in editing form: per loop up to six on/off entries, as the user edits them.

#include <array>
#include <cstdint>

#include "platform/Clock.h"

inline constexpr int kThemeLoops = 16;
inline constexpr int kEntriesPerLoop = 6;

// Time modes of an entry's on and off time.
inline constexpr int kModeSun = 0;            // switch-on at sunset, switch-off at sunrise
inline constexpr int kModeFixed = 1;          // at the time of day
inline constexpr int kModeAfterPrevious = 2;  // the duration after the loop's preceding action
inline constexpr int kModeBeforeSunset = 3;
inline constexpr int kModeAfterSunset = 4;
inline constexpr int kModeBeforeSunrise = 5;
inline constexpr int kModeAfterSunrise = 6;
inline constexpr int kLastTimeMode = 6;

// One on/off entry. The time of mode 1 is a time of day, of modes 2-6 a duration; mode 0
// ignores it. The default state is the cleared entry.
struct TOnceOnOffInfo {
    bool IsUsed = false;
    TDateTime OnTime = 0;
    int OnTimeMode = kModeFixed;
    TDateTime OffTime = 0;
    int OffTimeMode = kModeFixed;
    int LampsMode = 0;  // 1..30 on street-lamp loops
    bool Saving = false;

    void Clear() { *this = TOnceOnOffInfo{}; }
};

// The entries of one loop. Used entries run from entry 1 upward; the first unused one ends
// the list, and a loop without entry 1 has no schedule.
//   street-lamp loop: entry 1 is the switch-on (on fields, lamp mode, saving) and the night's
//     one switch-off (off fields); entries 2-6 are lamp-mode changes (on fields, lamp mode,
//     saving), their off fields unused.
//   other loop: every used entry is an on/off pair.
struct TOnOffInfo {
    bool IsStreetLamp = false;
    std::array<TOnceOnOffInfo, kEntriesPerLoop> Entries{};  // Entries[0] is entry 1

    // Entry k, 1..6.
    TOnceOnOffInfo& Entry(int k) { return Entries.at(static_cast<size_t>(k - 1)); }
    const TOnceOnOffInfo& Entry(int k) const { return Entries.at(static_cast<size_t>(k - 1)); }
    bool HasSchedule() const { return Entries[0].IsUsed; }
    // The number of leading used entries.
    int UsedCount() const;
    void Clear() { *this = TOnOffInfo{}; }
};

// One plan: loops 1..16.
struct TTheme {
    std::array<TOnOffInfo, kThemeLoops> Loops{};  // Loops[0] is loop 1

    // Loop s, 1..16.
    TOnOffInfo& Loop(int s) { return Loops.at(static_cast<size_t>(s - 1)); }
    const TOnOffInfo& Loop(int s) const { return Loops.at(static_cast<size_t>(s - 1)); }
    void Clear() { *this = TTheme{}; }
};

// The temporary plan: a plan valid from StartDate for Days days.
struct TCustomTheme {
    TDateTime StartDate = 0;
    int Days = 0;
    TTheme Theme;

    void Clear() { *this = TCustomTheme{}; }
};

// The temporary on/off: loops switched on and/or off once, at date-times.
struct TTempTheme {
    bool OnUsed = false;
    bool OffUsed = false;
    TDateTime OnDateTime = 0;
    TDateTime OffDateTime = 0;
    int LampsMode = 1;
    bool Saving = false;
    std::uint16_t Loops = 0;  // bit n-1 = loop n

    void Clear() { *this = TTempTheme{}; }
};
