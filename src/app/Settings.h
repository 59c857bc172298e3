#pragma once
// The communication and location settings, kept in the settings file's section "System".

#include <cstdint>
#include <string>

struct TSettings {
    std::uint8_t ControlMode = 0;  // 0 direct cable, 1 remote
    std::string PortName = "COM1:";
    int BaudRate = 9600;
    std::uint8_t ByteSize = 8;        // 5..8
    std::uint8_t StopBits = 0;        // 0 one, 1 one and a half, 2 two
    std::uint8_t Parity = 0;          // 0 none, 1 odd, 2 even, 3 mark, 4 space
    int ServerPort = 1024;            // UDP port of the GPRS server
    double Longitude = 103.39;        // degrees east
    double Latitude = 23.37;          // degrees north
    double TimeZone = 8;              // hours east of UTC
    int AdjustSunSet = 0;             // minutes added to the computed sunset
    int AdjustSunRise = 0;            // minutes added to the computed sunrise
    int RtuAddress = 0;               // controller address last used on the cable; 0 none
    std::uint8_t LastCommDevice = 0;  // link kind chosen last in the station editor
    int WaitForSmsSendTimeOut = 0;    // ms; loading raises it to kMinSmsSendTimeOut

    bool operator==(const TSettings&) const = default;
};

inline constexpr int kMinSmsSendTimeOut = 12000;

// The settings in the file; a key that is missing or unreadable gives its default, and the
// values are normalised (address outside 1..254 is 0, the SMS time-out at least 12000 ms, an
// empty port name "COM1:"). Throws TProfileError when the file exists but cannot be read.
TSettings LoadSettings(const std::string& fileName);
// Writes every key in one write of the file. Throws TProfileError when it cannot.
void SaveSettings(const TSettings& settings, const std::string& fileName);

// The program's settings (main thread), loaded from and saved to SettingsFile().
TSettings& Settings();
void LoadSettings();
void SaveSettings();
