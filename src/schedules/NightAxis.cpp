#include "schedules/NightAxis.h"

namespace {

const TDateTime kNoon = 0.5;  // exact in binary

}  // namespace

TDateTime TruncToMinute(TDateTime t) {
    const TTimeParts parts = DecodeTime(t);
    return EncodeTime(parts.Hour, parts.Minute, 0);
}

TDateTime NightTime(TDateTime t) {
    const TDateTime minute = TruncToMinute(t);
    return minute <= kNoon ? minute + 1.0 : minute;
}

TDateTime ScheduleDate(TDateTime t) {
    const TDateTime date = DateOf(t);
    return TruncToMinute(t) < kNoon ? IncDay(date, -1) : date;
}
