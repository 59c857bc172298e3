#include "status/LcuTables.h"

#include <algorithm>
#include <cctype>

#include "platform/CheckError.h"
#include "protocol/Frame.h"
#include "stations/DataIntf.h"

namespace {

bool InRange(int v, int low, int high) {
    return v >= low && v <= high;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (upper >= 'A' && upper <= 'F') return upper - 'A' + 10;
    return -1;
}

// One number of a lamp list, or the general check error.
int ParseListNumber(const std::string& field, int minValue) {
    int value = -1;
    if (field.size() == 3 && (field[0] == '#' || field[0] == '$')) {
        const int high = HexDigit(field[1]), low = HexDigit(field[2]);
        if (high >= 0 && low >= 0) value = high * 16 + low;
    } else if (IsDigits(field)) {
        value = 0;
        // Stop early so that a long run of digits cannot overflow.
        for (size_t i = 0; i < field.size() && value <= kMaxLamp; ++i)
            value = value * 10 + (field[i] - '0');
    }
    RaiseIfNot(InRange(value, minValue, kMaxLamp));
    return value;
}

// The lamp numbers "1,2,3,4,5,6,7,8,\r\n9,...": eight to a line, and still a list that reads
// back after the line breaks are dropped.
std::string ListText(const std::vector<int>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0) text += (i % 8 == 0) ? ",\r\n" : ",";
        text += std::to_string(values[i]);
    }
    return text;
}

// The table texts the user types into a memo: upper case, line breaks, blanks and dashes
// dropped; any other stray character raises with an empty message.
std::string CleanTableText(const std::string& text) {
    std::string clean;
    for (char c : Trim(text)) {
        const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (upper == '\r' || upper == '\n' || upper == ' ' || upper == '-') continue;
        const bool allowed = upper == '#' || upper == '$' || upper == ',' || HexDigit(upper) >= 0;
        if (!allowed) throw TCheckError("");
        clean.push_back(upper);
    }
    return clean;
}

template <size_t N>
TBytes UpToLastNonZero(const std::array<std::uint8_t, N>& bytes) {
    size_t end = N;
    while (end > 0 && bytes[end - 1] == 0) --end;
    return TBytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(end));
}

// Copies data into a cleared table; false, with the table left cleared, when it does not fit.
template <size_t N>
bool LoadPrefix(std::array<std::uint8_t, N>& bytes, const TBytes& data) {
    bytes.fill(0);
    if (data.size() > N) return false;
    std::copy(data.begin(), data.end(), bytes.begin());
    return true;
}

bool IsSingleZero(const TBytes& data) {
    return data.size() == 1 && data[0] == 0;
}

// Bit of lamp 1..256 in a table of one bit per lamp, highest bit first.
std::uint8_t LampBit(int lamp) {
    return static_cast<std::uint8_t>(0x80u >> ((lamp - 1) % 8));
}

// Shift of lamp 1..256 in a table of two bits per lamp, highest bits first.
int PhaseShift(int lamp) {
    return 6 - 2 * ((lamp - 1) % 4);
}

bool IsListedLamps(const std::vector<int>& lamps) {
    return InRange(static_cast<int>(lamps.size()), 1, LcuCommand::kMaxListed) &&
           std::all_of(lamps.begin(), lamps.end(), [](int n) { return InRange(n, 1, kMaxLamp); });
}

}  // namespace

