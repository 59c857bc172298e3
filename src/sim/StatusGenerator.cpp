#include "sim/StatusGenerator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kNominalVolts = 220.0;
// What one step of the 12-bit measuring inputs stands for (the current behind its 5:1
// transformer).
constexpr double kVoltsPerStep = 0.0715;
constexpr double kAmpsPerStep = 0.002327 / 2.1;
constexpr int kRawMax = 4095;
constexpr int kHistoryStepMinutes = 15;
constexpr int kMaxHistory = 36;
constexpr int kDefaultHistory = 10;
constexpr int kMaxAlarms = 64;
constexpr int kMeterWakeUp = 4;  // 0xFE bytes a meter sends before its frame
constexpr std::uint8_t kMeterOffset = 0x33;
constexpr int kLightDay = 2400, kLightNight = 25, kNotMeasured = 0xFFFF;

void Put(TBytes& data, int byte) {
    data.push_back(static_cast<char>(byte & 0xFF));
}
void PutWord(TBytes& data, int word) {
    Put(data, word >> 8);
    Put(data, word);
}

// A slow, repeatable wobble of about ±1 around 0 for a time of day and a channel.
double Wobble(TDateTime t, int channel) {
    const double minute = (t - std::floor(t)) * kMinutesPerDay;
    return std::sin(2 * std::numbers::pi * minute / 97.0 + channel * 1.7);
}

TDateTime StepDown(TDateTime t, int minutes) {
    const std::int64_t m = std::llround(std::floor(t * kMinutesPerDay + 1e-6));
    return static_cast<double>(m - m % minutes) / kMinutesPerDay;
}

bool HasBit(std::uint16_t mask, int loop) {
    return (mask >> (loop - 1) & 1) != 0;
}

}  // namespace

TStatusGenerator::TStatusGenerator(const TSimState& state, TDateTime controllerNow)
    : State_(state), Now_(controllerNow), Schedule_(state, controllerNow) {}

int TStatusGenerator::VoltageRaw(double volts) {
    return std::clamp(static_cast<int>(std::lround(volts / kVoltsPerStep)), 0, kRawMax);
}

int TStatusGenerator::CurrentRaw(double amps) {
    return std::clamp(static_cast<int>(std::lround(amps / kAmpsPerStep)), 0, kRawMax - 1);
}

double TStatusGenerator::PhaseVolts(int phase, TDateTime t) const {
    return kNominalVolts + 2.5 * Wobble(t, phase);
}

double TStatusGenerator::LoopAmps(int loop, int phase, TDateTime t) const {
    const std::uint16_t measured = State_.LoopsInUse & State_.CurrentInUse;
    if (!HasBit(measured, loop) || !HasBit(Schedule_.LoopsOnAt(t), loop)) return 0;
    return 1.8 + 0.15 * loop + 0.1 * phase + 0.05 * Wobble(t, 3 * loop + phase);
}

std::uint16_t TStatusGenerator::LoopsOn() const {
    return Schedule_.LoopsOnAt(Now_) & State_.LoopsInUse;
}

TBytes TStatusGenerator::LoopStatus() const {
    TBytes data;
    const std::uint16_t on = LoopsOn();
    PutWord(data, on);  // the contactors report back what was switched
    PutWord(data, on);
    Put(data, State_.DoorOpen ? 1 : 0);
    const TDateTime time = Now_ - std::floor(Now_);
    const bool daylight = time > Schedule_.Sunrise() && time < Schedule_.Sunset();
    PutWord(data, State_.LightControl == 0 ? kNotMeasured : (daylight ? kLightDay : kLightNight));
    TBytes lamps;
    if (State_.LcuLoops != 0) {
        const auto lit = std::count_if(State_.LampStates.begin(), State_.LampStates.end(),
                                       [](const auto& s) { return (s.second & 0x0F) != 0; });
        Put(lamps, static_cast<int>(std::min<std::ptrdiff_t>(lit, 255)));
        Put(lamps, static_cast<int>(std::min<size_t>(State_.LampStates.size(), 255)));
    }
    Put(data, static_cast<int>(lamps.size()));
    Put(data, kChannels);
    data += lamps;
    for (int phase = 1; phase <= 3; ++phase) PutWord(data, VoltageRaw(PhaseVolts(phase, Now_)));
    for (int loop = 1; loop <= kLoops; ++loop)
        for (int phase = 1; phase <= 3; ++phase)
            PutWord(data, CurrentRaw(LoopAmps(loop, phase, Now_)));
    return data;
}

TBytes TStatusGenerator::Alarms(const TBytes& request) const {
    const size_t wanted = request.empty() ? kMaxAlarms : ByteAt(request, 0);
    const size_t n = std::min({wanted, State_.Alarms.size(), static_cast<size_t>(kMaxAlarms)});
    TBytes data;
    Put(data, static_cast<int>(n));
    for (size_t k = State_.Alarms.size() - n; k < State_.Alarms.size(); ++k) {
        const TSimAlarm& alarm = State_.Alarms[k];
        const TDateParts d = DecodeDate(alarm.Time);
        const TTimeParts t = DecodeTime(alarm.Time);
        for (int v : {d.Month, d.Day, t.Hour, t.Minute}) Put(data, ToBcd(v));
        Put(data, alarm.Kinds);
    }
    return data;
}

