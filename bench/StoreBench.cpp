// Station look-ups on a store of 10,000 stations: answered from the cached parse while the
// file is unchanged, against the same look-up when every call finds the file changed.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "stations/udiTest.h"

namespace {

constexpr int kStations = 10000;

std::string PhoneOf(int n) {
    return std::to_string(13800000000LL + n);
}

class StoreFixture {
public:
    StoreFixture() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "rtu-bench-XXXXXX").string();
        Folder = ::mkdtemp(pattern.data());
        std::ofstream out(Folder + "/StationsInfo.Ini", std::ios::binary);
        for (int n = 1; n <= kStations; ++n)
            out << "[" << n << "]\r\nName=Station" << n << "\r\nCommDevice=2\r\nRtuAddress=" << n
                << "\r\nPhoneNumber=" << PhoneOf(n) << "\r\nLoopsAreStreetLamp=3\r\n"
                << "IpAddress=10.0." << n / 256 << "." << n % 256
                << "\r\nIpPort=6000\r\nAnswered=0\r\n";
        out.close();
        Store = std::make_unique<TIDataTest>(Folder);
    }
    ~StoreFixture() { std::filesystem::remove_all(Folder); }

    // Moves the file's modification time on, so that the next look-up parses it again.
    void TouchFile() {
        struct timespec times[2] = {{0, UTIME_OMIT}, {++Tick_, 0}};
        ::utimensat(AT_FDCWD, (Folder + "/StationsInfo.Ini").c_str(), times, 0);
    }

    std::string Folder;
    std::unique_ptr<TIDataTest> Store;

private:
    time_t Tick_ = 1000000000;
};

StoreFixture& Fixture() {
    static StoreFixture fixture;
    return fixture;
}

void BM_ListStations(benchmark::State& state) {
    auto& f = Fixture();
    for (auto _ : state) benchmark::DoNotOptimize(f.Store->ListStations());
}
BENCHMARK(BM_ListStations)->Unit(benchmark::kMicrosecond);

void BM_FindStationByPhone(benchmark::State& state) {
    auto& f = Fixture();
    int n = 0, number = 0;
    TStoredStation station;
    for (auto _ : state) {
        n = n % kStations + 1;
        if (!f.Store->FindStationByPhone(PhoneOf(n), number, station))
            state.SkipWithError("not found");
    }
}
BENCHMARK(BM_FindStationByPhone)->Unit(benchmark::kMicrosecond);

void BM_FindStationByPhoneReparsed(benchmark::State& state) {
    auto& f = Fixture();
    int n = 0, number = 0;
    TStoredStation station;
    for (auto _ : state) {
        state.PauseTiming();
        f.TouchFile();
        state.ResumeTiming();
        n = n % kStations + 1;
        if (!f.Store->FindStationByPhone(PhoneOf(n), number, station))
            state.SkipWithError("not found");
    }
}
BENCHMARK(BM_FindStationByPhoneReparsed)->Unit(benchmark::kMicrosecond);

void BM_FindStationByRtuAddress(benchmark::State& state) {
    auto& f = Fixture();
    int n = 0, number = 0;
    TStoredStation station;
    for (auto _ : state) {
        n = n % kStations + 1;
        if (!f.Store->FindStationByRtuAddress(n, number, station)) state.SkipWithError("not found");
    }
}
BENCHMARK(BM_FindStationByRtuAddress)->Unit(benchmark::kMicrosecond);

void BM_AddStation(benchmark::State& state) {
    auto& f = Fixture();
    for (auto _ : state) {
        const int number = f.Store->AddStation("New", 2, 0, "99999999999", kStations + 1);
        state.PauseTiming();
        if (number == 0) state.SkipWithError("refused");
        f.Store->DeleteStation(number);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AddStation)->Unit(benchmark::kMillisecond);

}  // namespace