std::vector<int> ParseLampList(const std::string& text, int minValue) {
    std::vector<int> lamps;
    if (Trim(text).empty()) return lamps;
    size_t begin = 0;
    while (true) {
        const size_t comma = text.find(',', begin);
        lamps.push_back(ParseListNumber(Trim(text.substr(begin, comma - begin)), minValue));
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    return lamps;
}

// ---- phase table -------------------------------------------------------------------------

void TRtu6LCUPhaseTable::Clear() {
    Bytes_.fill(0);
}

int TRtu6LCUPhaseTable::Phase(int lamp) const {
    if (!InRange(lamp, 1, 256)) return 0;
    return (Bytes_[(lamp - 1) / 4] >> PhaseShift(lamp)) & 3;
}

void TRtu6LCUPhaseTable::SetPhase(int lamp, int phase) {
    if (!InRange(lamp, 1, 256) || !InRange(phase, 0, 3)) return;
    std::uint8_t& byte = Bytes_[(lamp - 1) / 4];
    const int shift = PhaseShift(lamp);
    byte = static_cast<std::uint8_t>((byte & ~(3 << shift)) | (phase << shift));
}

TBytes TRtu6LCUPhaseTable::Encode() const {
    return UpToLastNonZero(Bytes_);
}

bool TRtu6LCUPhaseTable::LoadFromBytes(const TBytes& data) {
    return LoadPrefix(Bytes_, data);
}

std::string TRtu6LCUPhaseTable::LampsOfPhase(int phase) const {
    if (!InRange(phase, 1, 3)) return {};
    std::string text;
    for (int lamp = 1; lamp <= kMaxLamp; ++lamp) {
        if (Phase(lamp) != phase) continue;
        if (!text.empty()) text += ',';
        text += std::to_string(lamp);
    }
    return text;
}

void TRtu6LCUPhaseTable::SetLampsOfPhase(int phase, const std::string& text) {
    if (!InRange(phase, 1, 3)) return;
    const std::vector<int> lamps = ParseLampList(text);
    for (int lamp = 1; lamp <= 256; ++lamp)
        if (Phase(lamp) == phase) SetPhase(lamp, 0);
    for (int lamp : lamps) SetPhase(lamp, phase);
}

// ---- lamp states ---------------------------------------------------------------------------

void TRtu6LCUStatus::Clear() {
    States_.fill(kNoData);
}

int TRtu6LCUStatus::LampStatus(int lamp) const {
    if (!InRange(lamp, 1, kMaxLamp)) return kNoData;
    const std::uint8_t state = States_[static_cast<size_t>(lamp - 1)];
    return (state & 0x80) ? kNoData : state;
}

void TRtu6LCUStatus::SetLampStatus(int lamp, int status) {
    if (!InRange(lamp, 1, kMaxLamp)) return;
    const auto state = static_cast<std::uint8_t>(status);
    States_[static_cast<size_t>(lamp - 1)] = (state & 0x80) ? kNoData : state;
}

TBytes TRtu6LCUStatus::Encode() const {
    TBytes data(1, '\0');
    for (int lamp = 1; lamp <= kMaxLamp; ++lamp) {
        if (LampStatus(lamp) == kNoData) continue;
        data.push_back(static_cast<char>(lamp));
        data.push_back(static_cast<char>(LampStatus(lamp)));
    }
    data[0] = static_cast<char>((data.size() - 1) / 2);
    return data;
}

bool TRtu6LCUStatus::LoadFromBytes(const TBytes& data) {
    const bool empty = IsSingleZero(data);
    const bool pairs =
        data.size() >= 3 && data.size() <= 511 && data.size() == 2u * ByteAt(data, 0) + 1u;
    if (!empty && !pairs) return false;
    Clear();
    for (size_t i = 1; i + 1 < data.size(); i += 2)
        SetLampStatus(ByteAt(data, i), ByteAt(data, i + 1));
    return true;
}

std::string TRtu6LCUStatus::SaveStatement(int address) const {
    TBytes data = Encode();
    Frame::AppendCrc(data);
    return "UPDATE t_RtuStatus SET LCUData = " + SqlQuoted(BytesToHexText(data, false)) +
           " WHERE RtuAddress = " + std::to_string(address);
}

bool TRtu6LCUStatus::SaveToDatabase(int address, TIData* store) const {
    return store != nullptr && store->ExecSql(SaveStatement(address));
}

bool TRtu6LCUStatus::SaveToDatabase(int address) const {
    return SaveToDatabase(address, GlobalStore());
}

// ---- guard addresses -----------------------------------------------------------------------

void TRtu6GuardAddressTable::Clear() {
    Bytes_.fill(0);
}

int TRtu6GuardAddressTable::Count() const {
    return static_cast<int>(Encode().size());
}

int TRtu6GuardAddressTable::Address(int k) const {
    return InRange(k, 1, kSize) ? Bytes_[static_cast<size_t>(k - 1)] : 0;
}

TBytes TRtu6GuardAddressTable::Encode() const {
    return UpToLastNonZero(Bytes_);
}

bool TRtu6GuardAddressTable::LoadFromBytes(const TBytes& data) {
    if (IsSingleZero(data)) {
        Clear();
        return true;
    }
    return LoadPrefix(Bytes_, data);
}

std::string TRtu6GuardAddressTable::AsText() const {
    const TBytes data = Encode();
    std::vector<int> values;
    for (size_t i = 0; i < data.size(); ++i) values.push_back(ByteAt(data, i));
    return ListText(values);
}

void TRtu6GuardAddressTable::SetFromText(const std::string& text) {
    Clear();
    const std::vector<int> values = ParseLampList(CleanTableText(text), 0);
    RaiseIf(values.size() > kSize);
    std::copy(values.begin(), values.end(), Bytes_.begin());
}

// ---- guard messages ------------------------------------------------------------------------

void TRtu6GuardMessages::Clear() {
    Bytes_.fill(0);
}

TBytes TRtu6GuardMessages::Encode() const {
    return TBytes(Bytes_.begin(), Bytes_.end());
}

bool TRtu6GuardMessages::LoadFromBytes(const TBytes& data) {
    Clear();
    if (IsSingleZero(data)) return true;
    if (data.size() != kSize) return false;
    std::copy(data.begin(), data.end(), Bytes_.begin());
    return true;
}

std::string TRtu6GuardMessages::AsText() const {
    const TBytes data = Encode();
    return BytesToHexText(data.substr(0, 2)) + " - " + BytesToHexText(data.substr(2));
}

// ---- active lamps --------------------------------------------------------------------------

void TRtu6OkLampAddressTable::Clear() {
    Bytes_.fill(0);
}

bool TRtu6OkLampAddressTable::Contains(int lamp) const {
    return InRange(lamp, 1, 256) && (Bytes_[static_cast<size_t>(lamp - 1) / 8] & LampBit(lamp));
}

void TRtu6OkLampAddressTable::Add(int lamp) {
    if (InRange(lamp, 1, 256)) Bytes_[static_cast<size_t>(lamp - 1) / 8] |= LampBit(lamp);
}

TBytes TRtu6OkLampAddressTable::Encode() const {
    return UpToLastNonZero(Bytes_);
}

bool TRtu6OkLampAddressTable::LoadFromBytes(const TBytes& data) {
    return LoadPrefix(Bytes_, data);
}

std::string TRtu6OkLampAddressTable::AsText() const {
    std::vector<int> lamps;
    for (int lamp = 1; lamp <= 256; ++lamp)
        if (Contains(lamp)) lamps.push_back(lamp);
    return ListText(lamps);
}

void TRtu6OkLampAddressTable::SetFromText(const std::string& text) {
    Clear();
    for (int lamp : ParseLampList(CleanTableText(text))) Add(lamp);
}

// ---- communication faults ------------------------------------------------------------------

void TRtu6TimeOutLampAddressTable::Clear() {
    Faults_.fill(0);
}

int TRtu6TimeOutLampAddressTable::Fault(int lamp) const {
    return InRange(lamp, 1, kLamps) ? Faults_[static_cast<size_t>(lamp - 1)] : 0;
}

bool TRtu6TimeOutLampAddressTable::LoadFromBytes(const TBytes& data) {
    Clear();
    if (data.size() > kLamps / 2) return false;
    for (size_t i = 0; i < data.size(); ++i) {
        Faults_[2 * i] = ByteAt(data, i) >> 4;
        Faults_[2 * i + 1] = ByteAt(data, i) & 0x0F;
    }
    return true;
}

std::string TRtu6TimeOutLampAddressTable::AsText() const {
    TBytes pairs;
    for (int lamp = 1; lamp <= kLamps; ++lamp) {
        if (Fault(lamp) == 0) continue;
        pairs.push_back(static_cast<char>(lamp % 256));
        pairs.push_back(static_cast<char>(Fault(lamp)));
    }
    return BytesToHexText(pairs, true, 8);
}

// ---- item 71 commands ----------------------------------------------------------------------

namespace LcuCommand {

std::uint8_t HeadsByte(const std::array<bool, 4>& headsOn) {
    std::uint8_t command = 0;
    for (size_t head = 0; head < headsOn.size(); ++head)
        if (headsOn[head]) command |= static_cast<std::uint8_t>(1u << head);
    return command;
}

std::uint8_t SavingHeadsByte(const std::array<bool, 2>& headsOn,
                             const std::array<bool, 2>& saving) {
    return HeadsByte({headsOn[0], headsOn[1], saving[0], saving[1]});
}

TPayload SwitchLamps(const std::vector<int>& lamps, std::uint8_t command) {
    if (!IsListedLamps(lamps)) return std::nullopt;
    TBytes data(1, static_cast<char>(lamps.size()));
    for (int lamp : lamps) {
        data.push_back(static_cast<char>(lamp));
        data.push_back(static_cast<char>(command));
    }
    return data;
}

// Lamp 0 stands for every lamp; bits 6 and 4 narrow it to the odd or the even ones.
TBytes SwitchAll(std::uint8_t command) {
    return TBytes{'\x01', '\0', static_cast<char>(command)};
}
TBytes SwitchOdd(std::uint8_t command) {
    return SwitchAll(command | 0x40);
}
TBytes SwitchEven(std::uint8_t command) {
    return SwitchAll(command | 0x50);
}

TPayload ReadLamps(const std::vector<int>& lamps) {
    if (!IsListedLamps(lamps)) return std::nullopt;
    TBytes data(1, static_cast<char>(lamps.size()));
    for (int lamp : lamps) data.push_back(static_cast<char>(lamp));
    return data;
}

TBytes ReadAll() {
    return TBytes{'\x01', '\0'};
}

}  // namespace LcuCommand
