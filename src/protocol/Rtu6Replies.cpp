#include "protocol/Catalogue.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"

bool TRtu6::ParseReply(const TBytes& frame) {
    (void)frame;
    return false;  // decoding follows in the next commit
}

std::optional<int> TRtu6::DecodeAddressReply(const TBytes& data) const {
    if (data.size() != 1) return std::nullopt;
    const int address = ByteAt(data, 0);
    if (address < 1 || address > 254) return std::nullopt;
    return address;
}

std::optional<int> TRtu61::DecodeAddressReply(const TBytes& data) const {
    if (data.size() != 2) return std::nullopt;
    const int address = ByteAt(data, 0) << 8 | ByteAt(data, 1);
    if (address < 1 || address > 0x9999 || !IsBcdNumber(static_cast<std::uint64_t>(address)))
        return std::nullopt;
    return address;
}

void TRtu6::SendOptions(const TRtu6Options& options) {
    SendSetCommand(Item::Options, options.Encode(), 0, 0);
}
void TRtu6::SendAdvancedOptions(const TRtu6AdvancedOptions& options) {
    SendSetCommand(Item::AdvancedOptions, options.Encode(), 0, 0);
}
void TRtu6::SendWarningParameters(const TRtu6WarningParameters& parameters) {
    SendSetCommand(Item::WarningParameters, parameters.Encode(), 0, 0);
}
void TRtu6::SendRestartPowerFlag(const TRtu6RestartPowerFlag& flag) {
    SendSetCommand(Item::RestartPowerFlag, flag.Encode(), 0, 0);
}
void TRtu6::SendWarningSettings() {
    SendWarningParameters(CurrentParameters().WarningParameters);
}
