#pragma once
// Helpers of the schedule tests: times of day, byte strings, entries, and today's sun times
// for the length of a test.

#include <initializer_list>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "schedules/SunTimes.h"
#include "schedules/Themes.h"

inline TDateTime Hm(int hour, int minute) {
    return EncodeTime(hour, minute, 0);
}

inline TBytes Bytes(std::initializer_list<int> values) {
    TBytes bytes;
    for (int v : values) bytes.push_back(static_cast<char>(v));
    return bytes;
}

inline std::string Hex(const TBytes& bytes) {
    return BytesToHexText(bytes);
}

// A used entry.
inline TOnceOnOffInfo Entry(int onMode, TDateTime on, int offMode, TDateTime off, int lampsMode = 0,
                            bool saving = false) {
    TOnceOnOffInfo entry;
    entry.IsUsed = true;
    entry.OnTimeMode = onMode;
    entry.OnTime = on;
    entry.OffTimeMode = offMode;
    entry.OffTime = off;
    entry.LampsMode = lampsMode;
    entry.Saving = saving;
    return entry;
}

// A lamp-mode change of a street-lamp loop: its off fields stay cleared.
inline TOnceOnOffInfo Change(int onMode, TDateTime on, int lampsMode, bool saving = false) {
    return Entry(onMode, on, kModeFixed, 0, lampsMode, saving);
}

// Today's sunset and sunrise for the lifetime of the object; the previous ones come back.
class TScopedSunTimes {
public:
    TScopedSunTimes(TDateTime sunset, TDateTime sunrise) : Previous_(TodaySunTimes()) {
        SetTodaySunTimes({sunset, sunrise, Previous_.Date});
    }
    ~TScopedSunTimes() { SetTodaySunTimes(Previous_); }
    TScopedSunTimes(const TScopedSunTimes&) = delete;
    TScopedSunTimes& operator=(const TScopedSunTimes&) = delete;

private:
    TSunTimes Previous_;
};
