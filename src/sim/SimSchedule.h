#pragma once
// What the simulated controller switches today: the plan in force (temporary plan, holiday,
// weekend or ordinary, by the perform mode), the effective time of each action from today's
// sun times and corrections, and the loops that are on at any time of day. The loop status
// and the work table are made from it.

#include <cstdint>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "sim/SimState.h"

class TSimSchedule {
public:
    // One time of the day at which loops switch, and the loops that are on from then.
    struct TSwitchPoint {
        TDateTime Time = 0;  // time of day
        std::uint16_t LoopsOn = 0;
        std::uint8_t Lamp = 0;  // bit 7: a lamp mode is given, bits 0-3: its number
    };

    TSimSchedule(const TSimState& state, TDateTime controllerNow);

    // Wire code of the plan in force: 1 ordinary, 2 weekend, 3 holiday, 4 temporary.
    int PlanCode() const { return PlanCode_; }
    TDateTime Sunset() const { return Sunset_; }
    TDateTime Sunrise() const { return Sunrise_; }
    // In night order (noon to noon), at most one point per minute.
    const std::vector<TSwitchPoint>& Points() const { return Points_; }
    // The loops on at a time of day; a day without switching keeps every loop off.
    std::uint16_t LoopsOnAt(TDateTime timeOfDay) const;
    // Item 59: the count, then per point its number, hour, minute, loops 9-16, loops 1-8 and
    // lamp byte (at most 17 points).
    TBytes WorkTable() const;

    // The actions of a plan item payload (count byte, dates of the temporary lists, actions),
    // each as its six bytes; invalid actions are left out.
    static std::vector<TBytes> PlanActions(const TBytes& payload, int dateBytes);

private:
    struct TEvent {
        TDateTime Night = 0;  // on the noon-to-noon axis
        bool On = false;
        std::uint16_t Loops = 0;
        std::uint8_t Lamp = 0;
    };

    int ChoosePlan(const TSimState& state, TDateTime today) const;
    void ComputeSunTimes(const TSimState& state, TDateTime today);
    // Effective times of the actions of one list, added to `events`.
    void AddEvents(const std::vector<TBytes>& actions, std::vector<TEvent>& events) const;
    void MakePoints(std::vector<TEvent> events);

    int PlanCode_ = 1;
    TDateTime Sunset_ = 0;
    TDateTime Sunrise_ = 0;
    TDateTime SwitchOnSunset_ = 0;  // sunset as today's adjustment moves the switch-on
    std::vector<TSwitchPoint> Points_;
};
