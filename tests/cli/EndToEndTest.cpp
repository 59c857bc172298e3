// rtu-cli against rtu-sim, both as the real programs in a temporary data folder: every item
// the main window reads decoded to the simulator's state, writes read back, over the serial
// road (a pseudo-terminal) and the GPRS road (UDP on 127.0.0.1), and the status line that each
// fault of the line produces.

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/Catalogue.h"
#include "stations/StationBase.h"
#include "stations/udiTest.h"
#include "support/TempDir.h"

#ifdef RTU_SIM_PATH

namespace {

using nlohmann::json;

constexpr const char* kStation = "一号柜";
constexpr const char* kDeviceId = "13800000005";
constexpr int kAddress = 5;
constexpr int kGuardMs = 120000;  // a run that hangs is killed, never reached when all is well

// The controller the tests talk to: values unlike the simulator's defaults.
const char* const kSimState = R"({
  "address": 5, "stdOnCorrection": -7, "stdOffCorrection": 12, "performMode": 3,
  "weekendDays": 65, "holidays": "01 01 10 01 00", "longitude": 102.5, "latitude": 25.04,
  "timeZone": 7.5, "onHourAngle": 0.12, "offHourAngle": -0.05, "loopsInUse": 4095,
  "lcuLoops": 3, "currentInUse": 255, "lightControl": 133, "centerPhoneNumber": "13912345678",
  "centerAddress": 7, "routeAddressMap": "0A 0B", "commDevice": 1, "autoSaveInterval": 2,
  "warningMode": 1, "warningType": 258, "restartPowerFlag": 0, "warningParameters": "00 E6 B4 00",
  "wattMeterCommand": "01 02 AA BB", "wattMetersInUse": 3, "keepLcuStatusFlag": 1,
  "poleCountInUse": 20, "maskBitsForAPole": 3, "lampsMaskLength": 8,
  "lcuPhaseTable": "01 02 03", "guardAddressTable": "11 12", "okLampTable": "05 06",
  "versionInfo": "RTU-SIM V6.1 test"
})";

enum class Road { Pty, Udp };

std::string RoadName(Road road) {
    return road == Road::Pty ? "Pty" : "Udp";
}

// A UDP port nobody uses now.
int FreeUdpPort() {
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    close(fd);
    return ntohs(address.sin_port);
}

std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

// Hexadecimal text as the client prints it.
std::string Hex(const std::string& text) {
    return BytesToHexText(HexTextToBytes(text));
}

struct CliRun {
    int ExitCode = -1;
    std::vector<json> Replies;
    std::string Err;

    // The reply of the item (the last one when there are several).
    json Reply(int item) const {
        for (auto it = Replies.rbegin(); it != Replies.rend(); ++it)
            if ((*it)["item"] == item) return *it;
        return json();
    }
    bool HasLine(const std::string& line) const {
        return ("\n" + Err).find("\n" + line + "\n") != std::string::npos;
    }
};

class CliEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        Dir.Write("sim.json", kSimState);
        TIDataTest store(Dir.Path());
        ASSERT_GT(store.AddStation(kStation, kLinkGprs, 0x00FF, kDeviceId, kAddress), 0);
    }

    // Starts the simulator on the road with its fault options.
    void StartSim(Road road, const std::string& faults = "") {
        std::vector<std::string> args = {RTU_SIM_PATH, "--state", Dir / "sim.json"};
        if (road == Road::Pty) {
            args.insert(args.end(), {"--pty"});
        } else {
            Port = FreeUdpPort();
            args.insert(args.end(), {"--udp", "127.0.0.1:" + std::to_string(Port), "--device-id",
                                     kDeviceId, "--register-every", "1"});
        }
        for (const std::string& word : Words(faults)) args.push_back(word);
        Sim = std::make_unique<ChildProcess>(args, Dir / "sim.log");
        const std::string first = Sim->ReadLine(10000);
        ASSERT_FALSE(first.empty()) << "rtu-sim printed nothing";
        if (road == Road::Pty) SlavePath = first;
        CurrentRoad = road;
    }

    CliRun Cli(const std::string& commands) {
        std::vector<std::string> args = {RTU_CLI_PATH, "--data-dir", Dir.Path()};
        if (CurrentRoad == Road::Pty) {
            args.insert(args.end(), {"--serial", SlavePath, "--address", std::to_string(kAddress)});
        } else {
            args.insert(args.end(), {"--remote", "--port", std::to_string(Port), "--wait", "10",
                                     "--send-gap", "0", "--station", kStation});
        }
        for (const std::string& word : Words(commands)) args.push_back(word);
        const RunResult result = RunToEnd(args, kGuardMs);
        CliRun run{result.ExitCode, {}, result.Err};
        std::istringstream out(result.Out);
        for (std::string line; std::getline(out, line);) run.Replies.push_back(json::parse(line));
        return run;
    }

    // The simulator's state as it last saved it.
    json SimState() const { return json::parse(Dir.Read("sim.json")); }

    TempDir Dir;
    std::unique_ptr<ChildProcess> Sim;
    Road CurrentRoad = Road::Pty;
    std::string SlavePath;
    int Port = 0;
};

// A value of the decoded record; numbers compare to within rounding of the wire scale.
void ExpectField(const json& reply, const std::string& pointer, const json& expected) {
    ASSERT_TRUE(reply.is_object()) << "no reply for " << pointer;
    ASSERT_EQ(reply["accepted"], true) << reply.dump();
    const json& record = reply["record"];
    ASSERT_TRUE(record.contains(json::json_pointer(pointer))) << pointer << " in " << record.dump();
    const json& actual = record[json::json_pointer(pointer)];
    if (expected.is_number() && actual.is_number()) {
        EXPECT_NEAR(actual.get<double>(), expected.get<double>(), 1e-6) << pointer;
    } else {
        EXPECT_EQ(actual, expected) << pointer;
    }
}

// --- Reads -----------------------------------------------------------------------------------

struct FieldCase {
    int Item;
    std::string Pointer;
    json Expected;
};

