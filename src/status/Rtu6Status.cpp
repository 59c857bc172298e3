#include "status/Rtu6Status.h"

#include <algorithm>

#include "app/Logs.h"
#include "protocol/Rtu6Class.h"
#include "stations/DataIntf.h"
#include "stations/StationBase.h"

namespace {

// Layout of the status image.
constexpr size_t kLightOffset = 5;
constexpr size_t kLcuCountOffset = 7;
constexpr size_t kChannelCountOffset = 8;
constexpr size_t kHeaderSize = 9;  // input, output, door, light, lamp and channel counts
constexpr size_t kLcuBytesOffset = 9;
constexpr size_t kMaxLcuBytes = 4;
constexpr size_t kLoopStatusSize = 78;  // bytes 0..77, the alarm count included
constexpr size_t kAlarmCountOffset = 77;
constexpr size_t kAlarmsOffset = 78;
constexpr size_t kAlarmSize = 5;
constexpr size_t kMeterCountOffset = 398;
constexpr size_t kMetersOffset = 399;
constexpr size_t kMeterSize = 4;

// Analog channels: slots 1-3 are the phase voltages, slot 3 + k is current input k.
constexpr int kPhaseCount = 3;
constexpr int kMinChannels = 3;
constexpr int kMaxChannels = 32;
constexpr size_t SlotOffset(int slot) {
    return 11 + 2 * static_cast<size_t>(slot);
}

// Meter replies inside an energy record (DL/T 645): frame length and where the energy lies.
constexpr std::uint8_t kMeterFrameStart = 0x68;
constexpr std::uint8_t kMeterFrameEnd = 0x16;
struct TMeterLayout {
    size_t FrameSize, EnergyOffset;
};
constexpr TMeterLayout kMeter2007{20, 14};
constexpr TMeterLayout kMeter1997{18, 12};
// Controllers read three-meter cabinets with the 2007 protocol, all others with 1997.
constexpr int kMetersOf2007Layout = 3;

const char* const kAlarmKindNames[] = {"箱变门开", "线缆报警", "回路故障", "夜间灭灯", "电压过低",
                                       "电压过高", "缺相故障", "柜门开启", "方案错误", "通讯故障"};
constexpr int kKindBits = 8;
constexpr size_t kEmptyAlarmWidth = 16;  // "mm-dd hh:nn kind" has no less
constexpr int kCurrentsPerLine = 6;
constexpr int kMetersOnFirstLine = 4;
constexpr double kCurrentRatio = 5;  // the current inputs sit behind 5:1 transformers

const char* const kLineEnd = "\r\n";

std::string StateBits(std::uint16_t word) {
    return BitsText(ReverseBits8(word & 0xFF)) + " " + BitsText(ReverseBits8(word >> 8));
}

std::string KindNames(std::uint8_t kinds) {
    std::string names;
    for (int kind = 1; kind <= kKindBits; ++kind) {
        if (!(kinds & (1u << (kind - 1)))) continue;
        if (!names.empty()) names += ",";
        names += TRtu6Status::AlarmKindName(kind);
    }
    return names;
}

// The four energy bytes of the meter reply in a record; none when the record holds no reply.
std::optional<TBytes> MeterEnergyBytes(const TBytes& record, const TMeterLayout& layout) {
    const size_t start = record.find(static_cast<char>(kMeterFrameStart));
    if (start == TBytes::npos || record.size() - start < layout.FrameSize) return std::nullopt;
    if (ByteAt(record, start + layout.FrameSize - 1) != kMeterFrameEnd) return std::nullopt;
    return record.substr(start + layout.EnergyOffset, kMeterSize);
}

bool AllZero(const TBytes& bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char b) { return b == 0; });
}

