#include "app/SystemInit.h"

#include <exception>
#include <memory>

#include "app/Logs.h"
#include "app/Paths.h"
#include "app/Settings.h"
#include "app/SingleInstance.h"
#include "app/UserDialogs.h"
#include "comm/ModeTiming.h"
#include "platform/CheckError.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"

namespace {

TSingleInstanceGuard gGuard;
std::unique_ptr<TStation6Test> gStation;
std::unique_ptr<TIDataTest> gStore;

std::unique_ptr<TIDataTest> OpenStore() {
    try {
        auto store = std::make_unique<TIDataTest>(ProgramFolder());
        if (store->IsReady()) return store;
    } catch (const std::exception& e) {
        ShowError("InitSystem", e.what());
    }
    return nullptr;
}

}  // namespace

bool InitApplication(int argc, const char* const* argv) {
    InitPaths(argc, argv);
    switch (gGuard.Acquire(ExecutableName())) {
        case TInstanceLock::Busy:
            Dialogs().ShowMessage(kAlreadyRunningMessage);
            return false;
        case TInstanceLock::Failed:
            // Without a lock file the guard cannot tell; running is better than refusing.
            ShowError("SingleInstance", gGuard.LockFile());
            return true;
        case TInstanceLock::Acquired:
            return true;
    }
    return true;
}

void DoneApplication() {
    gGuard.Release();
}

void InitSystem() {
    LoadSettings();
    SaveSettings();
    SetGlobalStore(nullptr);
    gStore.reset();
    gStation = std::make_unique<TStation6Test>(TStationInfo());
    UseDirectModeTiming();
    gStore = OpenStore();
    RaiseIf(gStore == nullptr, kStoreUnusableMessage);
    SetGlobalStore(gStore.get());
}

void DoneSystem() {
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ShowError("DoneSystem", e.what());
    }
    SetGlobalStore(nullptr);
    gStore.reset();
    gStation.reset();
}

bool SelectStoredStation(int number) {
    TStoredStation stored;
    if (!gStation || !gStore || !gStore->ReadStation(number, stored)) return false;
    gStation->SetStationId(number);
    gStation->SetName(stored.Name);
    gStation->SetLinkKind(stored.LinkKind);
    gStation->SetRtuAddress(1, stored.RtuAddress);
    gStation->SetPhoneNumber(stored.PhoneNumber);
    // A GPRS terminal is known by the number it registers with.
    gStation->SetDeviceId(stored.PhoneNumber);
    gStation->SetIpAddress(stored.IpAddress);
    gStation->SetIpPort(stored.IpPort);
    gStation->SetStreetLampMask(stored.LoopsMask);
    gStation->LampsMask().Clear();
    return true;
}

TStation6Test* CurrentStation() {
    return gStation.get();
}
TRtu6* CurrentRtu() {
    return gStation ? gStation->Rtu(1) : nullptr;
}
TIDataTest* LocalStore() {
    return gStore.get();
}
