#pragma once
// What the PC knows about the single-lamp units (LCUs) behind a generation-6 controller: the
// phase each lamp is wired to, the last reported lamp states, the cable guard addresses and
// messages, the active lamps and the lamps with communication faults; and the item-71 data
// that switches lamps and asks for their states.
//
// Lamps are numbered 1..255 (some tables keep room for 256). Every LoadFromBytes takes
// whatever a controller sent and answers false for data that is not such a table.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/ByteUtils.h"
#include "protocol/ItemPayloads.h"
#include "protocol/RtuBase.h"

class TIData;

inline constexpr int kMaxLamp = 255;

// Reads a lamp list typed by the user: numbers separated by ",", each decimal or, after "#"
// or "$", exactly two hexadecimal digits; blanks around a number are ignored. An empty text is
// an empty list. A number outside minValue..255, an empty field or anything else that is not
// such a number raises TCheckError with the general message.
std::vector<int> ParseLampList(const std::string& text, int minValue = 1);

// Item 72: two bits per lamp 1..256, the phase (1..3) it is wired to, 0 for none.
class TRtu6LCUPhaseTable : public TIDataObj {
public:
    static constexpr int kSize = 64;

    void Clear();
    int Phase(int lamp) const;               // 0 outside 1..256
    void SetPhase(int lamp, int phase);      // ignored outside 1..256 or for phase above 3
    TBytes Encode() const;                   // up to the last non-zero byte
    bool LoadFromBytes(const TBytes& data);  // more than 64 bytes: false, left cleared

    // "1,2,10": the lamps 1..255 of phase 1..3; empty for any other phase.
    std::string LampsOfPhase(int phase) const;
    // Phase 1..3 only: the lamps of the text become that phase and no other lamp keeps it.
    // A text that is not a lamp list raises TCheckError and leaves the table as it was.
    void SetLampsOfPhase(int phase, const std::string& text);

private:
    std::array<std::uint8_t, kSize> Bytes_{};
};

// Item 71 reply: the last reported state byte of each lamp 1..255.
class TRtu6LCUStatus : public TIDataObj {
public:
    static constexpr std::uint8_t kNoData = 0x80;

    TRtu6LCUStatus() { Clear(); }

    void Clear();
    int LampStatus(int lamp) const;            // kNoData outside 1..255 or without data
    void SetLampStatus(int lamp, int status);  // a value with bit 7 set means "no data"
    // Count of lamps with data, then lamp number and state for each, ascending.
    TBytes Encode() const;
    // Accepts 00 (no lamp reported) or a count k with k pairs (lamp, state); anything else
    // gives false and leaves the states as they were.
    bool LoadFromBytes(const TBytes& data);
    // Keeps Encode with its CRC in the status table of the store (a database store does; the
    // INI store does not). False when there is no store or it did not run the statement.
    bool SaveToDatabase(int address, TIData* store) const;
    bool SaveToDatabase(int address) const;  // the program's store

private:
    std::string SaveStatement(int address) const;

    std::array<std::uint8_t, kMaxLamp> States_{};
};

// Item 73: up to 64 cable guard address bytes.
class TRtu6GuardAddressTable : public TIDataObj {
public:
    static constexpr int kSize = 64;

    void Clear();
    int Count() const;         // bytes up to the last non-zero one
    int Address(int k) const;  // byte k (1..64); 0 outside
    TBytes Encode() const;
    bool LoadFromBytes(const TBytes& data);  // 00 is empty; more than 64 bytes: false
    // Decimal values, "," between them, a new line after every 8th.
    std::string AsText() const;
    // The user's text: values 0..255 in list order. Characters other than digits, A-F, "#",
    // "$" and "," raise TCheckError with an empty message, except blanks, line breaks and "-",
    // which are dropped. A bad number or more than 64 of them raise the general check error.
    void SetFromText(const std::string& text);

private:
    std::array<std::uint8_t, kSize> Bytes_{};
};

// Item 117: the 10 bytes of the cable guard alarm state.
class TRtu6GuardMessages : public TIDataObj {
public:
    static constexpr int kSize = 10;

    void Clear();
    TBytes Encode() const;
    bool LoadFromBytes(const TBytes& data);  // 00 is empty; any length but 10: false
    // "01 02 - 03 04 05 06 07 08 09 0A"
    std::string AsText() const;

private:
    std::array<std::uint8_t, kSize> Bytes_{};
};

// Item 80: the set of active lamps 1..256, one bit each.
class TRtu6OkLampAddressTable : public TIDataObj {
public:
    static constexpr int kSize = 32;

    void Clear();
    bool Contains(int lamp) const;
    void Add(int lamp);  // ignored outside 1..256
    TBytes Encode() const;
    bool LoadFromBytes(const TBytes& data);  // more than 32 bytes: false, left cleared
    // Lamp numbers ascending, "," between them, a new line after every 8th.
    std::string AsText() const;
    // Character rules as for the guard addresses; every lamp 1..255 of the list is added.
    void SetFromText(const std::string& text);

private:
    std::array<std::uint8_t, kSize> Bytes_{};
};

// Item 83: a 4-bit fault value for each lamp 1..256, 0 for no fault.
class TRtu6TimeOutLampAddressTable : public TIDataObj {
public:
    static constexpr int kLamps = 256;

    void Clear();
    int Fault(int lamp) const;               // 0 outside 1..256
    bool LoadFromBytes(const TBytes& data);  // more than 128 bytes: false, left cleared
    // (lamp number mod 256, value) of each faulty lamp as spaced hexadecimal, four per line.
    std::string AsText() const;

private:
    std::array<std::uint8_t, kLamps> Faults_{};
};

// Item 71 data. The command byte switches heads 1..4 with bits 0..3; units with saving heads
// use bits 2 and 3 as the saving switches of heads 1 and 2.
namespace LcuCommand {

inline constexpr int kMaxListed = 31;

std::uint8_t HeadsByte(const std::array<bool, 4>& headsOn);
std::uint8_t SavingHeadsByte(const std::array<bool, 2>& headsOn, const std::array<bool, 2>& saving);

// Writes. A list of 1..31 lamps 1..255; any other list gives no data.
TPayload SwitchLamps(const std::vector<int>& lamps, std::uint8_t command);
TBytes SwitchAll(std::uint8_t command);
TBytes SwitchOdd(std::uint8_t command);
TBytes SwitchEven(std::uint8_t command);

// Read requests.
TPayload ReadLamps(const std::vector<int>& lamps);
TBytes ReadAll();

}  // namespace LcuCommand