double TStatusGenerator::MeterReading(int k) const {
    const size_t index = static_cast<size_t>(k - 1);
    const double base = index < State_.MeterBase.size() ? State_.MeterBase[index] : 100.0 * k;
    const double hours = std::max(0.0, (Now_ - State_.LastStartTime) * 24);
    return std::min(base + hours * (1.5 + 0.5 * k), 999999.99);
}

TBytes TStatusGenerator::MeterReply(int meter, double kwh, bool layout2007) {
    TBytes frame;
    Put(frame, 0x68);
    Put(frame, ToBcd(meter % 100));
    frame.append(5, '\0');
    Put(frame, 0x68);
    Put(frame, layout2007 ? 0x91 : 0x81);
    const TBytes id = layout2007 ? TBytes("\x00\x00\x01\x00", 4) : TBytes("\x10\x90", 2);
    Put(frame, static_cast<int>(id.size()) + 4);
    for (unsigned char b : id) Put(frame, b + kMeterOffset);
    std::int64_t hundredths = std::llround(kwh * 100);
    for (int k = 0; k < 4; ++k, hundredths /= 100)
        Put(frame, ToBcd(static_cast<int>(hundredths % 100)) + kMeterOffset);
    int sum = 0;
    for (unsigned char b : frame) sum += b;
    Put(frame, sum);
    Put(frame, 0x16);
    return TBytes(kMeterWakeUp, '\xFE') + frame;
}

TBytes TStatusGenerator::Energy() const {
    const int count = State_.WattMetersInUse;
    const bool layout2007 = count == 3;
    std::vector<TBytes> replies;
    for (int k = 1; k <= count; ++k) replies.push_back(MeterReply(k, MeterReading(k), layout2007));
    TBytes data;
    Put(data, count);
    Put(data, replies.empty() ? 0 : static_cast<int>(replies.front().size()));
    for (const TBytes& r : replies) data += r;
    return data;
}

TBytes TStatusGenerator::HistoryRecord(TDateTime t) const {
    TBytes record;
    const TDateParts d = DecodeDate(t);
    const TTimeParts h = DecodeTime(t);
    for (int v : {d.Month, d.Day, h.Hour, h.Minute}) Put(record, ToBcd(v));
    for (int phase = 1; phase <= 3; ++phase)
        Put(record, static_cast<int>(std::lround(PhaseVolts(phase, t))) - 100);
    for (int phase = 1; phase <= 3; ++phase) {
        double amps = 0;
        for (int loop = 1; loop <= kLoops; ++loop) amps += LoopAmps(loop, phase, t);
        Put(record, std::min(CurrentRaw(amps) / 16, 255));
    }
    return record;
}

TBytes TStatusGenerator::History(const TBytes& request) const {
    int count = kDefaultHistory;
    TDateTime end = Now_;
    if (request.size() >= 5) {
        count = std::clamp(static_cast<int>(ByteAt(request, 4)), 1, kMaxHistory);
        const bool latest = request.substr(0, 4) == TBytes(4, '\0');
        const auto at = [&](size_t k) { return FromBcd(ByteAt(request, k)); };
        const auto moment = TryEncodeDate(YearOf(Now_), at(0), at(1));
        const auto time = TryEncodeTime(at(2), at(3), 0);
        if (!latest && IsBcdText(request.substr(0, 4)) && moment && time) {
            end = *moment + *time;
            if (end > Now_) end = IncDay(end, -365);
        }
    }
    const TDateTime last = StepDown(end, kHistoryStepMinutes);
    TBytes data;
    for (int k = count - 1; k >= 0; --k)
        data += HistoryRecord(last - k * kHistoryStepMinutes / kMinutesPerDay);
    return data;
}

TBytes TStatusGenerator::LampStates(const TBytes& request) const {
    const bool all = request.size() < 2 || (ByteAt(request, 0) == 1 && ByteAt(request, 1) == 0);
    std::vector<int> lamps;
    if (all) {
        for (const auto& entry : State_.LampStates) lamps.push_back(entry.first);
    } else {
        const size_t k = std::min<size_t>(ByteAt(request, 0), request.size() - 1);
        for (size_t i = 1; i <= k; ++i) lamps.push_back(ByteAt(request, i));
    }
    TBytes pairs;
    int count = 0;
    for (int lamp : lamps) {
        const auto found = State_.LampStates.find(lamp);
        if (found == State_.LampStates.end() || count == 255) continue;
        Put(pairs, lamp);
        Put(pairs, found->second);
        ++count;
    }
    return TBytes(1, static_cast<char>(count)) + pairs;
}

TBytes TStatusGenerator::LampFaults() const {
    TBytes data(128, '\0');
    for (const auto& [lamp, value] : State_.LampFaults) {
        const size_t at = static_cast<size_t>(lamp - 1) / 2;
        const int shift = lamp % 2 == 1 ? 4 : 0;
        data[at] = static_cast<char>(ByteAt(data, at) | (value & 0x0F) << shift);
    }
    while (data.size() > 1 && data.back() == '\0') data.pop_back();
    return data;
}

TBytes TStatusGenerator::GuardMessages() const {
    if (State_.GuardMessages.size() == 10) return State_.GuardMessages;
    return TBytes(1, '\0');
}
