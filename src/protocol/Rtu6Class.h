#pragma once
// The generation-6 controller session: one-byte controller address (TRtu6) or two-byte BCD
// address (TRtu61). Class-level operations are static: the transports call them on received
// bytes without a session. The object operations depend on the session's address and its
// time-stamp rule, and put the route prefix of the session's station in front of the frames
// they build.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"
#include "protocol/Frame.h"
#include "protocol/ItemPayloads.h"
#include "protocol/RtuBase.h"
#include "schedules/ActionTables.h"
#include "schedules/HolidaysList.h"
#include "schedules/Themes.h"

inline constexpr int kProtocolRtu6 = 5;
inline constexpr int kProtocolRtu61 = 6;

class TRtu6Options;
class TRtu6AdvancedOptions;
class TRtu6WarningParameters;
class TRtu6RestartPowerFlag;
class TRtu6LCUPhaseTable;

class TRtu6 : public TRtu456 {
public:
    TRtu6(int address, TIDataObj* station, const std::string& text);

    // --- Class level -------------------------------------------------------------------
    static int AddressSize() { return 1; }
    static std::string ItemName(int item);
    static std::uint16_t ComputeCrc(const TBytes& frame);
    static void AppendCrc(TBytes& frame);
    static bool CheckCrc(const TBytes& frame);
    static int ReplyItem(const TBytes& frame);
    static int ReplyKind(const TBytes& frame);
    static bool IsReadReply(const TBytes& frame);
    static int ReplySourceAddress(const TBytes& frame);
    static bool ReplyMatchesRequest(const TBytes& request, const TBytes& reply);
    static TDateTime DecodeBcdDateTime(const TBytes& bytes);
    // Twelve-bit readings of the generation-6 measuring inputs.
    static int DecodeRaw12(const TBytes& bytes);
    static double DecodeVoltage(const TBytes& bytes);
    static double DecodeCurrent(const TBytes& bytes);

    // The class-level frame checks of this session's class, for callers that hold a session
    // (the sender thread).
    virtual int ReplyItemOf(const TBytes& frame) const { return ReplyItem(frame); }
    virtual int ReplyKindOf(const TBytes& frame) const { return ReplyKind(frame); }
    virtual int ReplySourceAddressOf(const TBytes& frame) const {
        return ReplySourceAddress(frame);
    }
    virtual bool ReplyMatches(const TBytes& request, const TBytes& reply) const {
        return ReplyMatchesRequest(request, reply);
    }
    bool IsReadReplyOf(const TBytes& frame) const { return ReplyKindOf(frame) == Frame::kReadKind; }

    // --- Frames ------------------------------------------------------------------------
    virtual TBytes AddressBytes() const;
    // Data radio links carry no time stamp; short message and GPRS links do.
    virtual bool HasTimeStamp() const;

    // Fills `list` with the packet frame texts of one write; returns their count.
    int BuildWriteFrames(int item, const TBytes& data, std::vector<TBytes>& list) const;
    // One write frame with n = i = 1, whatever the length of the data.
    TBytes BuildWriteFrame(int item, const TBytes& data) const;
    TBytes BuildReadFrame(int item, const TBytes& data) const;

    bool GetPacketNumbers(const TBytes& frame, int& n, int& i) const;
    bool IsLastPacket(const TBytes& frame) const;
    TDateTime ReplyTime(const TBytes& frame) const;
    TBytes PayloadOf(const TBytes& frame) const;
    TBytes MergePackets(const TBytes& previous, const TBytes& current) const;
    // Gives a frame text a fresh time stamp just before it is sent (the clock write gets
    // the clock itself).
    TBytes RefreshTimeStamp(int item, const TBytes& frameText) const;

    // --- Commands ----------------------------------------------------------------------
    bool IsConcreteSession() const override { return true; }
    // Items whose replies describe the controller's state (clock, plans, loops, alarms).
    virtual bool IsStateItem(int item) const;

    // The write path of every write command; deadline 0: ten minutes after creation.
    void SendSetCommand(int item, const TBytes& data, TDateTime deadline, TDateTime created);
    // The read path; the deadline is at least ten minutes after creation.
    void ReadItem(int item, const TBytes& data, TDateTime deadline, TDateTime created);
    void ReadItemNow(int item, const TBytes& data = {});
    void ReadStatusGroup(bool clock, bool workTable, bool alarms, bool lampStatus, bool loopStatus,
                         TDateTime deadline, TDateTime created);
    void ReadEnergy(TDateTime deadline, TDateTime created) override;
    void ReadWarningSettings();

    void SendCenterPhoneNumber(const std::string& number) override;
    virtual void SendRtuAddress(int address);
    virtual void SetClockNow();
    void SendRtuClock(TDateTime t);
    void SendStdOnCorrection(int minutes);
    void SendStdOffCorrection(int minutes);
    void SendPerformMode(int mode);
    void SendWeekendsType(const std::set<int>& weekdays);
    void SendFixedLampsModes(const TBytes& table);
    void SendCustomLampsModes(const TBytes& table);
    void SendLcuCommand(const TBytes& command);
    void SendGuardAddressTable(const TBytes& addresses);
    void SendOkLampAddressTable(const TBytes& addresses);
    void SendLightMeterControlByte(std::uint8_t value);
    void SendResetFlag(const std::string& text);
    void SendCenterAddress(int address);
    void SendRouteAddressMap(const TBytes& addresses);
    void SendRtuCommDevice(std::uint8_t device);
    void SendWarningMode(int mode);
    void SendLoopsInUse(std::uint16_t mask);
    void SendLoopsIsStreetLamp(std::uint16_t mask);
    void SendLongitude(double degrees);
    void SendLatitude(double degrees);
    void SendWattMeterCommand(const TBytes& commands);
    void SendKeepLcuStatusFlag(int flag);
    void SendPoleCountInUse(int count);
    void SendMaskBitsForAPole(int bits);
    void SendLampsMaskLength(int length);
    void SendGaoDuJiaoOn(double hourAngle);
    void SendGaoDuJiaoOff(double hourAngle);
    void SendWattMetersInUse(int count);
    void SendClearFlag(const std::string& text);
    void SendRtuTimeZone(double hours);
    void SendRestartPowerData(const std::string& text);
    void SendCurrentInUse(std::uint16_t mask);
    void SendICurrentP(std::uint8_t rate);

