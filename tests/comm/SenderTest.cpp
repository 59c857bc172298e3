#include "comm/uthrdSender.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/Logs.h"
#include "app/Paths.h"
#include "app/SystemInit.h"
#include "comm/CommSlots.h"
#include "comm/ModeTiming.h"
#include "comm/TaskSink.h"
#include "comm/WindowMessages.h"
#include "platform/Encoding.h"
#include "platform/MainThread.h"
#include "protocol/Catalogue.h"
#include "protocol/CurrentData.h"
#include "protocol/Rtu6Class.h"
#include "protocol/Rtu6Parameters.h"
#include "schedules/SunTimes.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"
#include "support/ControllerFrames.h"
#include "support/RecordingCommView.h"
#include "support/TempDir.h"

namespace {

using testing_frames::ControllerReply;

constexpr int kRead = 0x47;
constexpr int kWrite = 0x50;
constexpr int kCenterAddress = 161;  // one byte both ways: the simplest read there is
constexpr int kRtuAddress = 160;
constexpr int kLoopStatus = 113;
constexpr int kLcuStatus = 71;
constexpr int kWaitMs = 10000;  // steady-time guard of the threaded cases, never reached

struct TPosted {
    int Msg;
    std::intptr_t WParam;
    std::intptr_t LParam;
    bool operator==(const TPosted&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TPosted& p) {
    return out << "{" << std::hex << p.Msg << std::dec << ", " << p.WParam << ", " << p.LParam
               << "}";
}

// A reply of the controller at a one-byte address, without time stamp (data radio).
TBytes Reply(int address, int kind, int item, const TBytes& data, int n = 1, int i = 1) {
    return ControllerReply(TBytes(1, static_cast<char>(address)), kind, item, "", n, i, data);
}

// The same over GPRS, where replies carry the controller's time.
TBytes StampedReply(int address, int kind, int item, const TBytes& data) {
    return ControllerReply(TBytes(1, static_cast<char>(address)), kind, item,
                           testing_frames::BcdStamp(2024, 3, 10, 19, 59, 58), 1, 1, data);
}

// A received unit put into a slot's input list, as the reader and the UDP handler do.
void Deliver(int slot, const TBytes& unit) {
    std::lock_guard lock(CommSlot(slot).InputLock);
    CommSlot(slot).InputLines.push_back(unit);
}

class SenderTest : public ::testing::Test {
protected:
    SenderTest() : Clock_(EncodeDateTime(2024, 3, 10, 20, 0, 0)), Folder_(Dir_.Path()) {}

    void SetUp() override {
        SetMainThread(&Bridge_);
        Bridge_.SetMessageHandler([this](int msg, std::intptr_t w, std::intptr_t l) {
            Posted.push_back({msg, w, l});
        });
        InitSystem();
        ResetCommSlots();
        UseDirectModeTiming();
    }

    void TearDown() override {
        StopSender();
        ResetCommSlots();
        DoneSystem();
        UseDirectModeTiming();
        Bridge_.SetMessageHandler(nullptr);
        SetMainThread(nullptr);
    }

    TManualClock& Clock() { return Clock_.Clock(); }
    void Advance(std::int64_t ms) { Clock().AdvanceMilliSeconds(ms); }
    TRtu6& Rtu() { return *CurrentRtu(); }
    TStation6Test& Station() { return *CurrentStation(); }
    TCommSlot& Slot1() { return CommSlot(1); }

