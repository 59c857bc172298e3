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

void UseCableStation(int address, bool shortMessageFormat) {
    TStation6Test* station = CurrentStation();
    if (station == nullptr) return;
    station->SetLinkKind(shortMessageFormat ? kLinkSms : kLinkRadio);
    station->SetRtuAddress(1, address);
}
