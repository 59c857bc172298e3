#pragma once
// The status replies of the simulated controller, made up from its state and the time of
// day: loops on as the plan in force says, voltages near 220 V, currents on the loops that
// are on, meter readings that grow with time, a history of readings, the lamp states and
// faults. The same state and time always give the same bytes.

#include <cstdint>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "sim/SimSchedule.h"
#include "sim/SimState.h"

class TStatusGenerator {
public:
    // Analog channels: three phase voltages, then three currents for each of eight loops.
    static constexpr int kLoops = 8;
    static constexpr int kChannels = 3 + 3 * kLoops;

    TStatusGenerator(const TSimState& state, TDateTime controllerNow);

    // Items 112 and 113: input and output words, door, light level, lamp status bytes, the
    // analog channels.
    TBytes LoopStatus() const;
    // Item 114: the latest `count` alarms (all when the request gives no count).
    TBytes Alarms(const TBytes& request) const;
    // Item 115: one meter reply per meter in use; three meters answer in the 2007 layout,
    // any other number in the 1997 layout.
    TBytes Energy() const;
    // Item 116: `count` records, fifteen minutes apart, ending at the requested moment (the
    // latest ones for a moment of zeros).
    TBytes History(const TBytes& request) const;
    // Item 71: the states of the listed lamps (all for "01 00" or no request).
    TBytes LampStates(const TBytes& request) const;
    TBytes LampFaults() const;     // item 83
    TBytes GuardMessages() const;  // item 117
    TBytes WorkTable() const { return Schedule_.WorkTable(); }
    int PlanCode() const { return Schedule_.PlanCode(); }

    // Meter k (1-based) now, kWh.
    double MeterReading(int k) const;
    std::uint16_t LoopsOn() const;
    // A meter's reply frame carrying `kwh`, with the wake-up bytes in front.
    static TBytes MeterReply(int meter, double kwh, bool layout2007);
    // Raw 12-bit values of a voltage and a current as the measuring inputs give them.
    static int VoltageRaw(double volts);
    static int CurrentRaw(double amps);

private:
    double PhaseVolts(int phase, TDateTime t) const;
    double LoopAmps(int loop, int phase, TDateTime t) const;
    TBytes HistoryRecord(TDateTime t) const;

    const TSimState& State_;
    TDateTime Now_;
    TSimSchedule Schedule_;
};
