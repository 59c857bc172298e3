#include "protocol/RtuBase.h"

#include <algorithm>

#include "platform/CheckError.h"
#include "protocol/Catalogue.h"
#include "stations/StationBase.h"

TRtu::TRtu(int address, TIDataObj* station, const std::string& text)
    : Address(address), PhoneText(text) {
    if (station != nullptr) {
        Station = dynamic_cast<TStation*>(station);
        if (Station == nullptr) RaiseError("Invalid Data: aStation.");
    }
}

int TRtu::LinkKind() const {
    return Station ? Station->LinkKind() : 0;
}
std::string TRtu::StationPhoneNumber() const {
    return Station ? Station->PhoneNumber() : "";
}
std::string TRtu::DeviceId() const {
    return Station ? Station->DeviceId() : "";
}
std::string TRtu::IpAddress() const {
    return Station ? Station->IpAddress() : "";
}
int TRtu::IpPort() const {
    return Station ? Station->IpPort() : 0;
}

bool TRtu::WaitsForReply() const {
    if (Station == nullptr) return false;
    return LinkKind() != kLinkSms && LinkKind() != kLinkGprs;
}

std::string TRtu::RtuDisplayName() const {
    if (Station == nullptr) return "";
    const bool two = Station->RtuCount() == 2;
    if (Station->RtuAddress(1) == Address) return Station->Name() + (two ? " RTU 1 " : "");
    if (two && Station->RtuAddress(2) == Address) return Station->Name() + " RTU 2 ";
    return "";
}

int TRtu::DecodeRaw12(const TBytes& bytes) {
    if (bytes.size() != 2) return 0xFFFF;
    return ByteAt(bytes, 0) * 256 + ByteAt(bytes, 1);
}

double TRtu::DecodeEnergy(const TBytes& bytes) {
    if (bytes.size() != 3 || !IsBcdText(bytes)) return 0;
    return FromBcd(ByteAt(bytes, 0)) * 1000.0 + FromBcd(ByteAt(bytes, 1)) * 10.0 +
           FromBcd(ByteAt(bytes, 2)) * 0.1;
}

double TRtu::DecodeVoltage(const TBytes& bytes) {
    if (bytes.size() != 2) return 0;
    const double v = (ByteAt(bytes, 0) * 256 + ByteAt(bytes, 1)) / 4095.0 * 292;
    return std::clamp(v, 0.0, 292.0);
}

double TRtu::DecodeCurrent(const TBytes& bytes) {
    if (bytes.size() != 2) return 0;
    int v = std::min(ByteAt(bytes, 0) * 256 + ByteAt(bytes, 1), 4094);
    if (v <= 40) v = 0;
    return v / 4095.0;
}

std::string TRtu::ItemName(int /*item*/) {
    return kUnknownItemName;
}

double TRtu456::DecodeEnergy(const TBytes& bytes) {
    if (bytes.size() != 4) return 0;
    TBytes digits;
    for (unsigned char b : bytes) digits.push_back(static_cast<char>((b - 0x33) & 0xFF));
    if (!IsBcdText(digits)) return 0;
    const auto d = [&](size_t k) { return FromBcd(ByteAt(digits, k)); };
    return d(3) * 10000.0 + d(2) * 100.0 + d(1) + d(0) / 100.0;
}