// The items the main window reads whose values the state above fixes.
const std::vector<FieldCase> kStateFields = {
    {Item::StdOnCorrection, "/stdOnCorrection", -7},
    {Item::StdOffCorrection, "/stdOffCorrection", 12},
    {Item::PerformMode, "/performMode", 2},
    {Item::WeekendsType, "/weekendDays", {1, 7}},
    {Item::HolidaysList, "/holidays", {"01-01", "10-01"}},
    {Item::LcuPhaseTable, "/lcuPhaseTable", "01 02 03"},
    {Item::GuardAddressTable, "/guardAddressTable", "11 12"},
    {Item::OkLampAddressTable, "/okLampAddressTable", "05 06"},
    {Item::SomeDaysStdOn, "/someDaysStdOn", "00 00 00 00 00"},
    {Item::LightMeterControl, "/lightControl", 133},
    {Item::CenterPhoneNumber, "/centerPhoneNumber", "13912345678"},
    {Item::VersionInfo, "/versionInfo", "RTU-SIM V6.1 test"},
    {Item::RtuAddress, "/rtuAddress", kAddress},
    {Item::CenterAddress, "/centerAddress", 7},
    {Item::RouteAddressMap, "/routeAddressMap", "0A 0B"},
    {Item::RtuCommDevice, "/commFormat", 1},
    {Item::WarningMode, "/warningMode", 1},
    {Item::LoopsInUse, "/loopsInUse", 4095},
    {Item::LoopsIsStreetLamp, "/lcuLoops", 3},
    {Item::Longitude, "/longitude", 102.5},
    {Item::Latitude, "/latitude", 25.04},
    {Item::WattMeterCommand, "/wattMeterCommand", "01 02 AA BB"},
    {Item::KeepLcuStatusFlag, "/keepLcuStatusFlag", 1},
    {Item::PoleCountInUse, "/poleCountInUse", 20},
    {Item::MaskBitsForAPole, "/maskBitsForAPole", 3},
    {Item::LampsMaskLength, "/lampsMaskLength", 8},
    {Item::GaoDuJiaoOn, "/onHourAngle", 0.12},
    {Item::GaoDuJiaoOff, "/offHourAngle", -0.05},
    {Item::WattMetersInUse, "/wattMetersInUse", 3},
    {Item::RtuTimeZone, "/timeZone", 7.5},
    {Item::AutoSaveInterval, "/autoSaveInterval", 2},
    {Item::WarningParameters, "/warningParameters/bytes", "00 E6 B4 00"},
    {Item::WarningParameters, "/warningParameters/overVoltage", 230},
    {Item::RestartPowerFlag, "/restartPowerFlag/bytes", "00"},
    {Item::CurrentInUse, "/currentInUse", 255},
    {Item::Options, "/performMode", 2},
    {Item::Options, "/weekendDays", {1, 7}},
    {Item::Options, "/longitude", 102.5},
    {Item::Options, "/timeZone", 7.5},
    {Item::Options, "/stdOffCorrection", 12},
    {Item::Options, "/holidays", {"01-01", "10-01"}},
    {Item::AdvancedOptions, "/loopsInUse", 4095},
    {Item::AdvancedOptions, "/autoSaveInterval", 2},
    {Item::AdvancedOptions, "/lightControl", 133},
    {Item::AdvancedOptions, "/centerPhoneNumber", "13912345678"},
    {Item::AdvancedOptions, "/routeAddressMap", "0A 0B"},
    {Item::RtuTime, "/performMode", 2},
    {Item::RtuTime, "/stdOnCorrection", -7},
    {Item::RtuTime, "/weekendDays", {1, 7}},
};

// The plan items and the simulator's plan each one carries.
const std::vector<std::pair<int, std::vector<std::string>>> kPlanItems = {
    {Item::FixedTimer, {"ordinary", "weekend", "holiday", "temporary"}},
    {Item::TempTimer, {"tempOnOff"}},
    {Item::NormalTheme, {"ordinary"}},
    {Item::WeekendTheme, {"weekend"}},
    {Item::HolidayTheme, {"holiday"}},
    {Item::CustomTheme, {"temporary"}},
};

// Items read without a fixed value to compare: what the simulator measures or makes up.
const std::vector<std::pair<int, std::string>> kMeasured = {
    {Item::WorkTable, "/points"},          {Item::CurrentThemeName, "/currentThemeId"},
    {Item::LoopStatus, "/statusText"},     {Item::Alarms, "/alarmText"},
    {Item::Energy, "/energyText"},         {Item::History, "/historyText"},
    {Item::GuardStatus, "/guardMessages"}, {Item::LastStartTime, "/lastStartTime"},
    {Item::LcuFaultTable, "/text"},        {Item::FixedLampsModes, "/masks"},
    {Item::CustomLampsModes, "/masks"},    {Item::RtuClock, "/rtuClock"},
};

std::string ReadCommands(const std::vector<int>& items) {
    std::string commands;
    for (int item : items) commands += " read " + std::to_string(item);
    return commands;
}

class CliReads : public CliEndToEnd, public ::testing::WithParamInterface<Road> {};

TEST_P(CliReads, ParameterItemsDecodeToTheSimulatorsState) {
    StartSim(GetParam());
    std::vector<int> items;
    for (const FieldCase& c : kStateFields)
        if (items.empty() || items.back() != c.Item) items.push_back(c.Item);
    const CliRun run = Cli(ReadCommands(items));
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Replies.size(), items.size());
    for (const FieldCase& c : kStateFields) ExpectField(run.Reply(c.Item), c.Pointer, c.Expected);
    EXPECT_TRUE(run.HasLine("从一号柜收到了正确的控制端地址码数据.") ||
                run.HasLine("从测试站点收到了正确的控制端地址码数据."))
        << run.Err;
}

