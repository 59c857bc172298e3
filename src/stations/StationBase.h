#pragma once
// A station is one control cabinet: its name, the road by which the PC reaches it, up to two
// controllers with their addresses, sixteen output loops and thirty lamp-mode masks. The
// program keeps one current station and copies a stored station's values into it when the
// user selects one; the station owns the controller sessions that talk to its controllers.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/RtuBase.h"

class TRtu6;
class TStation;
class TRtu6TimeTable;
class TRtu6TimeStatusTable;
struct TOnceOnOffInfo;
struct TTempTheme;

inline constexpr int kLinkRadio = 0;  // "数传电台"
inline constexpr int kLinkSms = 1;    // "短信息"
inline constexpr int kLinkGprs = 2;   // "GPRS网络"
inline constexpr int kMaxLoops = 16;
inline constexpr int kLampModeCount = 30;
inline constexpr int kStandardLampModes = 15;

// Fields that stations carry from record to station and back without giving them a meaning.
struct TStationCarried {
    std::array<std::string, 3> Texts;
    std::array<std::uint8_t, 2> Bytes{4, 0};
    std::array<double, 2> Values{0, 0};
    std::array<std::int32_t, 8> Numbers{};
    std::array<std::uint8_t, 32> Block{};
};

// The record a station is built from.
struct TStationInfo {
    std::uint8_t RtuKind = 5;
    std::int32_t StationId = 1;
    std::string Name = "测试站点";
    std::array<std::int32_t, 2> RtuAddress{1, 0};
    std::uint8_t LinkKind = kLinkRadio;
    std::string DeviceId;
    std::string PhoneNumber;
    std::array<std::int32_t, 3> ZeroI{};
    TStationCarried Carried;
};

// What a loop holds; per phase A, B, C where there are three.
struct TLoopValues {
    std::string Memo;
    bool InUse = true;
    std::int32_t KindId = 0;
    bool IsStreetLamp = false;
    std::array<std::int32_t, 3> IRate{};
    std::array<double, 3> RateCurrent{};
    std::array<std::int32_t, 3> WattMeter{};
    std::array<bool, 3> Used{true, true, true};
    std::array<std::int32_t, 3> AmpIndexOfPhase{};
    std::array<std::int32_t, 3> ZeroI{};
    std::array<std::string, 3> LCUAddress;
};

// The record a loop is built from and copied to.
struct TLoopInfo : TLoopValues {
    std::uint8_t Leading = 1;
};

// One output loop. Phases are numbered 1..3 (A, B, C).
class TLoop : public TLoopValues {
public:
    TLoop() = default;
    explicit TLoop(const TLoopInfo& info) : TLoopValues(info) {}
    TLoopInfo Info() const;

    // The letters of the used phases in order, e.g. "AC".
    std::string Phases() const;
    bool PhaseUsed(int phase) const;
    // The non-zero meter digits in phase order as one number (A=1, C=3 gives 13); 0 for none.
    int WattMeterNumbers() const;
    // Exactly one digit per used phase; any other text is ignored.
    void SetWattMeterNumbers(const std::string& digits);
    // The controller's current input that measures the phase (1..27), else -1.
    int AmpIndex(int phase) const;
};

// The sixteen loops of a station, indexed 1..16; a slot may be empty.
class TLoops : public TIDataObj {
public:
    explicit TLoops(TStation* owner) : Owner_(owner) {}
    TLoop* Get(int i) const;
    void Set(int i, std::unique_ptr<TLoop> loop);
    TStation* Owner() const { return Owner_; }

private:
    TStation* Owner_;
    std::array<std::unique_ptr<TLoop>, kMaxLoops> Loops_;
};

// Thirty lamp-mode masks (1..15 standard, 16..30 custom), each MaskWidth bytes; a mask of
// zero bytes only counts as not defined and is kept empty.
class TLampsMask : public TIDataObj {
public:
    explicit TLampsMask(TStation* owner) : Owner_(owner) {}

    TBytes Mask(int mode) const;
    void SetMask(int mode, const TBytes& bytes);
    // 15 records of mode number and 4 mask bytes (75 bytes).
    TBytes StandardMasksData() const;
    // 15 records of k (1..15) and the MaskWidth bytes of mode k + 15.
    TBytes CustomMasksData() const;
    bool LoadStandardMasks(const TBytes& bytes);
    bool LoadCustomMasks(const TBytes& bytes);
    void Clear();

private:
    int Width() const;
    // 15 records of k (1..15) and `maskBytes` bytes of the mask of mode first + k - 1.
    TBytes Records(int first, int maskBytes) const;
    bool LoadRecords(const TBytes& bytes, int first, int maskBytes);
    TStation* Owner_;
    std::array<TBytes, kLampModeCount> Masks_;
};

class TStation : public TIDataObj {
public:
    explicit TStation(const TStationInfo& info);
    ~TStation() override;

