#include "app/Settings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

#include "app/Paths.h"
#include "platform/ProfileFile.h"

namespace {

constexpr const char* kSection = "System";
// The section has always been spelt this way for the control mode; sections compare without
// regard to case, so it is the same section.
constexpr const char* kModeSection = "system";

// A byte-sized key: a value outside 0..255 is as unreadable as one without digits.
std::uint8_t ReadByte(const TProfileData& data, const char* key, std::uint8_t defaultValue) {
    int value = data.ReadInteger(kSection, key, defaultValue);
    return value >= 0 && value <= 255 ? static_cast<std::uint8_t>(value) : defaultValue;
}

// A whole number of minutes that the file keeps as a decimal.
int ReadMinutes(const TProfileData& data, const char* key, int defaultValue) {
    double value = std::round(data.ReadFloat(kSection, key, defaultValue));
    bool fits =
        value >= std::numeric_limits<int>::min() && value <= std::numeric_limits<int>::max();
    return fits ? static_cast<int>(value) : defaultValue;
}

// General format, at most 15 significant digits: 103.39, 8, 0.5. Independent of the locale,
// which the window library may have changed.
std::string DecimalText(double value) {
    char buffer[32];
    auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

void WriteDecimal(TProfileEdit& edit, const char* key, double value) {
    edit.WriteString(kSection, key, DecimalText(value));
}

TSettings ReadSettings(const TProfileData& data) {
    const TSettings defaults;
    TSettings s;
    s.ControlMode = ReadByte(data, "ControlMode", defaults.ControlMode);
    s.PortName = data.ReadString(kSection, "PortName", defaults.PortName);
    if (s.PortName.empty()) s.PortName = defaults.PortName;
    s.BaudRate = data.ReadInteger(kSection, "BaudRate", defaults.BaudRate);
    s.ByteSize = ReadByte(data, "ByteSize", defaults.ByteSize);
    s.StopBits = ReadByte(data, "StopBits", defaults.StopBits);
    s.Parity = ReadByte(data, "Parity", defaults.Parity);
    s.ServerPort = data.ReadInteger(kSection, "ServerPort", defaults.ServerPort);
    s.Longitude = data.ReadFloat(kSection, "Longitude", defaults.Longitude);
    s.Latitude = data.ReadFloat(kSection, "Latitude", defaults.Latitude);
    s.TimeZone = data.ReadFloat(kSection, "TimeZone", defaults.TimeZone);
    s.AdjustSunSet = ReadMinutes(data, "AdjustSunSet", defaults.AdjustSunSet);
    s.AdjustSunRise = ReadMinutes(data, "AdjustSunRise", defaults.AdjustSunRise);
    s.RtuAddress = data.ReadInteger(kSection, "RtuAddress", defaults.RtuAddress);
    if (s.RtuAddress < 1 || s.RtuAddress > 254) s.RtuAddress = 0;
    s.LastCommDevice = ReadByte(data, "LastCommDevice", defaults.LastCommDevice);
    s.WaitForSmsSendTimeOut = std::max(
        data.ReadInteger(kSection, "WaitForSmsSendTimeOut", defaults.WaitForSmsSendTimeOut),
        kMinSmsSendTimeOut);
    return s;
}

void WriteSettings(TProfileEdit& edit, const TSettings& s) {
    edit.WriteInteger(kModeSection, "ControlMode", s.ControlMode);
    edit.WriteString(kSection, "PortName", s.PortName);
    edit.WriteInteger(kSection, "BaudRate", s.BaudRate);
    edit.WriteInteger(kSection, "ByteSize", s.ByteSize);
    edit.WriteInteger(kSection, "StopBits", s.StopBits);
    edit.WriteInteger(kSection, "Parity", s.Parity);
    edit.WriteInteger(kSection, "ServerPort", s.ServerPort);
    WriteDecimal(edit, "Longitude", s.Longitude);
    WriteDecimal(edit, "Latitude", s.Latitude);
    WriteDecimal(edit, "TimeZone", s.TimeZone);
    WriteDecimal(edit, "AdjustSunSet", s.AdjustSunSet);
    WriteDecimal(edit, "AdjustSunRise", s.AdjustSunRise);
    edit.WriteInteger(kSection, "RtuAddress", s.RtuAddress);
    edit.WriteInteger(kSection, "LastCommDevice", s.LastCommDevice);
    edit.WriteInteger(kSection, "WaitForSmsSendTimeOut", s.WaitForSmsSendTimeOut);
}

}  // namespace

TSettings LoadSettings(const std::string& fileName) {
    return ReadSettings(*TProfileFile(fileName).Read());
}

void SaveSettings(const TSettings& settings, const std::string& fileName) {
    TProfileFile(fileName).Update([&](TProfileEdit& edit) { WriteSettings(edit, settings); });
}

TSettings& Settings() {
    static TSettings settings;
    return settings;
}

void LoadSettings() {
    Settings() = LoadSettings(SettingsFile());
}

void SaveSettings() {
    SaveSettings(Settings(), SettingsFile());
}