    // --- Plans and holidays (nothing is sent when the plans do not make action lists) --
    void SendFixedTimer(const TTheme& ordinary, const TTheme& weekend, const TTheme& holiday,
                        const TCustomTheme& temporary);
    void SendTempTimer(const TTempTheme& tempOnOff);
    void SendNormalTheme(const TTheme& theme);
    void SendWeekendTheme(const TTheme& theme);
    void SendHolidayTheme(const TTheme& theme);
    void SendCustomTheme(const TCustomTheme& temporary);
    void SendHolidaysList(const THolidaysList& holidays);
    void SendSomeDaysStdOn(const TSomeDaysStdOn& adjustment);
    // The ordinary plan with the caller's times: created 0 is now, and the deadline is at
    // least ten minutes after creation.
    virtual void SendNormalThemeAt(const TTheme& theme, TDateTime deadline, TDateTime created);
    virtual void SendFixedThemes(const TTheme& ordinary, const TTheme& weekend,
                                 const TTheme& holiday, const TTheme& temporary,
                                 TDateTime startDate, int days);
    // A switch-on goes as the temporary on/off (its switch-off part cleared); anything else
    // clears the four plans and the temporary on/off.
    virtual void SendTemporarySwitch(const TTempTheme& tempOnOff);
    // Whether the plans make action lists; sends nothing.
    virtual bool CanBuildTimeTable(const TTheme& ordinary, const TTheme& weekend,
                                   const TTheme& holiday, const TCustomTheme& temporary,
                                   const TTempTheme& tempOnOff) const;

    // --- Replies -----------------------------------------------------------------------
    bool ParseReply(const TBytes& frame) override;
    void SendOptions(const TRtu6Options& options);
    void SendAdvancedOptions(const TRtu6AdvancedOptions& options);
    void SendWarningParameters(const TRtu6WarningParameters& parameters);
    void SendRestartPowerFlag(const TRtu6RestartPowerFlag& flag);
    void SendLcuPhaseTable(const TRtu6LCUPhaseTable& table);
    // The alarm settings of the current parameters record.
    void SendWarningSettings();

    // The frame that holds the packets of a multi-packet reply collected so far.
    TBytes PendingPackets;

    // The controller address in a reply of item 160, when it is one of this class.
    virtual std::optional<int> DecodeAddressReply(const TBytes& data) const;

protected:
    // Address bytes beyond the first (0 here, 1 for TRtu61).
    virtual int ExtraAddressBytes() const { return 0; }
    // The station's route put in front of every frame built (empty: bare frames), and the
    // number of ':'-separated fields it has.
    virtual TBytes RoutePrefix() const;
    virtual int RouteFieldCount() const;
    // Sends the data when there are any (an argument out of range gives none).
    void SendIfValid(int item, const TPayload& data);

private:
    // Keeps packet i of n in PendingPackets: a first or single packet replaces it, a later one
    // must follow the pending packets of the same item. False when it does not.
    bool CollectPacket(const TBytes& frame, int item, int n, int i);
    // The action lists of the plans for this session's station; false (and logged) when
    // they cannot be made.
    bool BuildPlans(const TTheme& ordinary, const TTheme& weekend, const TTheme& holiday,
                    const TCustomTheme& temporary, const TTempTheme& tempOnOff,
                    TRtu6TimeTable& table) const;
    TBytes TimeStampNow() const;
    TBytes WithRoute(const TBytes& frame) const;
};

class TRtu61 : public TRtu6 {
public:
    TRtu61(int address, TIDataObj* station, const std::string& text);

    static int AddressSize() { return 2; }
    static int ReplyItem(const TBytes& frame);
    static int ReplyKind(const TBytes& frame);
    static bool IsReadReply(const TBytes& frame);
    static int ReplySourceAddress(const TBytes& frame);
    static bool ReplyMatchesRequest(const TBytes& request, const TBytes& reply);

    int ReplyItemOf(const TBytes& frame) const override { return ReplyItem(frame); }
    int ReplyKindOf(const TBytes& frame) const override { return ReplyKind(frame); }
    int ReplySourceAddressOf(const TBytes& frame) const override {
        return ReplySourceAddress(frame);
    }
    bool ReplyMatches(const TBytes& request, const TBytes& reply) const override {
        return ReplyMatchesRequest(request, reply);
    }

    TBytes AddressBytes() const override;
    bool HasTimeStamp() const override { return true; }
    void SendRtuAddress(int address) override;

    std::optional<int> DecodeAddressReply(const TBytes& data) const override;

protected:
    int ExtraAddressBytes() const override { return 1; }
};
