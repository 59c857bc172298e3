#pragma once
// The generation-6 controller session: one-byte controller address (TRtu6) or two-byte BCD
// address (TRtu61). Class-level operations are static: the transports call them on received
// bytes without a session. The object operations depend on the session's address and its
// time-stamp rule, and put the route prefix of the session's station in front of the frames
// they build.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

inline constexpr int kProtocolRtu6 = 5;
inline constexpr int kProtocolRtu61 = 6;

class TRtu6 {
public:
    explicit TRtu6(int address = 0);
    virtual ~TRtu6() = default;

    // The transports choose the scrambling layout by this.
    int ProtocolKind = kProtocolRtu6;
    // 1..254 (TRtu61: BCD 0x0001..0x9999).
    int Address = 0;

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

    // --- Object level ------------------------------------------------------------------
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

protected:
    // Address bytes beyond the first (0 here, 1 for TRtu61).
    virtual int ExtraAddressBytes() const { return 0; }
    // The link kind of the session's station; 0 (data radio) without a station.
    virtual int LinkKind() const { return 0; }
    // The route text put in front of every frame built (empty: bare frames), and the number
    // of ':'-separated fields it has.
    virtual TBytes RoutePrefix() const { return {}; }
    virtual int RouteFieldCount() const { return 0; }

private:
    TBytes TimeStampNow() const;
    TBytes WithRoute(const TBytes& frame) const;
};

class TRtu61 : public TRtu6 {
public:
    explicit TRtu61(int address = 0);

    static int AddressSize() { return 2; }
    static int ReplyItem(const TBytes& frame);
    static int ReplyKind(const TBytes& frame);
    static bool IsReadReply(const TBytes& frame);
    static int ReplySourceAddress(const TBytes& frame);
    static bool ReplyMatchesRequest(const TBytes& request, const TBytes& reply);

    TBytes AddressBytes() const override;
    bool HasTimeStamp() const override { return true; }

protected:
    int ExtraAddressBytes() const override { return 1; }
};
