#include "comm/uthrdSender.h"

#include <charconv>
#include <chrono>
#include <exception>

#include "app/Logs.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/CommView.h"
#include "comm/ModeTiming.h"
#include "comm/UdpServer.h"
#include "comm/WindowMessages.h"
#include "platform/CheckError.h"
#include "platform/MainThread.h"
#include "protocol/Catalogue.h"
#include "protocol/Rtu6Class.h"
#include "protocol/WireScrambling.h"
#include "schedules/NightAxis.h"
#include "schedules/SunTimes.h"
#include "stations/DataIntf.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"

namespace {

constexpr auto kPause = std::chrono::milliseconds(10);
constexpr std::int64_t kSendInterval = 1000;       // ms between two send attempts
constexpr std::int64_t kWriteTimeout = 3000;       // ms for a command to be written
constexpr std::int64_t kSlowReplyTimeout = 30000;  // the lamp units answer item 71 slowly
constexpr char kRouteSeparator = ':';

std::unique_ptr<TthrdSender> gSender;

void Pause() {
    std::this_thread::sleep_for(kPause);
}

// A decimal number, 0 when the text is not one.
int IntOrZero(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end ? value : 0;
}

// The time since `from` has run out: more than `limitMs` passed, or the clock reads earlier
// than `from` (it was set back, and the wait would otherwise last as long as the step back).
bool Expired(TDateTime now, TDateTime from, std::int64_t limitMs) {
    return now < from || MilliSecondsFrom(now, from) > limitMs;
}

TRtu6& Session() {
    TRtu6* rtu = CurrentRtu();
    if (rtu == nullptr) RaiseError();
    return *rtu;
}

TStation6Test& Station() {
    TStation6Test* station = CurrentStation();
    if (station == nullptr) RaiseError();
    return *station;
}

TIDataTest& Store() {
    TIDataTest* store = LocalStore();
    if (store == nullptr) RaiseError(kNoStoreMessage);
    return *store;
}

std::string TaskKey(const TBytes& frameText) {
    return BytesToHexText(frameText, false);
}

void ClearAwaitingReplies() {
    for (int slot = 1; slot <= kSlotCount; ++slot) CommSlot(slot).AwaitingReply = false;
}

// A received unit split into its parts: in remote mode address, port and frame of the UDP
// form, in direct mode a bare frame.
struct TReceived {
    std::string Address;
    int Port = 0;
    TBytes Frame;
};

TReceived SplitUnit(const TBytes& unit, bool remote) {
    if (!remote) return {"", 0, unit};
    return {GetField(unit, 1, kRouteSeparator), IntOrZero(GetField(unit, 2, kRouteSeparator)),
            GetFieldsFrom(unit, 4, kRouteSeparator)};
}

}  // namespace

TthrdSender::TthrdSender(const TSettings& settings) : Settings_(settings) {
    const TDateTime now = Now();
    LastLoopTime_ = now;
    LastSendAttempt_ = IncDay(now, -1);
}

TthrdSender::~TthrdSender() {
    Terminate();
    Join();
}

void TthrdSender::AddTask(int item, const std::string& caption, bool waitReply, bool isWrite,
                          const TBytes& frameText) {
    std::string key = TaskKey(frameText);
    std::lock_guard guard(QueueLock_);
    if (!QueuedKeys_.insert(key).second) return;
    Queue_.push_back(TTestTask{item, caption, frameText, isWrite, waitReply});
    while (Queue_.size() > kMaxTasks) {
        QueuedKeys_.erase(TaskKey(Queue_.front().FrameText));
        Queue_.pop_front();
    }
}

void TthrdSender::UpdateSettings(const TSettings& settings) {
    std::lock_guard guard(SettingsLock_);
    Settings_ = settings;
}

void TthrdSender::Start() {
    Terminated_ = false;
    Running_ = true;
    try {
        Thread_ = std::thread(&TthrdSender::Execute, this);
    } catch (...) {
        Running_ = false;
        throw;
    }
}

