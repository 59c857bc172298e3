#include "sim/SimState.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>

#include "schedules/HolidaysList.h"

using nlohmann::ordered_json;

namespace {

const char* const kPlanKeys[kPlanSlots] = {"ordinary", "weekend", "holiday", "temporary",
                                           "tempOnOff"};

// Loops 1-8 on at sunset, off at sunrise, as two actions without a lamp mode.
const char* const kDefaultOrdinaryPlan = "02 80 00 00 00 FF 00 10 00 00 00 FF 00";

std::string Hex(const TBytes& bytes) {
    return BytesToHexText(bytes);
}

TBytes FromHex(const std::string& text, const char* key) {
    if (Trim(text).empty()) return {};
    try {
        return HexTextToBytes(text, true);
    } catch (const THexTextError&) {
        throw std::runtime_error(std::string("state: ") + key + " is not hexadecimal text");
    }
}

std::string TimeText(TDateTime t) {
    return t == 0 ? "" : DateTimeToText(t);
}

TDateTime TimeFrom(const std::string& text, const char* key) {
    if (Trim(text).empty()) return 0;
    const auto t = TextToDateTime(text);
    if (!t) throw std::runtime_error(std::string("state: ") + key + " is not a date-time");
    return *t;
}

// Reads one key when present, with the key named in the error of a wrong value.
class TReader {
public:
    explicit TReader(const ordered_json& json) : Json_(json) {}

    template <class T>
    void Number(const char* key, T& field, double low, double high) {
        if (!Json_.contains(key)) return;
        const ordered_json& v = Json_.at(key);
        if (!v.is_number()) Fail(key, "is not a number");
        const double d = v.get<double>();
        if (d < low || d > high) Fail(key, "is out of range");
        field = static_cast<T>(d);
    }
    void Flag(const char* key, bool& field) {
        if (!Json_.contains(key)) return;
        if (!Json_.at(key).is_boolean()) Fail(key, "is not true or false");
        field = Json_.at(key).get<bool>();
    }
    void Text(const char* key, std::string& field) {
        if (!Json_.contains(key)) return;
        if (!Json_.at(key).is_string()) Fail(key, "is not a text");
        field = Json_.at(key).get<std::string>();
    }
    void Bytes(const char* key, TBytes& field) {
        std::string text;
        if (!Json_.contains(key)) return;
        Text(key, text);
        field = FromHex(text, key);
    }
    void Time(const char* key, TDateTime& field) {
        std::string text;
        if (!Json_.contains(key)) return;
        Text(key, text);
        field = TimeFrom(text, key);
    }
    const ordered_json* Child(const char* key) {
        return Json_.contains(key) ? &Json_.at(key) : nullptr;
    }
    [[noreturn]] static void Fail(const std::string& key, const char* what) {
        throw std::runtime_error("state: " + key + " " + what);
    }

private:
    const ordered_json& Json_;
};

ordered_json LampMapToJson(const std::map<int, std::uint8_t>& map) {
    ordered_json json = ordered_json::object();
    for (const auto& [lamp, value] : map) json[std::to_string(lamp)] = value;
    return json;
}

std::map<int, std::uint8_t> LampMapFrom(const ordered_json* json, const char* key, int lastLamp) {
    std::map<int, std::uint8_t> map;
    if (!json->is_object()) TReader::Fail(key, "is not an object");
    for (const auto& [name, value] : json->items()) {
        int lamp = 0;
        try {
            lamp = std::stoi(name);
        } catch (const std::exception&) {
            TReader::Fail(key, "names a lamp that is not a number");
        }
        if (lamp < 1 || lamp > lastLamp || !value.is_number_unsigned() || value.get<int>() > 255)
            TReader::Fail(key, "holds a lamp or value out of range");
        map[lamp] = value.get<std::uint8_t>();
    }
    return map;
}

void ReadAlarms(const ordered_json* json, std::vector<TSimAlarm>& alarms) {
    if (!json->is_array()) TReader::Fail("alarms", "is not a list");
    alarms.clear();
    for (const ordered_json& entry : *json) {
        if (!entry.is_object()) TReader::Fail("alarms", "holds an entry that is not an object");
        TSimAlarm alarm;
        TReader reader(entry);
        reader.Time("time", alarm.Time);
        reader.Number("kinds", alarm.Kinds, 0, 255);
        alarms.push_back(alarm);
    }
}

void ReadMeters(const ordered_json* json, std::vector<double>& meters) {
    if (!json->is_array()) TReader::Fail("meterBase", "is not a list");
    meters.clear();
    for (const ordered_json& v : *json) {
        if (!v.is_number() || v.get<double>() < 0) TReader::Fail("meterBase", "holds a bad value");
        meters.push_back(v.get<double>());
    }
}

}  // namespace