    // --- Fields ------------------------------------------------------------------------
    std::uint8_t RtuKind() const { return RtuKind_; }
    std::int32_t StationId() const { return StationId_; }
    const std::string& Name() const { return Name_; }
    // i = 1 or 2; 0 for any other i.
    std::int32_t RtuAddress(int i) const;
    std::uint8_t LinkKind() const { return LinkKind_; }
    const std::string& DeviceId() const { return DeviceId_; }
    const std::string& PhoneNumber() const { return PhoneNumber_; }
    std::int32_t ZeroI(int i) const;
    std::uint8_t FrameFormat() const { return FrameFormat_; }
    std::uint8_t MaskWidth() const { return MaskWidth_; }
    std::uint8_t LoopCount() const { return LoopCount_; }
    std::int32_t IpPort() const { return IpPort_; }
    const std::string& IpAddress() const { return IpAddress_; }
    const TStationCarried& Carried() const { return Carried_; }
    TLoops& Loops() { return Loops_; }
    TLampsMask& LampsMask() { return LampsMask_; }
    const TLampsMask& LampsMask() const { return LampsMask_; }
    // Whether the controller's temporary on/off list held actions when it was last read (set by
    // the reply parser on the sender thread).
    bool HasTemporaryOnOff() const { return TemporaryOnOff_.load(); }
    void SetTemporaryOnOff(bool on) { TemporaryOnOff_ = on; }

    // --- Setters -----------------------------------------------------------------------
    void SetStationId(std::int32_t id);
    void SetName(const std::string& name);
    void SetLinkKind(int kind);
    void SetRtuAddress(int i, std::int32_t address);
    void SetPhoneNumber(const std::string& number);  // digits only, or empty
    void SetDeviceId(const std::string& id);
    void SetIpAddress(const std::string& address);
    void SetIpPort(std::int32_t port);
    void SetZeroI(int i, std::int32_t value);
    void SetStreetLampMask(std::uint16_t mask);
    std::uint16_t StreetLampMask() const;
    // Applied only to the station of the same number.
    void Assign(const TStationInfo& info);
    TStationInfo Info() const;

    // --- Queries -----------------------------------------------------------------------
    TLoop* Loop(int i) const;
    bool HasLoop(int i) const { return Loop(i) != nullptr; }
    TRtu6* Rtu(int i) const;
    int RtuCount() const;
    bool FindPhaseOfAmpIndex(int ampIndex, int& loop, int& phase) const;
    bool IsLampModeDefined(int mode) const;

    // --- Virtual operations ------------------------------------------------------------
    // The stored mask, or for an undefined standard mode its default mask on that date.
    virtual TBytes LampsMaskOf(int mode, TDateTime date) const;
    virtual bool IsRtuKind6() const;
    virtual bool LoopHasWattMeter(int loop) const;
    virtual bool HasRtu() const;
    virtual bool IsGeneration6() const { return false; }
    virtual bool IsWattMeterNumber(int n) const { return n >= 4 && n <= 8; }
    virtual int RtuLoop(int loop) const { return loop; }

    // The on/off summary of one loop in a time table: the temporary switch ("mm-dd on ---
    // off", when it is for tonight or later), the off times joined by "*", the on time.
    // Empty texts for any other station than a generation-6 one, and on any error.
    struct TLoopTimes {
        std::string Temporary, Off, On;
    };
    virtual TLoopTimes DescribeLoopTimes(int loop, const TRtu6TimeTable& table) const;
    virtual TLoopTimes DescribeLoopStatus(int loop, const TRtu6TimeStatusTable& table) const;
    // Switches the marked loops on now (two minutes ago) in lamp mode 1, or the flagged
    // loops off now, through every controller; each then reads its status again.
    virtual void TempSwitchOn(const std::array<TOnceOnOffInfo, kMaxLoops>& entries);
    virtual void TempSwitchOff(const std::array<bool, kMaxLoops>& loops);
    // Sends the temporary on/off to every controller and queues their status reads.
    void ApplyTemporarySchedule(const TTempTheme& record);

    // The default mask of standard mode 1..15 on a date (0: unrotated), `width` bytes; 0xFF
    // bytes for any other mode.
    static TBytes DefaultLampsMask(int mode, TDateTime date, int width);

protected:
    // Creates controller session i (1 or 2) for the current address and phone number.
    void CreateRtu(int i);
    void SetLoopCount(int count) { LoopCount_ = static_cast<std::uint8_t>(count); }
    void SetMaskWidth(int width) { MaskWidth_ = static_cast<std::uint8_t>(width); }

private:
    // Bookkeeping of the cabinet's last readings; kept for the station's own use, nothing reads
    // it yet.
    struct TStatusFields {
        std::array<std::int32_t, 2> Counters{1, 1};
        std::array<TDateTime, 2> Created{};
        std::array<TDateTime, 8> Times{};
        std::int32_t Value = 0;
        std::string Text;
        std::uint8_t Flag = 0;
    };

    // Copies the record's fields through the setters (out-of-range values are left out).
    void CopyFrom(const TStationInfo& info);

    std::atomic<bool> TemporaryOnOff_{false};
    std::uint8_t RtuKind_;
    std::int32_t StationId_;
    std::string Name_;
    std::array<std::int32_t, 2> RtuAddress_{};
    std::uint8_t LinkKind_ = kLinkRadio;
    std::string DeviceId_;
    std::string PhoneNumber_;
    std::array<std::int32_t, 3> ZeroI_{};
    TStationCarried Carried_;
    std::uint8_t FrameFormat_ = 1;
    std::uint8_t MaskWidth_ = 4;
    std::uint8_t LoopCount_ = 8;
    std::int32_t IpPort_ = 0;
    std::string IpAddress_;
    TStatusFields Status_;
    std::array<std::unique_ptr<TRtu6>, 2> Rtu_;
    TLoops Loops_;
    TLampsMask LampsMask_;
};
