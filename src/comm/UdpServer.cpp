#include "comm/UdpServer.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <string_view>

#include "app/Logs.h"
#include "app/Settings.h"
#include "app/SystemInit.h"
#include "app/UserDialogs.h"
#include "comm/CommSlots.h"
#include "comm/CommView.h"
#include "comm/ModeTiming.h"
#include "comm/uthrdSender.h"
#include "platform/MainThread.h"
#include "platform/UdpSocket.h"
#include "protocol/Frame.h"
#include "protocol/Rtu6Class.h"
#include "protocol/WireScrambling.h"
#include "stations/udiTest.h"

namespace {

constexpr std::string_view kTestRequest = "GPRS Test...";
constexpr std::string_view kTestAnswer = "GPRS Ok.";
constexpr std::string_view kRegistrationHeader("\x7B\x01\x00\x16", 4);
constexpr std::string_view kDataHeader("\x7B\x09\x00\x10", 4);
constexpr std::string_view kRegistrationReplyHeader("\x7B\x81\x00\x10", 4);
constexpr std::string_view kDataOutHeader("\x7B\x89\x00\x10", 4);
constexpr char kEnvelopeEnd = '\x7B';
constexpr size_t kRegistrationSize = 22;
constexpr size_t kDataHeaderSize = 16;
constexpr size_t kIdOffset = 4;
constexpr int kIdLength = 11;
constexpr char kFrameStart = '\xFA';
constexpr size_t kShortestFrame = 8;
constexpr size_t kLengthOffset = 4;
constexpr size_t kFrameOverhead = 5;  // the bytes of a frame outside its length byte's count
constexpr std::uint8_t kKeyMask = 0xC5;
constexpr char kRouteSeparator = ':';
// A flood of datagrams must not keep the main thread in one readiness event: the socket
// stays readable, so the rest follows on the next pass.
constexpr int kMaxDatagramsPerEvent = 1024;

// Main thread only.
UdpSocket gSocket;
TMainThreadBridge* gWatchBridge = nullptr;
int gWatch = 0;

void Send(const std::string& address, int port, std::string_view bytes) {
    gSocket.SendTo(address, port, bytes);
}

void DrainSocket() {
    TBytes bytes;
    std::string address;
    int port = 0;
    for (int k = 0; k < kMaxDatagramsPerEvent && gSocket.ReceiveFrom(bytes, address, port); ++k) {
        try {
            HandleDatagram(bytes, address, port);
        } catch (const std::exception& e) {
            ShowError("AppException:", e.what());
        }
    }
}

// The unscrambled frame at the front of what follows a data header: stray bytes before the
// frame start are skipped; empty when no frame can be there.
TBytes FrameAfterHeader(std::string_view rest) {
    const size_t start = rest.find(kFrameStart);
    if (start == std::string_view::npos) return {};
    rest.remove_prefix(start);
    if (rest.size() < kShortestFrame) return {};
    const auto key = static_cast<std::uint8_t>(static_cast<std::uint8_t>(rest[1]) ^ kKeyMask);
    // The length byte is itself scrambled; cutting before unscrambling keeps the work to the
    // frame's own bytes however long the datagram is.
    const size_t length = (static_cast<std::uint8_t>(rest[kLengthOffset]) ^ key) + kFrameOverhead;
    return ScrambleFrom4th(TBytes(rest.substr(0, std::min(length, rest.size()))), key);
}

// A terminal that is heard from a new address or port has moved: its route follows it.
void FollowRoute(TIDataTest& store, int number, const TStoredStation& station,
                 const std::string& address, int port) {
    if (address == station.IpAddress && port == station.IpPort) return;
    if (!store.SetIpRoute(number, address, port)) return;
    CommView().StationRegistered(number);
    CommView().AddMessage("控制点" + station.Name + "注册成功.");
}

void AnswerTestRequest(std::string_view& rest, const std::string& address, int port) {
    if (!rest.starts_with(kTestRequest)) return;
    Send(address, port, kTestAnswer);
    CommView().AddMessage("收到来自" + address + ":" + std::to_string(port) + "的通讯测试信息.");
    rest.remove_prefix(kTestRequest.size());
}

int PortOrZero(const std::string& text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    return error == std::errc() && end == text.data() + text.size() ? port : 0;
}

}  // namespace