TSimState TSimState::Defaults(TDateTime startTime) {
    TSimState state;
    state.Plans[kOrdinary] = HexTextToBytes(kDefaultOrdinaryPlan);
    for (int k = kWeekend; k < kPlanSlots; ++k) state.Plans[k] = TBytes(1, '\0');
    state.Holidays = THolidaysList().Encode();
    state.SomeDaysStdOn = TBytes(5, '\0');
    state.WarningParameters = TBytes(4, '\0');
    state.GuardMessages = TBytes(10, '\0');
    state.MeterBase = {1234.56, 789.01};
    state.LastStartTime = startTime;
    state.Alarms = {{startTime, 0x80}};
    return state;
}

TDateTime TSimState::ControllerTime(TDateTime pcNow) const {
    return pcNow + ClockOffsetSeconds / kSecondsPerDay;
}

void TSimState::SetControllerTime(TDateTime controllerTime, TDateTime pcNow) {
    ClockOffsetSeconds = static_cast<double>(MilliSecondsFrom(controllerTime, pcNow)) / 1000.0;
}

std::string StateToJson(const TSimState& s) {
    ordered_json json;
    json["address"] = s.Address;
    ordered_json plans;
    for (int k = 0; k < kPlanSlots; ++k) plans[kPlanKeys[k]] = Hex(s.Plans[k]);
    json["plans"] = plans;
    json["clockOffsetSeconds"] = s.ClockOffsetSeconds;
    json["performMode"] = s.PerformMode;
    json["weekendDays"] = s.WeekendDays;
    json["holidays"] = Hex(s.Holidays);
    json["stdOnCorrection"] = s.StdOnCorrection;
    json["stdOffCorrection"] = s.StdOffCorrection;
    json["someDaysStdOn"] = Hex(s.SomeDaysStdOn);
    json["longitude"] = s.Longitude;
    json["latitude"] = s.Latitude;
    json["timeZone"] = s.TimeZone;
    json["onHourAngle"] = s.OnHourAngle;
    json["offHourAngle"] = s.OffHourAngle;
    json["loopsInUse"] = s.LoopsInUse;
    json["lcuLoops"] = s.LcuLoops;
    json["currentInUse"] = s.CurrentInUse;
    json["iCurrentP"] = s.ICurrentP;
    json["lightControl"] = s.LightControl;
    json["doorOpen"] = s.DoorOpen;
    json["centerPhoneNumber"] = s.CenterPhoneNumber;
    json["centerAddress"] = s.CenterAddress;
    json["routeAddressMap"] = Hex(s.RouteAddressMap);
    json["commDevice"] = s.CommDevice;
    json["autoSaveInterval"] = s.AutoSaveInterval;
    json["warningMode"] = s.WarningMode;
    json["warningType"] = s.WarningType;
    json["warningParameters"] = Hex(s.WarningParameters);
    json["restartPowerFlag"] = s.RestartPowerFlag;
    ordered_json alarms = ordered_json::array();
    for (const TSimAlarm& a : s.Alarms)
        alarms.push_back({{"time", TimeText(a.Time)}, {"kinds", a.Kinds}});
    json["alarms"] = alarms;
    json["wattMeterCommand"] = Hex(s.WattMeterCommand);
    json["wattMetersInUse"] = s.WattMetersInUse;
    json["meterBase"] = s.MeterBase;
    json["standardMasks"] = Hex(s.StandardMasks);
    json["customMasks"] = Hex(s.CustomMasks);
    json["keepLcuStatusFlag"] = s.KeepLcuStatusFlag;
    json["poleCountInUse"] = s.PoleCountInUse;
    json["maskBitsForAPole"] = s.MaskBitsForAPole;
    json["lampsMaskLength"] = s.LampsMaskLength;
    json["lcuPhaseTable"] = Hex(s.LcuPhaseTable);
    json["guardAddressTable"] = Hex(s.GuardAddressTable);
    json["okLampTable"] = Hex(s.OkLampTable);
    json["guardMessages"] = Hex(s.GuardMessages);
    json["lampStates"] = LampMapToJson(s.LampStates);
    json["lampFaults"] = LampMapToJson(s.LampFaults);
    json["versionInfo"] = s.VersionInfo;
    json["lastStartTime"] = TimeText(s.LastStartTime);
    return json.dump(2) + "\n";
}