    // A read of the item queued and handed over as the loop does it.
    void SendRead(TthrdSender& sender, int item, const TBytes& data = {}) {
        sender.AddTask(item, "cmd", true, false, Rtu().BuildReadFrame(item, data));
        sender.TrySend();
    }
    // One received unit of slot 1 taken and handled as the loop does it.
    void Receive(TthrdSender& sender, const TBytes& unit) {
        Deliver(1, unit);
        int slot = 0;
        TBytes taken;
        ASSERT_TRUE(sender.TakeInput(slot, taken));
        sender.HandleInput(slot, taken);
    }
    // Posted messages reach the handler.
    std::vector<TPosted> TakePosted() {
        Bridge_.ProcessMessages();
        std::vector<TPosted> posted;
        posted.swap(Posted);
        return posted;
    }
    std::string LastLine() const { return View.Lines.empty() ? "<none>" : View.Lines.back(); }
    bool HasLine(const std::string& line) const {
        return std::find(View.Lines.begin(), View.Lines.end(), line) != View.Lines.end();
    }
    // Serves the main thread until `done` holds; it is checked at least every 10 ms, also
    // for conditions that no main-thread work announces.
    bool Await(const std::function<bool()>& done) {
        for (int waited = 0; waited < kWaitMs; waited += 10)
            if (Bridge_.RunUntil(done, 10)) return true;
        return done();
    }
    std::string ErrorLog() const {
        const std::string file = ErrorLogFile(Now());
        return access(file.c_str(), F_OK) == 0 ? GbkToUtf8(ReadWholeFile(file)) : "";
    }

