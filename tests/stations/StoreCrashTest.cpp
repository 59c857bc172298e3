// A store killed in the middle of a write leaves the file as it was before or after the
// interrupted operation, never a mix or a truncated file.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <thread>

#include "stations/udiTest.h"
#include "support/TempDir.h"

namespace {

// Operation j of a round: deterministic in (round, j) and the store's current content.
void RunOperation(TIDataTest& store, int round, int j) {
    std::mt19937 pick(static_cast<unsigned>(round * 100003 + j));
    const int address = static_cast<int>(pick() % 40) + 1;
    const std::string name = "站" + std::to_string(address);
    const std::string phone = std::to_string(13800000000LL + address);
    const auto stations = store.ListStations();
    switch (pick() % 3) {
        case 0:
            store.AddStation(name, 1, static_cast<std::uint16_t>(pick()), phone, address);
            break;
        case 1:
            if (!stations.empty()) {
                const auto& s = stations[pick() % stations.size()];
                store.UpdateStation(s.Number, name, static_cast<std::uint16_t>(pick()), phone,
                                    address, static_cast<int>(pick() % 3));
            }
            break;
        default:
            if (!stations.empty()) store.DeleteStation(stations[pick() % stations.size()].Number);
            break;
    }
}

[[noreturn]] void ChildLoop(const std::string& folder, int round, int progress) {
    TIDataTest store(folder);
    for (int j = 0;; ++j) {
        if (::write(progress, &j, sizeof j) != sizeof j) ::_exit(1);
        RunOperation(store, round, j);
    }
}

// Blocks until the child has started operation `target` (or died).
int WaitForOperation(int progress, int target) {
    int last = -1, j;
    while (last < target && ::read(progress, &j, sizeof j) == sizeof j) last = j;
    return last;
}

int LastStarted(int progress, int last) {
    int j;
    while (::read(progress, &j, sizeof j) == sizeof j) last = j;
    return last;
}

void CopyFile(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    fs::remove(to);
    if (fs::exists(from)) fs::copy_file(from, to);
}

}  // namespace

TEST(StoreCrash, KilledWritesLeaveTheStateBeforeOrAfter) {
    TempDir real, model;
    const std::string file = "StationsInfo.Ini";
    std::mt19937 random(20141);
    for (int round = 0; round < 200; ++round) {
        CopyFile(real.File(file), model.File(file));
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            ChildLoop(real.Path(), round, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        // Let a few operations finish, then kill at a random moment of the next ones.
        int last = WaitForOperation(pipeFds[0], static_cast<int>(random() % 8) + 1);
        std::this_thread::sleep_for(std::chrono::microseconds(random() % 3000));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        last = LastStarted(pipeFds[0], last);
        ::close(pipeFds[0]);
        ASSERT_GE(last, 1) << "the child died before it wrote anything";

        // Replay the finished operations on a copy, then the interrupted one.
        TIDataTest replay(model.Path());
        for (int j = 0; j < last; ++j) RunOperation(replay, round, j);
        const std::string before = model.Read(file);
        RunOperation(replay, round, last);
        const std::string after = model.Read(file);
        const std::string found = real.Read(file);
        ASSERT_TRUE(found == before || found == after)
            << "round " << round << ", operation " << last << ":\n"
            << found;
        // Whatever the kill left, the store reads it.
        TIDataTest check(real.Path());
        (void)check.ListStations();
    }
}