TSimState StateFromJson(const std::string& text, const TSimState& base) {
    ordered_json json;
    try {
        json = ordered_json::parse(text);
    } catch (const ordered_json::parse_error& e) {
        throw std::runtime_error(std::string("state: not JSON: ") + e.what());
    }
    if (!json.is_object()) throw std::runtime_error("state: not a JSON object");
    TSimState s = base;
    TReader r(json);
    r.Number("address", s.Address, 1, 254);
    if (const ordered_json* plans = r.Child("plans")) {
        if (!plans->is_object()) TReader::Fail("plans", "is not an object");
        TReader planReader(*plans);
        for (int k = 0; k < kPlanSlots; ++k) planReader.Bytes(kPlanKeys[k], s.Plans[k]);
    }
    r.Number("clockOffsetSeconds", s.ClockOffsetSeconds, -1e10, 1e10);
    r.Number("performMode", s.PerformMode, 0, 7);
    r.Number("weekendDays", s.WeekendDays, 0, 255);
    r.Bytes("holidays", s.Holidays);
    r.Number("stdOnCorrection", s.StdOnCorrection, -128, 127);
    r.Number("stdOffCorrection", s.StdOffCorrection, -128, 127);
    r.Bytes("someDaysStdOn", s.SomeDaysStdOn);
    r.Number("longitude", s.Longitude, -327, 327);
    r.Number("latitude", s.Latitude, -327, 327);
    r.Number("timeZone", s.TimeZone, -3276, 3276);
    r.Number("onHourAngle", s.OnHourAngle, -1.28, 1.27);
    r.Number("offHourAngle", s.OffHourAngle, -1.28, 1.27);
    r.Number("loopsInUse", s.LoopsInUse, 0, 0xFFFF);
    r.Number("lcuLoops", s.LcuLoops, 0, 0xFFFF);
    r.Number("currentInUse", s.CurrentInUse, 0, 0xFFFF);
    r.Number("iCurrentP", s.ICurrentP, 0, 255);
    r.Number("lightControl", s.LightControl, 0, 255);
    r.Flag("doorOpen", s.DoorOpen);
    r.Text("centerPhoneNumber", s.CenterPhoneNumber);
    r.Number("centerAddress", s.CenterAddress, 0, 255);
    r.Bytes("routeAddressMap", s.RouteAddressMap);
    r.Number("commDevice", s.CommDevice, 0, 255);
    r.Number("autoSaveInterval", s.AutoSaveInterval, 0, 255);
    r.Number("warningMode", s.WarningMode, 0, 255);
    r.Number("warningType", s.WarningType, 0, 0xFFFF);
    r.Bytes("warningParameters", s.WarningParameters);
    r.Number("restartPowerFlag", s.RestartPowerFlag, 0, 255);
    if (const ordered_json* alarms = r.Child("alarms")) ReadAlarms(alarms, s.Alarms);
    r.Bytes("wattMeterCommand", s.WattMeterCommand);
    r.Number("wattMetersInUse", s.WattMetersInUse, 0, 8);
    if (const ordered_json* meters = r.Child("meterBase")) ReadMeters(meters, s.MeterBase);
    r.Bytes("standardMasks", s.StandardMasks);
    r.Bytes("customMasks", s.CustomMasks);
    r.Number("keepLcuStatusFlag", s.KeepLcuStatusFlag, 0, 255);
    r.Number("poleCountInUse", s.PoleCountInUse, 0, 255);
    r.Number("maskBitsForAPole", s.MaskBitsForAPole, 0, 255);
    r.Number("lampsMaskLength", s.LampsMaskLength, 0, 255);
    r.Bytes("lcuPhaseTable", s.LcuPhaseTable);
    r.Bytes("guardAddressTable", s.GuardAddressTable);
    r.Bytes("okLampTable", s.OkLampTable);
    r.Bytes("guardMessages", s.GuardMessages);
    if (const ordered_json* states = r.Child("lampStates"))
        s.LampStates = LampMapFrom(states, "lampStates", 255);
    if (const ordered_json* faults = r.Child("lampFaults"))
        s.LampFaults = LampMapFrom(faults, "lampFaults", 256);
    r.Text("versionInfo", s.VersionInfo);
    r.Time("lastStartTime", s.LastStartTime);
    return s;
}

std::optional<TSimState> TStateFile::Load(const TSimState& base) const {
    if (::access(Path_.c_str(), F_OK) != 0 && errno == ENOENT) return std::nullopt;
    std::ifstream in(Path_, std::ios::binary);
    if (!in) throw std::runtime_error("state: cannot read " + Path_);
    std::ostringstream text;
    text << in.rdbuf();
    return StateFromJson(text.str(), base);
}

void TStateFile::Save(const TSimState& state) const {
    const std::string text = StateToJson(state);
    const std::string temp = Path_ + ".tmp";
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw std::runtime_error("state: cannot write " + temp + ": " + std::strerror(errno));
    size_t written = 0;
    bool ok = true;
    while (ok && written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) written += static_cast<size_t>(n);
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), Path_.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(temp.c_str());
        throw std::runtime_error("state: cannot write " + Path_ + ": " + reason);
    }
}
