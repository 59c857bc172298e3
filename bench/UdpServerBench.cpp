// Received GPRS data datagrams per second through the server's handler, against a bare
// receive loop on the same kind of socket, with 1,000 registered terminals sending over
// loopback from a second process. Stores of 1,000 and 10,000 stations show that the cost of
// a datagram does not grow with the number of stations.

#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/Paths.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/UdpServer.h"
#include "platform/UdpSocket.h"
#include "protocol/ByteUtils.h"

namespace {

constexpr int kRegistered = 1000;
constexpr int kDrainEvery = 100;
constexpr const char* kLoopback = "127.0.0.1";

std::string IdOf(int n) {
    return std::to_string(13800000000LL + n);
}

// The sockets of the run: the server's and the one the terminals' process sends from.
struct TSockets {
    TSockets() {
        Server.Open(0);
        Terminals.Open(0);
    }
    UdpSocket Server, Terminals;
};

TSockets& Sockets() {
    static TSockets sockets;
    return sockets;
}

// A store of `count` GPRS stations of which the first 1,000 registered from the terminals'
// socket, in a folder of its own.
class TBenchStore {
public:
    explicit TBenchStore(int count) {
        std::string pattern = (std::filesystem::temp_directory_path() / "rtu-udp-XXXXXX").string();
        Folder = ::mkdtemp(pattern.data());
        std::ofstream out(Folder + "/StationsInfo.Ini", std::ios::binary);
        for (int n = 1; n <= count; ++n) {
            out << "[" << n << "]\r\nName=Station" << n << "\r\nCommDevice=2\r\nRtuAddress=" << n
                << "\r\nPhoneNumber=" << IdOf(n) << "\r\nLoopsAreStreetLamp=3\r\n";
            if (n <= kRegistered)
                out << "IpAddress=" << kLoopback << "\r\nIpPort=" << Sockets().Terminals.Port()
                    << "\r\n";
            out << "Answered=0\r\n";
        }
    }
    ~TBenchStore() { std::filesystem::remove_all(Folder); }
    std::string Folder;
};

// Puts the store of `count` stations in force as the program's store.
void UseStore(int count) {
    static std::map<int, std::unique_ptr<TBenchStore>> stores;
    static int inForce = 0;
    if (inForce == count) return;
    auto& store = stores[count];
    if (!store) store = std::make_unique<TBenchStore>(count);
    if (inForce) DoneSystem();
    SetPaths(PathsInFolder(store->Folder, "rtu-utility"));
    InitSystem();
    RemoteMode = true;
    inForce = count;
}

// A data envelope with a read reply of item 161 from the controller of station n.
TBytes DataDatagram(int n) {
    const auto address = static_cast<char>(n % 250 + 1);
    TBytes frame = TBytes("\xFA", 1) + address + '\0' + '\x47' + '\x0D' + '\xA1';
    frame += TBytes("\x20\x24\x05\x06\x07\x08\x09\x01\x01\x07", 10);
    const std::uint16_t crc = Crc16(frame);
    frame += static_cast<char>(crc >> 8);
    frame += static_cast<char>(crc & 0xFF);
    const TBytes wire = ScrambleFrom4th(frame, static_cast<std::uint8_t>(address ^ 0xC5));
    return TBytes("\x7B\x09\x00\x10", 4) + IdOf(n) + "\x7B" + wire;
}

// The terminals' process: sends datagrams of the registered stations in turn until killed.
class TTerminals {
public:
    TTerminals() {
        std::vector<TBytes> datagrams;
        for (int n = 1; n <= kRegistered; ++n) datagrams.push_back(DataDatagram(n));
        const int port = Sockets().Server.Port();
        Pid_ = ::fork();
        if (Pid_ == 0) {
            for (size_t k = 0;; k = (k + 1) % datagrams.size())
                Sockets().Terminals.SendTo(kLoopback, port, datagrams[k]);
        }
    }
    ~TTerminals() {
        ::kill(Pid_, SIGKILL);
        ::waitpid(Pid_, nullptr, 0);
    }

private:
    pid_t Pid_;
};

// The next datagram, waiting for one when none is there.
void Receive(TBytes& bytes, std::string& address, int& port) {
    UdpSocket& server = Sockets().Server;
    while (!server.ReceiveFrom(bytes, address, port)) {
        pollfd fd{server.Fd(), POLLIN, 0};
        ::poll(&fd, 1, 100);
    }
}

void DrainInputs() {
    TCommSlot& slot = CommSlot(1);
    std::lock_guard<std::timed_mutex> guard(slot.InputLock);
    slot.InputLines.clear();
}

void BM_BareReceive(benchmark::State& state) {
    TTerminals terminals;
    TBytes bytes;
    std::string address;
    int port = 0;
    for (auto _ : state) {
        Receive(bytes, address, port);
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BareReceive)->UseRealTime()->MinTime(2.0);

void BM_HandleDatagram(benchmark::State& state) {
    UseStore(static_cast<int>(state.range(0)));
    TBytes bytes;
    std::string address;
    int port = 0;
    // The first look-up builds the store's index: not part of a datagram's cost.
    HandleDatagram(DataDatagram(1), kLoopback, Sockets().Terminals.Port());
    if (CommSlot(1).InputLines.size() != 1) state.SkipWithError("the datagram was not delivered");
    DrainInputs();
    TTerminals terminals;
    int sinceDrain = 0;
    for (auto _ : state) {
        Receive(bytes, address, port);
        HandleDatagram(bytes, address, port);
        if (++sinceDrain == kDrainEvery) {
            DrainInputs();
            sinceDrain = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
    DrainInputs();
}
BENCHMARK(BM_HandleDatagram)->Arg(1000)->Arg(10000)->UseRealTime()->MinTime(2.0);

// The handler alone on datagrams already received: the part of a datagram's cost that is
// ours, without the sockets and the machine's scheduling.
void BM_HandlerOnly(benchmark::State& state) {
    UseStore(static_cast<int>(state.range(0)));
    std::vector<TBytes> datagrams;
    for (int n = 1; n <= kRegistered; ++n) datagrams.push_back(DataDatagram(n));
    const int port = Sockets().Terminals.Port();
    size_t k = 0;
    int sinceDrain = 0;
    for (auto _ : state) {
        HandleDatagram(datagrams[k], kLoopback, port);
        k = (k + 1) % datagrams.size();
        if (++sinceDrain == kDrainEvery) {
            DrainInputs();
            sinceDrain = 0;
        }
    }
    state.SetItemsProcessed(state.iterations());
    DrainInputs();
}
BENCHMARK(BM_HandlerOnly)->Arg(1000)->Arg(10000);

}  // namespace
