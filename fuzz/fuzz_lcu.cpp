// Arbitrary controller data through the single-lamp table decoders, and arbitrary user text
// through their list parsers. Besides the sanitizers, the invariants below must hold.

#include <cstdint>
#include <cstdlib>

#include "platform/CheckError.h"
#include "status/LcuTables.h"

namespace {

void Require(bool condition) {
    if (!condition) std::abort();
}

TBytes WithoutTrailingZeros(TBytes data) {
    while (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
}

// Tables that keep a prefix of the data: accepted data reads back without its trailing zeros,
// refused data leaves the table cleared.
template <typename Table>
void CheckPrefixTable(const TBytes& data, size_t maxSize) {
    Table table;
    const bool accepted = table.LoadFromBytes(data);
    Require(accepted == (data.size() <= maxSize));
    Require(table.Encode() == (accepted ? WithoutTrailingZeros(data) : TBytes()));
}

void CheckStatus(const TBytes& data) {
    TRtu6LCUStatus status;
    status.SetLampStatus(1, 0x42);
    const TBytes before = status.Encode();
    if (!status.LoadFromBytes(data)) {
        Require(status.Encode() == before);
        return;
    }
    const TBytes encoded = status.Encode();
    Require(encoded.size() == 2u * ByteAt(encoded, 0) + 1u);
    TRtu6LCUStatus copy;
    Require(copy.LoadFromBytes(encoded) && copy.Encode() == encoded);
}

void CheckDecoders(const TBytes& data) {
    CheckPrefixTable<TRtu6LCUPhaseTable>(data, 64);
    CheckPrefixTable<TRtu6GuardAddressTable>(data, 64);
    CheckPrefixTable<TRtu6OkLampAddressTable>(data, 32);
    CheckStatus(data);

    TRtu6GuardMessages messages;
    const bool accepted = messages.LoadFromBytes(data);
    Require(messages.Encode() == (accepted && data.size() == 10 ? data : TBytes(10, '\0')));
    (void)messages.AsText();

    TRtu6TimeOutLampAddressTable faults;
    Require(faults.LoadFromBytes(data) == (data.size() <= 128));
    for (int lamp = 1; lamp <= 256; ++lamp) Require(faults.Fault(lamp) < 16);
    (void)faults.AsText();
}

// Whatever a text parser accepts must survive its own text form.
void CheckTexts(const std::string& text) {
    try {
        for (int lamp : ParseLampList(text)) Require(lamp >= 1 && lamp <= 255);
    } catch (const TCheckError&) {
    }
    try {
        TRtu6LCUPhaseTable phases;
        phases.SetLampsOfPhase(2, text);
        TRtu6LCUPhaseTable copy;
        copy.SetLampsOfPhase(2, phases.LampsOfPhase(2));
        Require(copy.Encode() == phases.Encode());
    } catch (const TCheckError&) {
    }
    try {
        TRtu6GuardAddressTable guard;
        guard.SetFromText(text);
        TRtu6GuardAddressTable copy;
        copy.SetFromText(guard.AsText());
        Require(copy.Encode() == guard.Encode());
    } catch (const TCheckError&) {
    }
    try {
        TRtu6OkLampAddressTable lamps;
        lamps.SetFromText(text);
        TRtu6OkLampAddressTable copy;
        copy.SetFromText(lamps.AsText());
        Require(copy.Encode() == lamps.Encode());
    } catch (const TCheckError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const TBytes input(reinterpret_cast<const char*>(data), size);
    CheckDecoders(input);
    CheckTexts(input);
    return 0;
}