// The image slot of analog channel c: current inputs go to the loop and phase the station
// wires them to, as far as the image has room for that loop.
int ChannelSlot(int channel, const TStation& station) {
    if (channel <= kPhaseCount) return channel;
    int loop = 0, phase = 0;
    if (!station.FindPhaseOfAmpIndex(channel - kPhaseCount, loop, phase)) return channel;
    const int slot = kPhaseCount + kPhaseCount * (loop - 1) + phase;
    return slot <= kMaxChannels ? slot : channel;
}

}  // namespace

TRtu6Status::TRtu6Status() {
    Clear();
}

void TRtu6Status::Clear() {
    TRtuStatus::Clear();
    Data.fill(0);
    History.Clear();
}

void TRtu6Status::AssignTo(TRtu6Status& target) const {
    target.Updated = Updated;
    target.Data = Data;
    History.AssignTo(target.History);
    target.IsAlarmReport = IsAlarmReport;
}

std::string TRtu6Status::AlarmKindName(int kind) {
    constexpr int count = static_cast<int>(std::size(kAlarmKindNames));
    return kind >= 1 && kind <= count ? kAlarmKindNames[kind - 1] : "";
}

// --- Image access -------------------------------------------------------------------------

std::uint16_t TRtu6Status::Word(size_t offset) const {
    return static_cast<std::uint16_t>(Data[offset] * 256 + Data[offset + 1]);
}