void TthrdSender::Join() {
    // The loop may be waiting for the main thread (a status line, a GPRS send): keep serving
    // it until the loop has ended.
    while (Running()) {
        ProcessMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (Thread_.joinable()) Thread_.join();
}

size_t TthrdSender::TaskCount() const {
    std::lock_guard guard(QueueLock_);
    return Queue_.size();
}

bool TthrdSender::TakeInput(int& slotNumber, TBytes& unit) {
    for (int number = 1; number <= kSlotCount; ++number) {
        TCommSlot& slot = CommSlot(number);
        const std::unique_lock lock = LockSlotList(slot.InputLock);
        if (!lock.owns_lock() || slot.InputLines.empty()) continue;
        std::deque<TBytes>& lines = slot.InputLines;
        while (lines.size() >= 2 && lines[0] == lines[1]) lines.pop_front();
        unit = std::move(lines.front());
        lines.pop_front();
        slotNumber = number;
        return true;
    }
    return false;
}

void TthrdSender::HandleInput(int slotNumber, const TBytes& unit) {
    TCommSlot& slot = CommSlot(slotNumber);
    TRtu6& rtu = Session();
    TStation6Test& station = Station();
    const bool remote = IsRemoteMode();
    if (remote && station.LinkKind() == kLinkSms) {
        slot.AwaitingReply = false;
        return;
    }
    const TReceived received = SplitUnit(unit, remote);
    const TBytes lastCommand =
        remote ? GetFieldsFrom(slot.LastCommand, 4, kRouteSeparator) : slot.LastCommand;
    const int source = rtu.ReplySourceAddressOf(received.Frame);
    const int item = rtu.ReplyItemOf(received.Frame);
    const bool belongs = remote ? station.IpAddress() == received.Address && rtu.Address == source
                                : rtu.Address == source || item == Item::RtuAddress;
    if (belongs) {
        HandleOwnReply(slot, lastCommand, received.Frame, item);
    } else if (remote) {
        HandleOtherReply(received.Address, received.Port, received.Frame, source, item);
    }
    ReportStatus();
}

void TthrdSender::HandleOwnReply(TCommSlot& slot, const TBytes& lastCommand, const TBytes& frame,
                                 int item) {
    TRtu6& rtu = Session();
    const std::string name = rtu.RtuDisplayName();
    if (slot.AwaitingReply && !rtu.ReplyMatches(lastCommand, frame)) {
        SetStatusText("从" + name + "收到了" + "错误的数据.");
        return;
    }
    slot.AwaitingReply = false;
    bool parsed = false;
    try {
        parsed = rtu.ParseReply(frame);
    } catch (...) {
        return;  // a decoder that raises is a fault of its own; the reply is lost
    }
    if (!parsed) {
        SetStatusText("收到错误的回应.");
        return;
    }
    if (!rtu.IsReadReplyOf(frame)) {
        SetStatusText("写入" + name + "的" + TRtu6::ItemName(item) + "数据成功.");
    } else if (rtu.IsLastPacket(frame)) {
        PostMessage(WM_DATA_ITEM, item, 0);
        SetStatusText("从" + name + "收到了正确的" + TRtu6::ItemName(item) + "数据.");
    } else {
        SetStatusText("从" + name + "收到了部分数据.");
    }
    if (IsRemoteMode()) MarkStation(Station().StationId(), true);
}

void TthrdSender::HandleOtherReply(const std::string& address, int port, const TBytes& frame,
                                   int source, int item) {
    int number = 0;
    TStoredStation other;
    const std::string itemName = TRtu6::ItemName(item);
    if (Store().FindStationByRtuAddress(source, number, other)) {
        SetStatusText("从控制点" + other.Name + "收到了" + itemName + "数据.");
        MarkStation(number, true);
        return;
    }
    const std::string from = "从地址" + address + "(" + std::to_string(port) + ")收到了";
    if (Session().ReplyKindOf(frame) == Frame::kWriteKind) {
        SetStatusText(from + "写入" + itemName + "数据成功的回应.");
    } else {
        SetStatusText(from + itemName + "数据.");
    }
}

void TthrdSender::MarkStation(int number, bool answered) {
    Store().SetAnswered(number, answered);
    PostMessage(WM_STATION_MARK, number, answered ? 1 : 0);
}

void TthrdSender::CheckTimeouts() {
    for (int number = 1; number <= kSlotCount; ++number) {
        Pause();
        TCommSlot& slot = CommSlot(number);
        if (!slot.AwaitingReply) continue;
        const TDateTime now = Now();
        if (slot.WriteDone) {
            // The item is read with the one-byte-address rules on the text as stored: a GPRS
            // route in front makes it no frame, so GPRS commands keep the mode's time-out.
            const bool slow = TRtu6::ReplyItem(slot.LastCommand) == Item::LcuStatus;
            if (!Expired(now, slot.LastWritten, slow ? kSlowReplyTimeout : ReplyTimeout.load()))
                continue;
            slot.AwaitingReply = false;
            SetStatusText("未收到回应.");
        } else {
            if (!Expired(now, slot.CommandSentAt, kWriteTimeout)) continue;
            slot.AwaitingReply = false;
            SetStatusText("向" + Session().RtuDisplayName() + "发送命令失败.");
        }
        ReportStatus();
    }
}

void TthrdSender::TrySend() {
    const TDateTime now = Now();
    LastSendAttempt_ = now;
    TCommSlot& slot = CommSlot(1);
    const TDateTime received = slot.LastReceived;
    const TDateTime written = slot.LastWritten;
    const bool clockBack = now < received || now < written;
    const int gap = SendGap;
    if (!clockBack &&
        (MilliSecondsFrom(now, received) < gap || MilliSecondsFrom(now, written) < gap))
        return;
    if (slot.AwaitingReply) return;
    TTestTask task;
    if (!PopTask(task)) return;
    if (task.IsWrite) task.FrameText = Session().RefreshTimeStamp(task.ItemId, task.FrameText);
    SetStatusText(task.Caption + "..");
    ReportStatus();
    SendTask(1, task.FrameText, task.WaitReply);
}

bool TthrdSender::PopTask(TTestTask& task) {
    task = TTestTask();
    const std::unique_lock lock = LockSlotList(QueueLock_);
    if (!lock.owns_lock() || Queue_.empty()) return false;
    task = std::move(Queue_.front());
    Queue_.pop_front();
    QueuedKeys_.erase(TaskKey(task.FrameText));
    return true;
}

void TthrdSender::SendTask(int slotNumber, const TBytes& frameText, bool waitReply) {
    TCommSlot& slot = CommSlot(slotNumber);
    slot.CommandSentAt = Now();
    slot.WriteDone = false;
    slot.LastCommand = frameText;
    slot.AwaitingReply = waitReply;
    const int road = IsRemoteMode() ? Station().LinkKind() : kLinkRadio;
    switch (road) {
        case kLinkRadio:
            slot.AwaitingReply = true;
            SendBySerial(slotNumber, frameText);
            break;
        case kLinkGprs:
            SendByGprs(slot, frameText);
            break;
        default:
            // Short messages: slot 1 is closed in remote mode and such commands await no
            // reply, so nothing goes out and nothing is reported.
            break;
    }
}

void TthrdSender::SendBySerial(int slotNumber, const TBytes& frameText) {
    // A closed slot (remote mode opens none) sends nothing; the time-out check reports it.
    if (!CommSlot(slotNumber).IsOpen()) return;
    QueueOutput(slotNumber, ScrambleForSend(frameText, Session().ProtocolKind), false);
}

void TthrdSender::SendByGprs(TCommSlot& slot, const TBytes& frameText) {
    const std::string address = GetField(frameText, 1, kRouteSeparator);
    const int port = IntOrZero(GetField(frameText, 2, kRouteSeparator));
    if (address.empty() || port <= 0) {
        SetStatusText("发送GPRS数据失败(对应的RTU尚未注册成功).");
        ReportStatus();
        return;
    }
    std::string result;
    Synchronize([&] { result = SendGprsDatagram(frameText); });
    SetStatusText(result);
    ReportStatus();
    slot.WriteDone = true;
    slot.LastWritten = Now();
    int number = 0;
    if (IsRemoteMode() && Store().FindStationByIp(address, number)) MarkStation(number, false);
}

void TthrdSender::ReportStatus() {
    const std::string text = StatusText();
    Synchronize([&text] { CommView().AddMessage(text); });
}

std::string TthrdSender::StatusText() const {
    std::lock_guard guard(StatusLock_);
    return StatusText_;
}

void TthrdSender::SetStatusText(const std::string& text) {
    std::lock_guard guard(StatusLock_);
    StatusText_ = text;
}

void TthrdSender::Execute() {
    while (!Terminated_) LoopPass();
    Running_ = false;
}

void TthrdSender::LoopPass() {
    try {
        Pause();
        if (Terminated_) return;
        int slot = 0;
        TBytes unit;
        const bool taken = TakeInput(slot, unit);
        if (Terminated_) return;
        if (taken) {
            HandleInput(slot, unit);
        } else {
            CheckTimeouts();
        }
        Pause();
        if (Terminated_) return;
        const TDateTime now = Now();
        if (Expired(now, LastSendAttempt_, kSendInterval)) {
            TrySend();
            Pause();
        }
        if (Terminated_) return;
        RefreshSun(Now());
        if (Terminated_) return;
        GuardClock(Now());
    } catch (const std::exception& e) {
        ClearAwaitingReplies();
        ShowError("Sender", e.what());
    } catch (...) {
        ClearAwaitingReplies();
        ShowError("Sender", "");
    }
}

void TthrdSender::RefreshSun(TDateTime now) {
    const TDateTime date = ScheduleDate(now);
    if (date == TodaySunTimes().Date) return;
    TSettings settings;
    {
        std::lock_guard guard(SettingsLock_);
        settings = Settings_;
    }
    UpdateSunTimes(date, settings);
}

void TthrdSender::GuardClock(TDateTime now) {
    const TDateTime last = LastLoopTime_;
    if (now < last) {
        ShowError("System Timer error: " + DateTimeToText(last) + " ==> " + DateTimeToText(now),
                  "");
        const TDateTime dayBack = IncDay(now, -1);
        LastSendAttempt_ = dayBack;
        // Only the times taken before the clock went back: a command handed over in this very
        // pass keeps its times, else it would count as failed or late at once.
        const auto resetIfAhead = [now, dayBack](std::atomic<TDateTime>& time) {
            if (time.load() > now) time = dayBack;
        };
        for (int number = 1; number <= kSlotCount; ++number) {
            TCommSlot& slot = CommSlot(number);
            resetIfAhead(slot.LastReceived);
            resetIfAhead(slot.LastWritten);
            resetIfAhead(slot.CommandSentAt);
        }
    }
    LastLoopTime_ = now;
}

TthrdSender* Sender() {
    return gSender.get();
}

bool StartSender() {
    if (gSender) return true;
    try {
        auto sender = std::make_unique<TthrdSender>(Settings());
        sender->Start();
        gSender = std::move(sender);
        SetTaskSink(gSender.get());
    } catch (...) {
        LogError("系统", "启动线程", "发送命令线程", "失败");
    }
    return gSender != nullptr;
}

void StopSender() {
    if (!gSender) return;
    gSender->Terminate();
    gSender->Join();
    SetTaskSink(nullptr);
    gSender.reset();
}
