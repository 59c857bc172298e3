#pragma once
// The night axis on which every schedule time is compared: a night runs from noon to the
// next noon, so evening times keep their value and morning times count one day later.

#include "platform/Clock.h"

// The time of day of t with seconds and milliseconds dropped; the date is discarded.
TDateTime TruncToMinute(TDateTime t);

// TruncToMinute(t), one day later when that is at or before 12:00: the result lies after
// 12:00 and up to 36:00 (12:00 itself becomes 36:00).
TDateTime NightTime(TDateTime t);

// The date whose night t belongs to: the day before for times before 12:00.
TDateTime ScheduleDate(TDateTime t);
