#include "sim/SimOptions.h"

#include <cstdlib>
#include <functional>
#include <map>

namespace {

bool ToInt(const std::string& text, long low, long high, int& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < low || v > high) return false;
    value = static_cast<int>(v);
    return true;
}

bool ToShare(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end != '\0' || !(v >= 0 && v <= 1)) return false;
    value = v;
    return true;
}

bool ToHostPort(const std::string& text, std::string& host, int& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) return false;
    host = text.substr(0, colon);
    return ToInt(text.substr(colon + 1), 1, 65535, port);
}

bool IsDeviceId(const std::string& id) {
    return !id.empty() && id.size() <= 11 &&
           id.find_first_not_of("0123456789") == std::string::npos;
}

using TValueOption = std::function<bool(TSimOptions&, const std::string&)>;
using TFlagOption = std::function<void(TSimOptions&)>;

// The number of roads given is checked once all options are read.
bool SetRoad(TSimOptions& o, TSimOptions::TRoad road) {
    o.Road = road;
    return true;
}

const std::map<std::string, TValueOption>& ValueOptions() {
    using R = TSimOptions::TRoad;
    static const std::map<std::string, TValueOption> options = {
        {"--udp",
         [](TSimOptions& o, const std::string& v) {
             return SetRoad(o, R::Udp) && ToHostPort(v, o.UdpHost, o.UdpPort);
         }},
        {"--serial",
         [](TSimOptions& o, const std::string& v) {
             o.SerialPath = v;
             return SetRoad(o, R::Serial) && !v.empty();
         }},
        {"--device-id",
         [](TSimOptions& o, const std::string& v) {
             o.DeviceId = v;
             return IsDeviceId(v);
         }},
        {"--register-every",
         [](TSimOptions& o, const std::string& v) {
             return ToInt(v, 0, 86400, o.RegisterEverySec);
         }},
        {"--baud",
         [](TSimOptions& o, const std::string& v) { return ToInt(v, 50, 4000000, o.BaudRate); }},
        {"--address",
         [](TSimOptions& o, const std::string& v) {
             int a = 0;
             if (!ToInt(v, 1, 254, a)) return false;
             o.Address = a;
             return true;
         }},
        {"--state",
         [](TSimOptions& o, const std::string& v) {
             o.StateFile = v;
             return !v.empty();
         }},
        {"--drop", [](TSimOptions& o, const std::string& v) { return ToShare(v, o.Faults.Drop); }},
        {"--bad-crc",
         [](TSimOptions& o, const std::string& v) { return ToShare(v, o.Faults.BadCrc); }},
        {"--delay", [](TSimOptions& o,
                       const std::string& v) { return ToInt(v, 0, 600000, o.Faults.DelayMs); }},
        {"--wrong-address",
         [](TSimOptions& o, const std::string& v) {
             return ToInt(v, 1, 254, o.Faults.WrongAddress);
         }},
        {"--seed",
         [](TSimOptions& o, const std::string& v) {
             int seed = 0;
             if (!ToInt(v, 0, 2147483647, seed)) return false;
             o.Faults.Seed = static_cast<std::uint64_t>(seed);
             return true;
         }},
    };
    return options;
}

const std::map<std::string, TFlagOption>& FlagOptions() {
    static const std::map<std::string, TFlagOption> options = {
        {"--pty", [](TSimOptions& o) { SetRoad(o, TSimOptions::TRoad::Pty); }},
        {"--time-stamp", [](TSimOptions& o) { o.TimeStamp = true; }},
        {"--split", [](TSimOptions& o) { o.Faults.Split = true; }},
        {"--double", [](TSimOptions& o) { o.Faults.Double = true; }},
        {"--stray", [](TSimOptions& o) { o.Faults.Stray = true; }},
        {"--help", [](TSimOptions& o) { o.Help = true; }},
    };
    return options;
}

}  // namespace

std::optional<TSimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                           std::string& error) {
    TSimOptions options;
    int roads = 0;
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& name = args[k];
        if (name == "--udp" || name == "--serial" || name == "--pty") ++roads;
        if (const auto flag = FlagOptions().find(name); flag != FlagOptions().end()) {
            flag->second(options);
            continue;
        }
        const auto value = ValueOptions().find(name);
        if (value == ValueOptions().end()) {
            error = "unknown option " + name;
            return std::nullopt;
        }
        if (k + 1 >= args.size()) {
            error = name + " needs a value";
            return std::nullopt;
        }
        if (!value->second(options, args[++k])) {
            error = "bad value for " + name + ": " + args[k];
            return std::nullopt;
        }
    }
    if (options.Help) return options;
    if (roads != 1) {
        error = "give exactly one of --udp, --pty and --serial";
        return std::nullopt;
    }
    if (options.Road == TSimOptions::TRoad::Udp) {
        if (options.DeviceId.empty()) {
            error = "--udp needs --device-id";
            return std::nullopt;
        }
        options.TimeStamp = true;
    }
    return options;
}

std::string SimUsage() {
    return "usage: rtu-sim ROAD [options]\n"
           "A simulated generation-6 street-lamp controller.\n"
           "\n"
           "Roads (exactly one):\n"
           "  --udp HOST:PORT        play a GPRS terminal that registers with the PC's UDP\n"
           "                         server at HOST:PORT (needs --device-id; frames carry a\n"
           "                         time stamp)\n"
           "  --pty                  open a pseudo-terminal; its slave path is the first line\n"
           "                         on standard output\n"
           "  --serial PATH          use an existing serial device\n"
           "\n"
           "Options:\n"
           "  --device-id ID         the terminal's identifier, up to 11 digits\n"
           "  --register-every SEC   register again every SEC seconds (default 60, 0: once)\n"
           "  --baud N               line speed of --serial (default 9600)\n"
           "  --address N            controller address 1..254 (default: the state's, 5)\n"
           "  --time-stamp           frames carry a time stamp (short message link)\n"
           "  --state FILE           keep the controller's state in FILE (JSON): read at\n"
           "                         start when it exists, rewritten after every change\n"
           "\n"
           "Faults:\n"
           "  --drop P               lose each reply frame with probability P (0..1)\n"
           "  --delay MS             send every reply MS milliseconds late\n"
           "  --bad-crc P            with probability P invert a reply frame's CRC and zero\n"
           "                         its packet number (the PC refuses such a data reply)\n"
           "  --wrong-address N      answer from controller address N\n"
           "  --split                send each frame in two parts (two writes / datagrams)\n"
           "  --double               send frames two in one write / datagram (a single\n"
           "                         frame twice)\n"
           "  --stray                put three stray bytes before each frame\n"
           "  --seed N               seed of the random fault choices (default 1)\n"
           "\n"
           "Each frame received and sent is logged on standard error. SIGINT and SIGTERM\n"
           "end the program.\n";
}