TEST_P(CliReads, PlansStatusAndSingleLampItems) {
    StartSim(GetParam());
    std::vector<int> items;
    for (const auto& [item, lists] : kPlanItems) items.push_back(item);
    for (const auto& [item, pointer] : kMeasured) items.push_back(item);
    const CliRun run = Cli(ReadCommands(items) + " read 71 0100");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    const json plans = SimState()["plans"];
    for (const auto& [item, lists] : kPlanItems) {
        for (const std::string& list : lists) {
            const std::string payload = plans[list].get<std::string>();
            ExpectField(run.Reply(item), "/" + list + "/payload",
                        Hex(payload.empty() ? "00" : payload));
        }
    }
    for (const auto& [item, pointer] : kMeasured) {
        const json reply = run.Reply(item);
        ASSERT_EQ(reply["accepted"], true) << item << " " << reply.dump();
        EXPECT_TRUE(reply["record"].contains(json::json_pointer(pointer))) << reply.dump();
    }
    EXPECT_EQ(run.Reply(Item::Energy)["record"]["energy"].size(), 3u);
    EXPECT_EQ(run.Reply(Item::LcuStatus)["accepted"], true);
    // The controller's clock is the PC's (no offset in the state): the same hour or the next.
    const auto clock = TextToDateTime(run.Reply(Item::RtuClock)["record"]["rtuClock"]);
    ASSERT_TRUE(clock);
    EXPECT_LT(std::fabs(*clock - Now()), 1.0 / 24);
}

// --- Writes ----------------------------------------------------------------------------------

struct WriteCase {
    int Item;
    std::string Data;
    std::string Pointer;
    json Expected;
};

const std::vector<WriteCase> kWrites = {
    {Item::StdOnCorrection, "05", "/stdOnCorrection", 5},
    {Item::StdOffCorrection, "FE", "/stdOffCorrection", -2},
    {Item::PerformMode, "01", "/performMode", 0},
    {Item::WeekendsType, "03", "/weekendDays", {1, 2}},
    {Item::HolidaysList, "0501 00", "/holidays", {"05-01"}},
    {Item::LcuPhaseTable, "0405", "/lcuPhaseTable", "04 05"},
    {Item::GuardAddressTable, "212223", "/guardAddressTable", "21 22 23"},
    {Item::OkLampAddressTable, "07", "/okLampAddressTable", "07"},
    {Item::LightMeterControl, "81", "/lightControl", 129},
    {Item::CenterPhoneNumber, "3133383030313338303030", "/centerPhoneNumber", "13800138000"},
    {Item::CenterAddress, "09", "/centerAddress", 9},
    {Item::RouteAddressMap, "03010203", "/routeAddressMap", "01 02 03"},
    {Item::RtuCommDevice, "00", "/commFormat", 0},
    {Item::WarningMode, "00", "/warningMode", 0},
    {Item::LoopsInUse, "000F", "/loopsInUse", 15},
    {Item::LoopsIsStreetLamp, "0001", "/lcuLoops", 1},
    {Item::Longitude, "D7F6", "/longitude", -102.5},
    {Item::Latitude, "09C4", "/latitude", 25.0},
    {Item::WattMeterCommand, "0201AABB", "/wattMeterCommand", "02 01 AA BB"},
    {Item::KeepLcuStatusFlag, "00", "/keepLcuStatusFlag", 0},
    {Item::PoleCountInUse, "05", "/poleCountInUse", 5},
    {Item::MaskBitsForAPole, "02", "/maskBitsForAPole", 2},
    {Item::LampsMaskLength, "10", "/lampsMaskLength", 16},
    {Item::GaoDuJiaoOn, "1E", "/onHourAngle", 0.3},
    {Item::GaoDuJiaoOff, "E2", "/offHourAngle", -0.3},
    {Item::WattMetersInUse, "02", "/wattMetersInUse", 2},
    {Item::RtuTimeZone, "FFC9", "/timeZone", -5.5},
    {Item::WarningParameters, "00C8 1400", "/warningParameters/bytes", "00 C8 14 00"},
    {Item::RestartPowerFlag, "00", "/restartPowerFlag/bytes", "00"},
    {Item::CurrentInUse, "000F", "/currentInUse", 15},
    // The switching options: mode, weekend, clock, place, time zone, corrections, holidays.
    {Item::Options, "02 41 2024031012000007 D7F6 09C4 0050 05 FE 0000000000 0501 00", "/longitude",
     -102.5},
    // The controller options: loops, lamp loops, flags, alarms, restart, phone, addresses.
    {Item::AdvancedOptions, "000F 0001 01 03 01 81 00C81400 00 3133383030313338303030 09 020A0B",
     "/routeAddressMap", "0A 0B"},
};

