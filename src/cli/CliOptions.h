#pragma once
// The command line of rtu-cli: which road, which controller, and the commands to send.

#include <optional>
#include <string>
#include <vector>

#include "protocol/ByteUtils.h"

// One command of the command line.
struct TCliCommand {
    enum class TKind { Read, Write, SetClock };
    TKind Kind = TKind::Read;
    int Item = 0;
    TBytes Data;  // request data of a read, payload of a write

    bool operator==(const TCliCommand&) const = default;
};

struct TCliOptions {
    bool Remote = false;
    // Direct cable.
    std::string PortName;
    int BaudRate = 9600;
    bool ShortMessageFormat = false;  // frames with time stamp, as over short messages
    int Address = 0;
    // Remote (GPRS through the UDP server).
    int ServerPort = 1024;
    std::string StationName;
    int WaitSeconds = 60;  // for the terminal to register
    int SendGapMs = -1;    // quiet time between commands; -1: the mode's own
    std::vector<TCliCommand> Commands;
    bool Help = false;
};

// The arguments after the program name. nullopt, with `error` set, for a command line that is
// not a valid one. --data-dir is accepted and left to the program paths.
std::optional<TCliOptions> ParseCliOptions(const std::vector<std::string>& args,
                                           std::string& error);
std::string CliUsage();

// An item given by its number (decimal or 0x hexadecimal) or its catalogue name; nullopt for
// anything that is not a catalogued item.
std::optional<int> ItemArgument(const std::string& text);