    TempDir Dir_;
    TScopedManualClock Clock_;
    TScopedProgramFolder Folder_;
    THeadlessBridge Bridge_;
    RecordingCommView View;
    std::vector<TPosted> Posted;  // main thread only
};

size_t Count(const std::string& text, const std::string& part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// --- Queue ---------------------------------------------------------------------------------

TEST_F(SenderTest, QueueDropsDuplicatesAndKeepsTheNewest300) {
    TthrdSender sender(Settings());
    const TBytes frame = Rtu().BuildReadFrame(kCenterAddress, {});
    sender.AddTask(kCenterAddress, "a", true, false, frame);
    sender.AddTask(kCenterAddress, "b", true, false, frame);
    EXPECT_EQ(sender.TaskCount(), 1u);
    TTestTask task;
    ASSERT_TRUE(sender.PopTask(task));
    EXPECT_EQ(task.Caption, "a");
    EXPECT_EQ(task.FrameText, frame);
    EXPECT_TRUE(task.WaitReply);
    // Once sent, the same command may be queued again.
    sender.AddTask(kCenterAddress, "c", true, false, frame);
    ASSERT_TRUE(sender.PopTask(task));
    EXPECT_EQ(task.Caption, "c");
    EXPECT_FALSE(sender.PopTask(task));

    for (int k = 0; k <= 300; ++k)
        sender.AddTask(1, std::to_string(k), false, false, "frame " + std::to_string(k));
    EXPECT_EQ(sender.TaskCount(), 300u);
    // The dropped oldest task is no longer a duplicate either.
    sender.AddTask(1, "again", false, false, "frame 0");
    EXPECT_EQ(sender.TaskCount(), 300u);
    ASSERT_TRUE(sender.PopTask(task));
    EXPECT_EQ(task.Caption, "2");
}

// --- Sending -------------------------------------------------------------------------------

TEST_F(SenderTest, SerialRoadQueuesTheScrambledFrameOneCommandAtATime) {
    int master = -1, slave = -1;
    char name[128] = {};
    ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
    ASSERT_TRUE(OpenCommPort(1, name, 9600, 8, 0, 0));

    TthrdSender sender(Settings());
    const TBytes first = Rtu().BuildReadFrame(kCenterAddress, {});
    const TBytes second = Rtu().BuildReadFrame(kLoopStatus, {});
    sender.AddTask(kCenterAddress, "first", true, false, first);
    sender.AddTask(kLoopStatus, "second", true, false, second);
    sender.TrySend();
    EXPECT_EQ(LastLine(), "first..");
    EXPECT_TRUE(Slot1().AwaitingReply);
    EXPECT_FALSE(Slot1().WriteDone);
    {
        std::lock_guard lock(Slot1().OutputLock);
        // Controller 1: everything from the fourth byte on goes XORed with 1 ^ 0xC5.
        ASSERT_EQ(Slot1().OutputItems.size(), 1u);
        EXPECT_EQ(Slot1().OutputItems.front(), ScrambleFrom4th(first, 0x01 ^ 0xC5));
    }

    // The second command waits for the first one's reply, however long.
    Advance(60000);
    sender.TrySend();
    EXPECT_EQ(sender.TaskCount(), 1u);
    Receive(sender, Reply(1, kRead, kCenterAddress, "\x07"));
    EXPECT_FALSE(Slot1().AwaitingReply);
    Advance(1001);
    sender.TrySend();
    EXPECT_EQ(LastLine(), "second..");
    EXPECT_EQ(sender.TaskCount(), 0u);
    std::lock_guard lock(Slot1().OutputLock);
    EXPECT_EQ(Slot1().OutputItems.size(), 2u);
    close(master);
    close(slave);
}

TEST_F(SenderTest, RemoteModeKeepsQuietAfterTrafficOnSlotOne) {
    UseRemoteModeTiming();
    TthrdSender sender(Settings());
    Slot1().LastReceived = Now();
    sender.AddTask(kCenterAddress, "cmd", true, false, Rtu().BuildReadFrame(kCenterAddress, {}));
    Advance(2999);
    sender.TrySend();
    EXPECT_EQ(sender.TaskCount(), 1u);
    Advance(1);
    sender.TrySend();
    EXPECT_EQ(sender.TaskCount(), 0u);
    EXPECT_EQ(LastLine(), "cmd..");
}

TEST_F(SenderTest, WriteCommandsGetAFreshClockWhenSent) {
    TthrdSender sender(Settings());
    const TBytes queued = Rtu().BuildWriteFrame(Item::RtuClock, Frame::BcdTimeStamp(Now()));
    sender.AddTask(Item::RtuClock, "clock", true, true, queued);
    Advance(42000);
    sender.TrySend();
    const TBytes fresh = Slot1().LastCommand;
    EXPECT_NE(fresh, queued);
    EXPECT_NE(fresh.find(testing_frames::BcdStamp(2024, 3, 10, 20, 0, 42)), std::string::npos)
        << testing_frames::HexOf(fresh);
}

TEST_F(SenderTest, CommandNotWrittenFailsAfterThreeSeconds) {
    TthrdSender sender(Settings());
    SendRead(sender, kCenterAddress);  // slot 1 is closed: nothing is written
    Advance(3000);
    sender.CheckTimeouts();
    EXPECT_TRUE(Slot1().AwaitingReply);
    EXPECT_EQ(LastLine(), "cmd..");
    Advance(1);
    sender.CheckTimeouts();
    EXPECT_FALSE(Slot1().AwaitingReply);
    EXPECT_EQ(LastLine(), "向测试站点发送命令失败.");

    // A clock set back counts as late at once.
    sender.AddTask(kLoopStatus, "cmd2", true, false, Rtu().BuildReadFrame(kLoopStatus, {}));
    Advance(1001);
    sender.TrySend();
    Clock().Set(IncMinute(Now(), -1));
    sender.CheckTimeouts();
    EXPECT_EQ(LastLine(), "向测试站点发送命令失败.");
    EXPECT_FALSE(Slot1().AwaitingReply);
}

TEST_F(SenderTest, ReplyTimeoutDependsOnModeAndItem) {
    struct TCase {
        bool Remote;
        int Item;
        TBytes Data;
        std::int64_t LimitMs;
    };
    const TCase cases[] = {
        {false, kCenterAddress, "", 5000},
        {true, kCenterAddress, "", 15000},
        {false, kLcuStatus, TBytes("\x01\x00", 2), 30000},
        {true, kLcuStatus, TBytes("\x01\x00", 2), 30000},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::to_string(c.Item) + (c.Remote ? " remote" : " direct"));
        ResetCommSlots();
        c.Remote ? UseRemoteModeTiming() : UseDirectModeTiming();
        TthrdSender sender(Settings());
        Advance(3000);  // the remote quiet time
        SendRead(sender, c.Item, c.Data);
        ASSERT_TRUE(Slot1().AwaitingReply);
        // What the writer does when the bytes are out (slot 1 is closed here).
        Slot1().LastWritten = Now();
        Slot1().WriteDone = true;
        Advance(c.LimitMs);
        sender.CheckTimeouts();
        EXPECT_TRUE(Slot1().AwaitingReply);
        Advance(1);
        sender.CheckTimeouts();
        EXPECT_FALSE(Slot1().AwaitingReply);
        EXPECT_EQ(LastLine(), "未收到回应.");
    }
}

TEST_F(SenderTest, GprsCommandWithoutRouteFailsAndDoesNotHoldBackTheNext) {
    UseRemoteModeTiming();
    Station().SetLinkKind(kLinkGprs);
    TthrdSender sender(Settings());
    sender.AddTask(kCenterAddress, "first", Rtu().WaitsForReply(), false,
                   Rtu().BuildReadFrame(kCenterAddress, {}));
    sender.AddTask(kLoopStatus, "second", Rtu().WaitsForReply(), false,
                   Rtu().BuildReadFrame(kLoopStatus, {}));
    Advance(3000);
    sender.TrySend();
    EXPECT_EQ(LastLine(), "发送GPRS数据失败(对应的RTU尚未注册成功).");
    EXPECT_FALSE(Slot1().WriteDone);
    EXPECT_FALSE(Slot1().AwaitingReply);
    EXPECT_TRUE(TakePosted().empty());
    Advance(1001);
    sender.TrySend();
    EXPECT_TRUE(HasLine("second.."));
}

TEST_F(SenderTest, GprsCommandWithRouteIsMarkedWrittenAndTheStationSent) {
    UseRemoteModeTiming();
    const int number = LocalStore()->AddStation("一号柜", kLinkGprs, 0, "00000000011", 1);
    ASSERT_GT(number, 0);
    ASSERT_TRUE(LocalStore()->SetIpRoute(number, "127.0.0.1", 5001));
    ASSERT_TRUE(LocalStore()->SetAnswered(number, true));
    Station().SetStationId(number);
    Station().SetLinkKind(kLinkGprs);
    Station().SetDeviceId("00000000011");
    Station().SetIpAddress("127.0.0.1");
    Station().SetIpPort(5001);

    TthrdSender sender(Settings());
    sender.AddTask(kCenterAddress, "cmd", false, false, Rtu().BuildReadFrame(kCenterAddress, {}));
    Advance(3000);
    sender.TrySend();
    EXPECT_TRUE(Slot1().WriteDone);
    EXPECT_EQ(Slot1().LastWritten.load(), Now());
    // The caption and then the send's own status line.
    ASSERT_GE(View.Lines.size(), 2u);
    EXPECT_EQ(View.Lines[View.Lines.size() - 2], "cmd..");
    EXPECT_EQ(TakePosted(), (std::vector<TPosted>{{WM_STATION_MARK, number, 0}}));
    TStoredStation stored;
    ASSERT_TRUE(LocalStore()->ReadStation(number, stored));
    EXPECT_FALSE(stored.Answered);
}

// --- Replies -------------------------------------------------------------------------------

TEST_F(SenderTest, TakeInputCollapsesEqualLeadingUnits) {
    TthrdSender sender(Settings());
    Deliver(1, "a");
    Deliver(1, "a");
    Deliver(1, "b");
    Deliver(2, "c");
    int slot = 0;
    TBytes unit;
    ASSERT_TRUE(sender.TakeInput(slot, unit));
    EXPECT_EQ(slot, 1);
    EXPECT_EQ(unit, "a");
    ASSERT_TRUE(sender.TakeInput(slot, unit));
    EXPECT_EQ(unit, "b");
    ASSERT_TRUE(sender.TakeInput(slot, unit));
    EXPECT_EQ(slot, 2);
    EXPECT_EQ(unit, "c");
    EXPECT_FALSE(sender.TakeInput(slot, unit));
}

TEST_F(SenderTest, DirectModeReplies) {
    struct TCase {
        const char* What;
        int AwaitedItem;  // 0: nothing sent
        TBytes Reply;
        std::string Line;
        bool StillAwaiting;
        bool DataItemPosted;
    };
    const std::string correct = "从测试站点收到了正确的控制端地址码数据.";
    const TCase cases[] = {
        {"answer", kCenterAddress, Reply(1, kRead, kCenterAddress, "\x07"), correct, false, true},
        {"nothing awaited", 0, Reply(1, kRead, kCenterAddress, "\x07"), correct, false, true},
        {"answer to another command", kLoopStatus, Reply(1, kRead, kCenterAddress, "\x07"),
         "从测试站点收到了错误的数据.", true, false},
        {"unparsable", kCenterAddress, Reply(1, kRead, kCenterAddress, "\x07\x08"),
         "收到错误的回应.", false, false},
        {"another controller", kCenterAddress, Reply(7, kRead, kCenterAddress, "\x07"), "cmd..",
         true, false},
        {"new address acknowledged", kRtuAddress, Reply(7, kWrite, kRtuAddress, ""),
         "写入测试站点的RTU地址码数据成功.", false, false},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        ResetCommSlots();
        TthrdSender sender(Settings());
        CurrentParameters().CenterAddress = 0;
        if (c.AwaitedItem == kRtuAddress) {
            sender.AddTask(kRtuAddress, "cmd", true, true,
                           Rtu().BuildWriteFrame(kRtuAddress, "\x07"));
            sender.TrySend();
        } else if (c.AwaitedItem != 0) {
            SendRead(sender, c.AwaitedItem);
        }
        TakePosted();
        const size_t linesBefore = View.Lines.size();
        Receive(sender, c.Reply);
        EXPECT_EQ(View.Lines.size(), linesBefore + 1);
        EXPECT_EQ(LastLine(), c.Line);
        EXPECT_EQ(Slot1().AwaitingReply, c.StillAwaiting);
        const std::vector<TPosted> posted = TakePosted();
        if (c.DataItemPosted) {
            EXPECT_EQ(posted, (std::vector<TPosted>{{WM_DATA_ITEM, kCenterAddress, 0}}));
            EXPECT_EQ(CurrentParameters().CenterAddress, 7);
        } else {
            EXPECT_TRUE(posted.empty());
        }
    }
}

TEST_F(SenderTest, MultiPacketReadIsReportedPerPacketAndPostedOnce) {
    TthrdSender sender(Settings());
    CurrentParameters().CenterAddress = 0;
    SendRead(sender, kCenterAddress);
    Receive(sender, Reply(1, kRead, kCenterAddress, "", 3, 1));
    EXPECT_EQ(LastLine(), "从测试站点收到了部分数据.");
    Receive(sender, Reply(1, kRead, kCenterAddress, "", 3, 2));
    EXPECT_EQ(LastLine(), "从测试站点收到了部分数据.");
    EXPECT_TRUE(TakePosted().empty());
    Receive(sender, Reply(1, kRead, kCenterAddress, "\x09", 3, 3));
    EXPECT_EQ(LastLine(), "从测试站点收到了正确的控制端地址码数据.");
    EXPECT_EQ(TakePosted(), (std::vector<TPosted>{{WM_DATA_ITEM, kCenterAddress, 0}}));
    EXPECT_EQ(CurrentParameters().CenterAddress, 9);
}

TEST_F(SenderTest, RemoteModeRepliesAreAttributedByRouteAndAddress) {
    UseRemoteModeTiming();
    TIDataTest& store = *LocalStore();
    const int own = store.AddStation("一号柜", kLinkGprs, 0, "00000000011", 1);
    const int other = store.AddStation("二号柜", kLinkGprs, 0, "00000000022", 9);
    ASSERT_GT(own, 0);
    ASSERT_GT(other, 0);
    Station().SetStationId(own);
    Station().SetName("一号柜");
    Station().SetLinkKind(kLinkGprs);
    Station().SetIpAddress("10.0.0.5");
    Station().SetIpPort(5001);

    struct TCase {
        const char* What;
        TBytes Unit;
        std::string Line;
        std::vector<TPosted> Posted;
        int Answered;  // station whose answered flag is set, 0 none
    };
    const TBytes read = StampedReply(1, kRead, kCenterAddress, "\x07");
    const TCase cases[] = {
        {"own station",
         "10.0.0.5:5001:00000000011:" + read,
         "从一号柜收到了正确的控制端地址码数据.",
         {{WM_DATA_ITEM, kCenterAddress, 0}, {WM_STATION_MARK, own, 1}},
         own},
        {"another stored station",
         "10.0.0.6:6001:00000000022:" + StampedReply(9, kRead, 161, "\x07"),
         "从控制点二号柜收到了控制端地址码数据.",
         {{WM_STATION_MARK, other, 1}},
         other},
        {"own address from another route",
         "10.0.0.8:8001:00000000099:" + read,
         "从控制点一号柜收到了控制端地址码数据.",
         {{WM_STATION_MARK, own, 1}},
         own},
        {"unknown, write acknowledged",
         "10.0.0.7:7001:00000000033:" + StampedReply(33, kWrite, 161, ""),
         "从地址10.0.0.7(7001)收到了写入控制端地址码数据成功的回应.",
         {},
         0},
        {"unknown, data",
         "10.0.0.7:x:00000000033:" + StampedReply(33, kRead, 161, "\x07"),
         "从地址10.0.0.7(0)收到了控制端地址码数据.",
         {},
         0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.What);
        ASSERT_TRUE(store.SetAnswered(own, false));
        ASSERT_TRUE(store.SetAnswered(other, false));
        TthrdSender sender(Settings());
        Receive(sender, c.Unit);
        EXPECT_EQ(LastLine(), c.Line);
        EXPECT_EQ(TakePosted(), c.Posted);
        for (int number : {own, other}) {
            TStoredStation stored;
            ASSERT_TRUE(store.ReadStation(number, stored));
            EXPECT_EQ(stored.Answered, number == c.Answered) << number;
        }
    }

    // Short-message stations are not waited for: what comes is dropped without a word.
    Station().SetLinkKind(kLinkSms);
    TthrdSender sender(Settings());
    Slot1().AwaitingReply = true;
    const size_t lines = View.Lines.size();
    Receive(sender, "10.0.0.5:5001:00000000011:" + read);
    EXPECT_FALSE(Slot1().AwaitingReply);
    EXPECT_EQ(View.Lines.size(), lines);
}

// --- The thread ----------------------------------------------------------------------------

TEST_F(SenderTest, ThreadSendsPostedCommandsAndStopsInEveryState) {
    ASSERT_TRUE(StartSender());
    TthrdSender* sender = Sender();
    ASSERT_NE(sender, nullptr);
    EXPECT_EQ(CurrentTaskSink(), sender);
    EXPECT_TRUE(StartSender());
    EXPECT_EQ(Sender(), sender);
    StopSender();  // idle
    EXPECT_EQ(Sender(), nullptr);
    EXPECT_EQ(CurrentTaskSink(), nullptr);

    // Awaiting a reply: the command came the whole way from the session through the store.
    ASSERT_TRUE(StartSender());
    Rtu().ReadItemNow(kCenterAddress);
    EXPECT_TRUE(
        Await([&] { return HasLine("读取测试站点的控制端地址码...") && Slot1().AwaitingReply; }));
    StopSender();
    EXPECT_EQ(Sender(), nullptr);

    // Waiting for the main thread to show a line: the stop serves it.
    ResetCommSlots();
    ASSERT_TRUE(StartSender());
    Sender()->AddTask(kLoopStatus, "blocked", true, false, Rtu().BuildReadFrame(kLoopStatus, {}));
    StopSender();
    EXPECT_EQ(Sender(), nullptr);
}

TEST_F(SenderTest, ThreadHandsRepliesToTheSession) {
    ASSERT_TRUE(StartSender());
    Sender()->AddTask(kCenterAddress, "cmd", true, false, Rtu().BuildReadFrame(kCenterAddress, {}));
    ASSERT_TRUE(Await([&] { return HasLine("cmd.."); }));
    Deliver(1, Reply(1, kRead, kCenterAddress, "\x07"));
    ASSERT_TRUE(Await([&] { return HasLine("从测试站点收到了正确的控制端地址码数据."); }));
    ASSERT_TRUE(Await([&] { return !Posted.empty(); }));
    EXPECT_EQ(Posted, (std::vector<TPosted>{{WM_DATA_ITEM, kCenterAddress, 0}}));
}

TEST_F(SenderTest, ClockSetBackIsLoggedOnceAndTheNextTaskGoesAtOnce) {
    ASSERT_TRUE(StartSender());
    Sender()->AddTask(kCenterAddress, "first", true, false,
                      Rtu().BuildReadFrame(kCenterAddress, {}));
    ASSERT_TRUE(Await([&] { return HasLine("first..") && Slot1().AwaitingReply; }));
    Sender()->AddTask(kLoopStatus, "second", true, false, Rtu().BuildReadFrame(kLoopStatus, {}));
    Clock().Set(EncodeDateTime(2024, 3, 10, 19, 0, 0));
    ASSERT_TRUE(Await([&] { return HasLine("second..") && Slot1().AwaitingReply; }));
    ASSERT_TRUE(Await([&] { return ErrorLog().find("System Timer error") != std::string::npos; }));
    // The command handed over at the new time fails after its own three seconds.
    const size_t lines = View.Lines.size();
    Advance(3001);
    ASSERT_TRUE(Await([&] { return View.Lines.size() > lines; }))
        << ErrorLog() << ::testing::PrintToString(View.Lines);
    EXPECT_EQ(LastLine(), "向测试站点发送命令失败.");
    const std::string log = ErrorLog();
    EXPECT_EQ(Count(log, "System Timer error: "), 1u) << log;
    EXPECT_NE(log.find("System Timer error: 2024-03-10 20:00:00 ==> 2024-03-10 19:00:00"),
              std::string::npos)
        << log;
}

TEST_F(SenderTest, SunTimesFollowTheScheduleDateWithTheSendersSettings) {
    SetTodaySunTimes({});
    Clock().Set(EncodeDateTime(2024, 3, 10, 11, 59, 0));
    Settings().AdjustSunSet = 10;
    const TSettings settings = Settings();
    const auto expectedSunset = [&](TDateTime date) {
        return CalcSunTimes(settings.Longitude, settings.Latitude, date, settings.TimeZone).Sunset +
               10 / kMinutesPerDay;
    };
    ASSERT_TRUE(StartSender());
    ASSERT_TRUE(Await([] { return TodaySunTimes().Date == EncodeDate(2024, 3, 9); }));
    EXPECT_NEAR(TodaySunset(), expectedSunset(EncodeDate(2024, 3, 9)), 1e-9);

    Settings().AdjustSunSet = 50;  // the main thread's copy; the sender keeps its own
    Clock().Set(EncodeDateTime(2024, 3, 10, 12, 0, 0));
    ASSERT_TRUE(Await([] { return TodaySunTimes().Date == EncodeDate(2024, 3, 10); }));
    EXPECT_NEAR(TodaySunset(), expectedSunset(EncodeDate(2024, 3, 10)), 1e-9);
}

TEST_F(SenderTest, ExceptionInAPassClearsEveryWaitAndIsLogged) {
    UseRemoteModeTiming();
    Station().SetLinkKind(kLinkGprs);
    Station().SetIpAddress("10.0.0.5");
    Station().SetIpPort(5001);
    // The station file cannot be written: marking the answering station raises.
    std::filesystem::remove(Dir_ / "StationsInfo.Ini");
    std::filesystem::create_directory(Dir_ / "StationsInfo.Ini");
    for (int slot = 2; slot <= kSlotCount; ++slot) {
        CommSlot(slot).CommandSentAt = Now();
        CommSlot(slot).AwaitingReply = true;
    }
    Deliver(1, "10.0.0.5:5001:00000000011:" + StampedReply(1, kRead, kCenterAddress, "\x07"));
    ASSERT_TRUE(StartSender());
    ASSERT_TRUE(Await([&] { return ErrorLog().find("Show Error Sender ") != std::string::npos; }));
    StopSender();
    for (int slot = 1; slot <= kSlotCount; ++slot)
        EXPECT_FALSE(CommSlot(slot).AwaitingReply) << slot;
}

}  // namespace