class CliWrites : public CliEndToEnd, public ::testing::WithParamInterface<Road> {};

TEST_P(CliWrites, EveryWriteReadsBackWhatWasWritten) {
    StartSim(GetParam());
    std::string commands;
    for (const WriteCase& c : kWrites) {
        commands += " write " + std::to_string(c.Item) + " " + ReplaceAll(c.Data, " ", "");
        commands += " read " + std::to_string(c.Item);
    }
    const CliRun run = Cli(commands);
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    ASSERT_EQ(run.Replies.size(), 2 * kWrites.size()) << run.Err;
    for (size_t k = 0; k < kWrites.size(); ++k) {
        const WriteCase& c = kWrites[k];
        const json& written = run.Replies[2 * k];
        EXPECT_EQ(written["item"], c.Item);
        EXPECT_EQ(written["write"], true);
        EXPECT_EQ(written["accepted"], true) << written.dump();
        ExpectField(run.Replies[2 * k + 1], c.Pointer, c.Expected);
    }
    EXPECT_TRUE(run.HasLine("写入一号柜的控制端地址码数据成功.") ||
                run.HasLine("写入测试站点的控制端地址码数据成功."))
        << run.Err;
    // The simulator keeps what it was told.
    const json state = SimState();
    EXPECT_EQ(state["centerAddress"], 9);
    EXPECT_EQ(state["routeAddressMap"], "0A 0B");
}

TEST_P(CliWrites, PlansClockAndCompositesReadBack) {
    StartSim(GetParam());
    const std::string ordinary = SimState()["plans"]["ordinary"];
    const std::string weekend = ReplaceAll(ordinary, " ", "");
    const CliRun run = Cli("write 53 " + weekend + " read 53 set-clock read 82 " +
                           "options read 118 params read 119");
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    ExpectField(run.Reply(Item::WeekendTheme), "/weekend/payload", Hex(ordinary));
    const auto clock = TextToDateTime(run.Reply(Item::RtuClock)["record"]["rtuClock"]);
    ASSERT_TRUE(clock);
    EXPECT_LT(std::fabs(*clock - Now()), 1.0 / 24);
    ExpectField(run.Reply(Item::Options), "/holidays", {"01-01", "10-01"});
    ExpectField(run.Reply(Item::AdvancedOptions), "/centerAddress", 7);
}

INSTANTIATE_TEST_SUITE_P(Roads, CliReads, ::testing::Values(Road::Pty, Road::Udp),
                         [](const auto& info) { return RoadName(info.param); });
INSTANTIATE_TEST_SUITE_P(Roads, CliWrites, ::testing::Values(Road::Pty, Road::Udp),
                         [](const auto& info) { return RoadName(info.param); });

// --- Faults ----------------------------------------------------------------------------------

struct FaultCase {
    const char* Name;
    Road OnRoad;
    std::string Faults;
    std::string Commands;
    int ExitCode;
    std::string Line;  // the status line the fault produces
};