bool StartUdpLink() {
    StopUdpServer();
    const int port = Settings().ServerPort;
    try {
        gSocket.Open(port);
    } catch (const std::exception& e) {
        ShowError("StartUdpServer", e.what());
        Dialogs().ShowMessage("不能打开端口" + std::to_string(port) + ".");
        return false;
    }
    gWatchBridge = &MainThread();
    gWatch = gWatchBridge->WatchReadable(gSocket.Fd(), DrainSocket);
    if (!StartSender()) {
        Dialogs().ShowMessage("不能建立读写线程.");
        return false;
    }
    return true;
}

void StopUdpServer() {
    if (gWatchBridge) gWatchBridge->StopWatching(gWatch);
    gWatchBridge = nullptr;
    gWatch = 0;
    gSocket.Close();
}

bool UdpServerActive() {
    return gSocket.IsOpen();
}

int UdpServerPort() {
    return gSocket.Port();
}

void HandleDatagram(const TBytes& bytes, const std::string& senderAddress, int senderPort) {
    if (!IsRemoteMode()) return;
    std::string_view rest(bytes);
    AnswerTestRequest(rest, senderAddress, senderPort);
    TIDataTest* store = LocalStore();
    if (!store) return;
    const std::string from =
        senderAddress + kRouteSeparator + std::to_string(senderPort) + kRouteSeparator;
    while (rest.starts_with(kRegistrationHeader) || rest.starts_with(kDataHeader)) {
        const std::string id = PadLeft(rest.substr(kIdOffset, kIdLength), kIdLength, '0');
        int number = 0;
        TStoredStation station;
        if (!store->FindStationByPhone(id, number, station)) return;
        FollowRoute(*store, number, station, senderAddress, senderPort);

        if (rest.starts_with(kRegistrationHeader)) {
            const TBytes reply = TBytes(kRegistrationReplyHeader) + id + kEnvelopeEnd;
            Send(senderAddress, senderPort, reply);
            Send(senderAddress, senderPort, reply);
            rest.remove_prefix(std::min(kRegistrationSize, rest.size()));
            continue;
        }
        rest.remove_prefix(std::min(kDataHeaderSize, rest.size()));
        const TBytes frame = FrameAfterHeader(rest);
        if (TRtu6::ReplyItem(frame) == Frame::kNotAFrame) return;
        // A busy input list loses the frame; what is left then starts with no header.
        if (!DeliverInput(1, from + id + kRouteSeparator + frame)) return;
        rest.remove_prefix(std::min(frame.size(), rest.size()));
    }
}

std::string SendGprsDatagram(const TBytes& frameText) {
    const std::string address = GetField(frameText, 1, kRouteSeparator);
    const int port = PortOrZero(GetField(frameText, 2, kRouteSeparator));
    if (address.empty() || port <= 0) return "发送GPRS数据失败(对应的RTU尚未注册成功).";
    const std::string id = GetField(frameText, 3, kRouteSeparator);
    const TBytes frame = GetFieldsFrom(frameText, 4, kRouteSeparator);
    const int kind = CurrentRtu() ? CurrentRtu()->ProtocolKind : kProtocolRtu6;
    const TBytes datagram =
        TBytes(kDataOutHeader) + id + kEnvelopeEnd + ScrambleForSend(frame, kind);
    if (!gSocket.SendTo(address, port, datagram)) {
        return "发送GPRS数据失败(" + std::to_string(gSocket.LastError()) + ").";
    }
    return "";
}
