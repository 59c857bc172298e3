#include "cli/StationSelect.h"

#include "app/SystemInit.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"

std::optional<int> FindStoredStation(const std::string& name) {
    const TIDataTest* store = LocalStore();
    if (store == nullptr) return std::nullopt;
    for (const TStationEntry& entry : store->ListStations())
        if (entry.Name == name) return entry.Number;
    return std::nullopt;
}

bool SelectStoredStation(int number) {
    TStation6Test* station = CurrentStation();
    TStoredStation stored;
    if (station == nullptr || LocalStore() == nullptr || !LocalStore()->ReadStation(number, stored))
        return false;
    station->SetStationId(number);
    station->SetName(stored.Name);
    station->SetLinkKind(stored.LinkKind);
    station->SetRtuAddress(1, stored.RtuAddress);
    station->SetPhoneNumber(stored.PhoneNumber);
    // A GPRS terminal is known by the number it registers with.
    station->SetDeviceId(stored.PhoneNumber);
    station->SetIpAddress(stored.IpAddress);
    station->SetIpPort(stored.IpPort);
    station->SetStreetLampMask(stored.LoopsMask);
    station->LampsMask().Clear();
    return true;
}

void UseCableStation(int address, bool shortMessageFormat) {
    TStation6Test* station = CurrentStation();
    if (station == nullptr) return;
    station->SetLinkKind(shortMessageFormat ? kLinkSms : kLinkRadio);
    station->SetRtuAddress(1, address);
}
