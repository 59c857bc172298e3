#pragma once
// The persistent base of the protocol and data objects, and the session base classes that
// every controller generation shares.

#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "protocol/ByteUtils.h"

class TStation;

// Base of all persistent protocol and data objects.
class TIDataObj {
public:
    virtual ~TIDataObj() = default;
};

// Session base for every controller generation: one controller of one station. It knows the
// controller's address and, through its station, how the controller is reached.
class TRtu : public TIDataObj {
public:
    // `station` must be a station (or none); anything else raises "Invalid Data: aStation.".
    TRtu(int address, TIDataObj* station, const std::string& text);

    int ProtocolKind = 0;
    int Address = 0;
    std::string PhoneText;        // the station's phone number at creation
    TStation* Station = nullptr;  // not owned

    void SetAddress(int address) { Address = address; }

    // Read from the station on every use; 0 or empty without a station.
    int LinkKind() const;
    std::string StationPhoneNumber() const;
    std::string DeviceId() const;
    std::string IpAddress() const;
    int IpPort() const;
    // Short message and GPRS links do not wait for replies; a session without station does
    // not either.
    bool WaitsForReply() const;
    // The station name, with " RTU 1 " / " RTU 2 " when the station has two controllers;
    // empty when this session is neither of them.
    std::string RtuDisplayName() const;

    virtual int MapIndex(int n) const { return n; }
    virtual bool IsConcreteSession() const { return false; }
    virtual void SendCenterPhoneNumber(const std::string& /*number*/) {}
    virtual void ReadEnergy(TDateTime /*deadline*/, TDateTime /*created*/) {}
    // Takes one received, unscrambled frame of this session: true when it was accepted (a
    // write acknowledgement, a packet of a reply, or a reply decoded into the current-data
    // records). Never raises for bad data.
    virtual bool ParseReply(const TBytes& /*frame*/) { return false; }

    // Value decoders of this generation family.
    static int DecodeRaw12(const TBytes& bytes);
    static double DecodeEnergy(const TBytes& bytes);
    static double DecodeVoltage(const TBytes& bytes);
    static double DecodeCurrent(const TBytes& bytes);
    static std::string ItemName(int item);
    static int ReplyKind(const TBytes& frame) {
        (void)frame;
        return 0;
    }
    static int ReplySourceAddress(const TBytes& frame) {
        (void)frame;
        return 0;
    }
};

// Session base for generations 4 to 6: energy comes as DL/T 645 meter bytes.
class TRtu456 : public TRtu {
public:
    using TRtu::TRtu;
    // Four bytes, least significant first, each offset by 0x33, BCD: kWh with two decimals.
    static double DecodeEnergy(const TBytes& bytes);
};
