// rtu-sim: a simulated generation-6 controller on a serial line or behind a GPRS terminal.

#include <csignal>
#include <iostream>
#include <memory>

#include "platform/SerialDevice.h"
#include "sim/SerialRoad.h"
#include "sim/SimOptions.h"
#include "sim/SimState.h"
#include "sim/UdpRoad.h"

namespace {

constexpr int kUsageError = 2;

std::atomic<bool> StopRequested{false};

void OnSignal(int) {
    StopRequested = true;
}

void InstallSignals() {
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
}

TSimState LoadState(const TSimOptions& options) {
    TSimState state = TSimState::Defaults(Now());
    if (!options.StateFile.empty()) {
        if (auto loaded = TStateFile(options.StateFile).Load(state)) state = *loaded;
    }
    if (options.Address) state.Address = *options.Address;
    return state;
}

int RunSerial(int fd, TSimController& controller) {
    TSerialRoad road(fd, controller);
    road.Run(StopRequested);
    return 0;
}

int Run(const TSimOptions& options) {
    TSimState state = LoadState(options);
    const TStateFile file(options.StateFile);
    TFrameLog log(std::cerr);
    const auto save = [&] {
        if (options.StateFile.empty()) return;
        try {
            file.Save(state);
        } catch (const std::exception& e) {
            log.Note(e.what());
        }
    };
    save();
    TItemHandler handler(state, options.TimeStamp, save);
    TFaultInjector faults(options.Faults, options.TimeStamp);
    TSimController controller(handler, faults, log, TSimController::SystemSteadyMs);
    log.Note("controller at address " + std::to_string(state.Address) +
             (options.TimeStamp ? ", frames with time stamp" : ""));
    switch (options.Road) {
        case TSimOptions::TRoad::Pty: {
            TPtyLine pty;
            std::cout << pty.SlavePath() << std::endl;
            return RunSerial(pty.MasterFd(), controller);
        }
        case TSimOptions::TRoad::Serial: {
            SerialDevice device;
            TSerialLine line;
            line.BaudRate = options.BaudRate;
            if (!device.Open(options.SerialPath, line)) {
                std::cerr << "rtu-sim: cannot open " << options.SerialPath << ": " << device.Error()
                          << "\n";
                return 1;
            }
            return RunSerial(device.Fd(), controller);
        }
        case TSimOptions::TRoad::Udp: {
            TUdpRoad road(options.UdpHost, options.UdpPort, options.DeviceId,
                          options.RegisterEverySec, controller);
            std::cout << "udp " << road.LocalPort() << std::endl;
            road.Run(StopRequested);
            return 0;
        }
        case TSimOptions::TRoad::None:
            break;
    }
    return kUsageError;
}

}  // namespace

int main(int argc, char** argv) {
    std::string error;
    const auto options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "rtu-sim: " << error << "\n\n" << SimUsage();
        return kUsageError;
    }
    if (options->Help) {
        std::cout << SimUsage();
        return 0;
    }
    InstallSignals();
    try {
        return Run(*options);
    } catch (const std::exception& e) {
        std::cerr << "rtu-sim: " << e.what() << "\n";
        return 1;
    }
}
