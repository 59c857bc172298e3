#pragma once
// The checks that one loop's schedule is consistent before an editing dialog accepts it, and
// its one-line description. Both work on the night axis with today's sunset and sunrise.

#include <string>

#include "schedules/Themes.h"

// What a check found. ErrorIndex is the 0-based index of the entry at fault, which the dialogs
// bring to the front; 5 stands for the switch-off of a street-lamp loop. Empty text and index 0
// when the schedule passes.
struct TScheduleCheck {
    bool Ok = true;
    std::string ErrorText;
    int ErrorIndex = 0;
};

// The two successive switching times of a loop must lie at least this far apart.
inline constexpr int kMinimumIntervalMinutes = 1;

// A loop of on/off pairs. Never raises: every problem comes back in the result.
TScheduleCheck CheckPairs(const TOnOffInfo& entries);
// A street-lamp loop: switch-on, lamp-mode changes, one switch-off. Never raises.
TScheduleCheck CheckStreetLamp(const TOnOffInfo& entries);

// The loop's schedule in words, in the form its IsStreetLamp picks; the check's error text
// when the schedule does not pass.
std::string DescribeLoop(const TOnOffInfo& entries);
