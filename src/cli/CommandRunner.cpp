#include "cli/CommandRunner.h"

#include <exception>
#include <ostream>

#include "app/Settings.h"
#include "app/SystemInit.h"
#include "cli/RecordJson.h"
#include "cli/StationSelect.h"
#include "comm/Links.h"
#include "comm/ModeTiming.h"
#include "comm/WindowMessages.h"
#include "comm/uthrdSender.h"
#include "protocol/Rtu6Class.h"
#include "stations/udiTest.h"

namespace {

constexpr int kSliceMs = 20;
// The sender gives up on an item 71 read after this long; on the cable it always tells, so
// this only guards against a sender that went silent.
constexpr int kLongestDirectReplyMs = 30000 + 5000;
// Time for a queued task to be taken by the sender on top of the reply time.
constexpr int kQueueAllowanceMs = 5000;

}  // namespace

TCommandRunner::TCommandRunner(const TCliOptions& options, std::ostream& out, std::ostream& err)
    : Options_(options), Out_(out), Err_(err) {
    SetMainThread(&Bridge_);
    Bridge_.SetMessageHandler(
        [this](int msg, std::intptr_t wParam, std::intptr_t) { OnMessage(msg, wParam); });
    SetCommView(this);
    SetDialogs(this);
}

TCommandRunner::~TCommandRunner() {
    if (SystemUp_) {
        StopLinks();
        DoneSystem();
    }
    SetDialogs(nullptr);
    SetCommView(nullptr);
    Bridge_.SetMessageHandler(nullptr);
    SetMainThread(nullptr);
}

int TCommandRunner::Run() {
    const int prepared = Prepare();
    if (prepared != kExitDone) return prepared;
    if (!StartLink()) return kExitNoLink;
    // The store hands the session's tasks to this object, which passes them on.
    SetTaskSink(this);
    if (Options_.Remote && !AwaitRegistration()) return kExitNoLink;
    for (const TCliCommand& command : Options_.Commands) {
        Issue(command);
        AwaitCompletion();
    }
    return AnyFailed_ ? kExitFailed : kExitDone;
}

int TCommandRunner::Prepare() {
    try {
        InitSystem();
        SystemUp_ = true;
    } catch (const std::exception& e) {
        Err_ << "rtu-cli: " << e.what() << "\n";
        return kExitNoLink;
    }
    TSettings& settings = Settings();
    settings.ControlMode = Options_.Remote ? 1 : 0;
    RemoteMode = Options_.Remote;
    if (Options_.Remote) {
        settings.ServerPort = Options_.ServerPort;
        UseRemoteModeTiming();
        const auto number = FindStoredStation(Options_.StationName);
        if (!number) {
            Err_ << "rtu-cli: no stored station is named \"" << Options_.StationName << "\"\n";
            return kExitUsage;
        }
        StationNumber_ = *number;
        // The terminal is reached where it registers during this run, not where it once was.
        LocalStore()->SetIpRoute(StationNumber_, "", 0);
        SelectStoredStation(StationNumber_);
    } else {
        settings.PortName = Options_.PortName;
        settings.BaudRate = Options_.BaudRate;
        UseDirectModeTiming();
        UseCableStation(Options_.Address, Options_.ShortMessageFormat);
    }
    if (Options_.SendGapMs >= 0) SendGap = Options_.SendGapMs;
    return kExitDone;
}

bool TCommandRunner::AwaitRegistration() {
    if (Bridge_.RunUntil([this] { return Registered_; }, Options_.WaitSeconds * 1000)) return true;
    Err_ << "rtu-cli: the terminal of " << Options_.StationName << " did not register within "
         << Options_.WaitSeconds << " s\n";
    return false;
}

void TCommandRunner::Issue(const TCliCommand& command) {
    TRtu6& rtu = *CurrentRtu();
    switch (command.Kind) {
        case TCliCommand::TKind::Read:
            rtu.ReadItemNow(command.Item, command.Data);
            break;
        case TCliCommand::TKind::Write:
            rtu.SendSetCommand(command.Item, command.Data, 0, 0);
            break;
        case TCliCommand::TKind::SetClock:
            rtu.SetClockNow();
            break;
    }
    if (Tracker_.Idle()) {
        // The session posted nothing: the data do not fit into a write.
        const bool write = command.Kind != TCliCommand::TKind::Read;
        Finish({{command.Item, "", write}, TTaskResult::TOutcome::NotSent, ""});
    }
}

void TCommandRunner::AwaitCompletion() {
    const TDateTime start = Now();
    const int limit = ReplyLimitMs() + SendGap + kQueueAllowanceMs;
    while (!Tracker_.Idle()) {
        Bridge_.RunUntil([this] { return Tracker_.Idle(); }, kSliceMs);
        for (const TTaskResult& result : Tracker_.Expire(Now(), ReplyLimitMs())) {
            AddMessage(result.StatusLine);
            Finish(result);
        }
        // A task the sender never took (dropped as a duplicate of one still queued).
        if (MilliSecondsFrom(Now(), start) > limit)
            for (const TTaskResult& result : Tracker_.Abandon()) Finish(result);
    }
}

int TCommandRunner::ReplyLimitMs() const {
    // Over GPRS the sender awaits no reply and never reports a late one: the client counts.
    return Options_.Remote ? ReplyTimeout.load() : kLongestDirectReplyMs;
}

void TCommandRunner::OnMessage(int msg, std::intptr_t wParam) {
    if (msg != WM_DATA_ITEM) return;
    if (const auto result = Tracker_.DataItem(static_cast<int>(wParam))) Finish(*result);
}

void TCommandRunner::Finish(const TTaskResult& result) {
    if (!result.Accepted()) AnyFailed_ = true;
    Out_ << JsonLine(ResultJson(result)) << std::endl;
}

void TCommandRunner::AddMessage(const std::string& line) {
    // A GPRS datagram sent is reported as an empty line.
    if (!line.empty()) Err_ << line << std::endl;
    if (const auto result = Tracker_.StatusLine(line, Now())) Finish(*result);
}

void TCommandRunner::StationRegistered(int stationNumber) {
    if (stationNumber != StationNumber_) return;
    // The route changed: the current station takes it over, as a selected station does.
    SelectStoredStation(stationNumber);
    Registered_ = true;
}

void TCommandRunner::AddTask(int item, const std::string& caption, bool waitReply, bool isWrite,
                             const TBytes& frameText) {
    TthrdSender* sender = Sender();
    if (sender == nullptr) return;
    Tracker_.Posted({item, caption, isWrite});
    sender->AddTask(item, caption, waitReply, isWrite, frameText);
}

void TCommandRunner::ShowMessage(const std::string& text) {
    Err_ << "rtu-cli: " << text << std::endl;
}
