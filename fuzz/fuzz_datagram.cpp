// Arbitrary datagrams through the GPRS receive handler in remote mode, against a small store
// of terminals. Besides the sanitizers: every input unit the handler delivers has the route
// of the datagram's sender, a known identifier and a frame that passes the frame check, and
// each unit stands for at least a data header and a shortest frame of the datagram.

#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string>

#include "app/Paths.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/UdpServer.h"
#include "protocol/Frame.h"
#include "protocol/Rtu6Class.h"
#include "stations/udiTest.h"

namespace {

constexpr const char* kSender = "127.0.0.1";
constexpr int kSenderPort = 40000;
constexpr size_t kConsumedPerUnit = 16 + 8;
const char* const kIds[] = {"13800000001", "13800000002", "13800000003", "00000012345"};

void Require(bool condition) {
    if (!condition) std::abort();
}

std::string gFolder;

void RemoveFolder() {
    DoneSystem();
    std::error_code ignored;
    std::filesystem::remove_all(gFolder, ignored);
}

// The store and the shared objects, made once for the whole run.
void SetUpOnce() {
    char pattern[] = "/tmp/fuzz_datagram.XXXXXX";
    Require(::mkdtemp(pattern) != nullptr);
    gFolder = pattern;
    SetPaths(PathsInFolder(gFolder, "rtu-utility"));
    InitSystem();
    int address = 1;
    for (const char* id : kIds) {
        Require(LocalStore()->AddStation("站" + std::to_string(address), 2, 1, id, address) > 0);
        ++address;
    }
    RemoteMode = true;
    std::atexit(RemoveFolder);
}

bool KnownId(const std::string& id) {
    for (const char* known : kIds)
        if (id == known) return true;
    return false;
}

// Takes the units the datagram delivered, so that the list never fills up across runs.
size_t CheckAndDrainInputs() {
    TCommSlot& slot = CommSlot(1);
    std::lock_guard<std::timed_mutex> guard(slot.InputLock);
    const std::string route = std::string(kSender) + ":" + std::to_string(kSenderPort) + ":";
    for (const TBytes& unit : slot.InputLines) {
        Require(unit.compare(0, route.size(), route) == 0);
        Require(unit.size() > route.size() + 12 && unit[route.size() + 11] == ':');
        Require(KnownId(unit.substr(route.size(), 11)));
        Require(TRtu6::ReplyItem(unit.substr(route.size() + 12)) != Frame::kNotAFrame);
    }
    const size_t count = slot.InputLines.size();
    slot.InputLines.clear();
    return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    static const bool ready = (SetUpOnce(), true);
    (void)ready;
    HandleDatagram(TBytes(reinterpret_cast<const char*>(data), size), kSender, kSenderPort);
    Require(CheckAndDrainInputs() * kConsumedPerUnit <= size);
    return 0;
}