class CliFaults : public CliEndToEnd, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(CliFaults, FaultGivesItsStatusLine) {
    const FaultCase& c = GetParam();
    StartSim(c.OnRoad, c.Faults);
    const CliRun run = Cli(c.Commands);
    EXPECT_EQ(run.ExitCode, c.ExitCode) << run.Err;
    EXPECT_NE(run.Err.find(c.Line), std::string::npos) << run.Err;
    const json first = run.Replies.empty() ? json() : run.Replies.front();
    EXPECT_EQ(first["accepted"], c.ExitCode == 0) << first.dump();
    if (c.ExitCode == 0) ExpectField(first, "/centerAddress", 7);
}

const FaultCase kFaults[] = {
    {"Drop", Road::Pty, "--drop 1", "read 161", 1, "未收到回应."},
    {"BadCrc", Road::Pty, "--bad-crc 1", "read 161", 1, "收到错误的回应."},
    {"BadCrcOverGprs", Road::Udp, "--bad-crc 1", "read 161", 1, "收到错误的回应."},
    {"WrongAddress", Road::Pty, "--wrong-address 9", "read 161", 1, "未收到回应."},
    // Over GPRS the reply of another controller is reported by where it came from, and the
    // client gives up after the reply time.
    {"WrongAddressOverGprs", Road::Udp, "--wrong-address 9", "read 161", 1,
     "收到了控制端地址码数据."},
    // The first reply comes after its command timed out, while the second is awaited.
    {"Delay", Road::Pty, "--delay 7500", "read 161 read 160", 1, "从测试站点收到了错误的数据."},
    {"Split", Road::Pty, "--split", "read 161", 0, "从测试站点收到了正确的控制端地址码数据."},
    {"Double", Road::Pty, "--double", "read 161", 0, "从测试站点收到了正确的控制端地址码数据."},
    // The serial reader cuts frames only at a start byte after a whole frame: stray bytes in
    // front make the reply one unit that is no frame, and it is lost (GPRS skips them).
    {"Stray", Road::Pty, "--stray", "read 161", 1, "未收到回应."},
    {"DoubleOverGprs", Road::Udp, "--double", "read 161", 0,
     "从一号柜收到了正确的控制端地址码数据."},
    {"StrayOverGprs", Road::Udp, "--stray", "read 161", 0, "从一号柜收到了正确的控制端地址码数据."},
};

INSTANTIATE_TEST_SUITE_P(Sim, CliFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.Name); });

// --- Exit codes ------------------------------------------------------------------------------

TEST_F(CliEndToEnd, ExitCodesOfUsageNoLinkAndNoRegistration) {
    EXPECT_EQ(RunToEnd({RTU_CLI_PATH, "--data-dir", Dir.Path(), "status"}, kGuardMs).ExitCode, 2);
    const RunResult noPort = RunToEnd({RTU_CLI_PATH, "--data-dir", Dir.Path(), "--serial",
                                       Dir / "no-such-port", "--address", "5", "status"},
                                      kGuardMs);
    EXPECT_EQ(noPort.ExitCode, 3);
    EXPECT_NE(noPort.Err.find("不能打开端口"), std::string::npos) << noPort.Err;
    const RunResult unknown =
        RunToEnd({RTU_CLI_PATH, "--data-dir", Dir.Path(), "--remote", "--port", "0", "--wait", "0",
                  "--station", "无此柜", "status"},
                 kGuardMs);
    EXPECT_EQ(unknown.ExitCode, 2);
    const RunResult silent =
        RunToEnd({RTU_CLI_PATH, "--data-dir", Dir.Path(), "--remote", "--port",
                  std::to_string(FreeUdpPort()), "--wait", "1", "--station", kStation, "status"},
                 kGuardMs);
    EXPECT_EQ(silent.ExitCode, 3);
    EXPECT_NE(silent.Err.find("did not register"), std::string::npos) << silent.Err;
}

}  // namespace

#endif  // RTU_SIM_PATH