void TRtu6Status::SetWord(size_t offset, int value) {
    Data[offset] = static_cast<std::uint8_t>(value >> 8);
    Data[offset + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

TBytes TRtu6Status::ImageBytes(size_t offset, size_t count) const {
    return TBytes(reinterpret_cast<const char*>(Data.data()) + offset, count);
}

int TRtu6Status::LightLevel() const {
    return TRtu6::DecodeRaw12(ImageBytes(kLightOffset, 2));
}

TBytes TRtu6Status::LcuStatusBytes() const {
    return ImageBytes(kLcuBytesOffset, kMaxLcuBytes);
}

double TRtu6Status::Voltage(int phase) const {
    return TRtu6::DecodeVoltage(ImageBytes(SlotOffset(phase), 2));
}

double TRtu6Status::Current(int k) const {
    if (k < 1 || k > kMaxCurrents) return 0;
    return kCurrentRatio * TRtu6::DecodeCurrent(ImageBytes(SlotOffset(kPhaseCount + k), 2));
}

int TRtu6Status::AlarmCount() const {
    const int n = Data[kAlarmCountOffset];
    return n >= 1 && n <= kMaxAlarms ? n : 0;
}

std::optional<TRtuAlarm> TRtu6Status::Alarm(int k) const {
    if (k < 1 || k > AlarmCount()) return std::nullopt;
    const size_t offset = kAlarmsOffset + kAlarmSize * static_cast<size_t>(k - 1);
    const std::uint8_t kinds = Data[offset + 4];
    if (kinds == 0) return std::nullopt;
    const auto parts = ReadBcdStamp(ImageBytes(offset, 4));
    if (!parts) return std::nullopt;
    const auto time = StampDateTime(*parts, Today());
    if (!time) {
        ShowError("Error data in GetWarnings.", "");
        return std::nullopt;
    }
    return TRtuAlarm{kinds, *time};
}

int TRtu6Status::MeterCount() const {
    const int n = Data[kMeterCountOffset];
    return n >= 1 && n <= kMaxMeters ? n : 0;
}

double TRtu6Status::Energy(int k) const {
    if (k < 1 || k > MeterCount()) return 0;
    const size_t offset = kMetersOffset + kMeterSize * static_cast<size_t>(k - 1);
    return TRtu456::DecodeEnergy(ImageBytes(offset, kMeterSize));
}

// --- Decoders -----------------------------------------------------------------------------

void TRtu6Status::ClearLoopStatus() {
    std::fill_n(Data.begin(), kLoopStatusSize, 0);
}

void TRtu6Status::ClearAlarms() {
    std::fill_n(Data.begin() + kAlarmCountOffset, 1 + kAlarmSize * kMaxAlarms, 0);
}

void TRtu6Status::ClearEnergy() {
    std::fill_n(Data.begin() + kMeterCountOffset, 1 + kMeterSize * kMaxMeters, 0);
}

bool TRtu6Status::DecodeLoopStatus(const TBytes& data, const TRtu* session) {
    ClearLoopStatus();
    const TStation* station = session ? session->Station : nullptr;
    if (station == nullptr || data.size() < kHeaderSize) return false;
    std::copy_n(data.begin(), kHeaderSize, Data.begin());
    if (!StoreChannels(data, *station)) {
        ClearLoopStatus();
        return false;
    }
    return true;
}

bool TRtu6Status::StoreChannels(const TBytes& data, const TStation& station) {
    const size_t lcuBytes = Data[kLcuCountOffset];
    if (lcuBytes > kMaxLcuBytes || data.size() < kHeaderSize + lcuBytes) return false;
    std::copy_n(data.begin() + kHeaderSize, lcuBytes, Data.begin() + kLcuBytesOffset);

    const int channels = Data[kChannelCountOffset];
    const size_t first = kHeaderSize + lcuBytes;
    if (channels < kMinChannels || channels > kMaxChannels) return false;
    if (data.size() != first + 2 * static_cast<size_t>(channels)) return false;
    for (int c = 1; c <= channels; ++c) {
        const size_t value = first + 2 * static_cast<size_t>(c - 1);
        const size_t slot = SlotOffset(ChannelSlot(c, station));
        Data[slot] = ByteAt(data, value) & 0x7F;  // bit 7 flags the channel, not the value
        Data[slot + 1] = ByteAt(data, value + 1);
    }
    CorrectZeroReadings(channels, station);
    return true;
}

void TRtu6Status::CorrectZeroReadings(int channels, const TStation& station) {
    const auto subtract = [this](int slot, int zero) {
        SetWord(SlotOffset(slot), std::max(0, Word(SlotOffset(slot)) - zero));
    };
    for (int phase = 1; phase <= kPhaseCount; ++phase) subtract(phase, station.ZeroI(phase));
    for (int slot = kPhaseCount + 1; slot <= channels; ++slot) {
        const int loopNumber = (slot - kPhaseCount - 1) / kPhaseCount + 1;
        const int phase = (slot - kPhaseCount - 1) % kPhaseCount + 1;
        const TLoop* loop = station.Loop(loopNumber);
        if (loop && loop->InUse && loop->ZeroI[phase - 1] > 0)
            subtract(slot, loop->ZeroI[phase - 1]);
    }
}

bool TRtu6Status::DecodeAlarms(const TBytes& data) {
    ClearAlarms();
    if (data.empty()) return false;
    size_t count = ByteAt(data, 0);
    IsAlarmReport = count == 0 && (data.size() - 1) % kAlarmSize == 0;
    if (IsAlarmReport) count = (data.size() - 1) / kAlarmSize;
    if (count > kMaxAlarms || data.size() != kAlarmSize * count + 1) return false;
    Data[kAlarmCountOffset] = static_cast<std::uint8_t>(count);
    std::copy(data.begin() + 1, data.end(), Data.begin() + kAlarmsOffset);
    return true;
}

bool TRtu6Status::DecodeEnergyData(const TBytes& data) {
    ClearEnergy();
    if (data.size() < 2) return false;
    const size_t meters = ByteAt(data, 0);
    const size_t recordSize = ByteAt(data, 1);
    if (meters > kMaxMeters || data.size() != meters * recordSize + 2) return false;
    Data[kMeterCountOffset] = static_cast<std::uint8_t>(meters);
    const TMeterLayout& layout = meters == kMetersOf2007Layout ? kMeter2007 : kMeter1997;
    for (size_t k = 0; k < meters; ++k) {
        const TBytes record = data.substr(2 + k * recordSize, recordSize);
        if (AllZero(record)) continue;  // the meter gave no reading
        const auto energy = MeterEnergyBytes(record, layout);
        if (!energy) {
            ClearEnergy();
            return false;
        }
        std::copy(energy->begin(), energy->end(), Data.begin() + kMetersOffset + kMeterSize * k);
    }
    return true;
}

// --- Texts --------------------------------------------------------------------------------

std::string TRtu6Status::StatusText() const {
    std::string text;
    text += "输入状态: " + StateBits(InputState()) + kLineEnd;
    text += "输出状态: " + StateBits(OutputState()) + kLineEnd;
    text += "单灯状态: " + BytesToHexText(LcuStatusBytes()) + kLineEnd;
    text += std::string("门状态: ") + (DoorOpen() ? "开" : "关") + kLineEnd;
    const int light = LightLevel();
    text += "光照度: " + (light == 0xFFFF ? std::string("-") : std::to_string(light)) + kLineEnd;
    text +=
        "电压: " +
        StatusFormat("Av: %6.2f    Bv: %6.2f    Cv: %6.2f", VoltageA(), VoltageB(), VoltageC()) +
        kLineEnd;
    text += std::string("电流: ") + kLineEnd;
    for (int k = 1; k <= kMaxCurrents; ++k) {
        const double current = Current(k);
        text += current > 0 ? StatusFormat("%2d: %6.2f", k, current)
                            : StatusFormat("%2d: ", k) + std::string(6, ' ');
        text += "  ";
        if (k % kCurrentsPerLine == 0 || k == kMaxCurrents) text += kLineEnd;
    }
    return text;
}

std::string TRtu6Status::AlarmEntry(int k) const {
    const auto alarm = Alarm(k);
    if (!alarm) return std::string(kEmptyAlarmWidth, ' ');
    return FormatDateTime("mm-dd hh:nn", alarm->Time) + " " + KindNames(alarm->Kinds);
}

std::string TRtu6Status::AlarmText() const {
    std::string text = std::string("报警信息: ") + kLineEnd;
    for (int k = 1; k <= AlarmCount(); ++k)
        text += StatusFormat("%2d: ", k) + AlarmEntry(k) + kLineEnd;
    return text;
}

std::string TRtu6Status::NewAlarmText() const {
    std::string text;
    for (int k = 1; k <= AlarmCount(); ++k) {
        if (k > 1) text += kLineEnd;
        text += AlarmEntry(k);
    }
    return text;
}

std::string TRtu6Status::EnergyText() const {
    std::string text = std::string("电表数据: ") + kLineEnd;
    for (int k = 1; k <= MeterCount(); ++k) {
        text += StatusFormat("%2d: %-9.2f", k, Energy(k)) + "  ";
        if (k == kMetersOnFirstLine) text += kLineEnd;
    }
    return text;
}

// --- Database -----------------------------------------------------------------------------

bool TRtu6Status::LoadFromDatabase(int /*address*/) {
    // Reading needs a lent query object; the INI store lends none, and the program has no
    // reader of query objects without a database behind it.
    TIData* store = GlobalStore();
    TDataSet* dataSet = nullptr;
    if (store == nullptr || !store->OpenQuery(dataSet)) return false;
    store->CloseQuery(dataSet);
    return false;
}

bool TRtu6Status::SaveToDatabase(int address) {
    TIData* store = GlobalStore();
    if (store == nullptr) return false;
    TBytes image = ImageBytes(0, kImageSize);
    TRtu6::AppendCrc(image);
    const std::string where = " where RtuAddress = " + std::to_string(address);
    return store->ExecSql("delete from t_RtuStatus" + where) &&
           store->ExecSql("insert into t_RtuStatus (RtuAddress, Updated, Data) values (" +
                          std::to_string(address) + ", " + SqlQuoted(DateTimeToText(Updated)) +
                          ", " + SqlQuoted(BytesToHexText(image, false)) + ")");
}
