#pragma once
// The command line of rtu-sim.

#include <optional>
#include <string>
#include <vector>

#include "sim/FaultInjector.h"

struct TSimOptions {
    enum class TRoad { None, Udp, Pty, Serial };
    TRoad Road = TRoad::None;
    std::string UdpHost;
    int UdpPort = 0;
    std::string DeviceId;
    int RegisterEverySec = 60;
    std::string SerialPath;
    int BaudRate = 9600;
    std::optional<int> Address;  // overrides the state's
    bool TimeStamp = false;      // GPRS always has one
    std::string StateFile;
    TFaultOptions Faults;
    bool Help = false;
};

// Parses the arguments after the program name. nullopt, with `error` set, for a command line
// that is not a valid one.
std::optional<TSimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                           std::string& error);
std::string SimUsage();
