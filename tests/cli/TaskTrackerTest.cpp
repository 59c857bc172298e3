// How the client tells that a command has ended, from the sender's status lines and the
// data-item messages.

#include "cli/TaskTracker.h"

#include <gtest/gtest.h>

#include "protocol/Catalogue.h"

namespace {

using TOutcome = TTaskResult::TOutcome;

const TPostedTask kRead{Item::CenterAddress, "读取测试站点的控制端地址码.", false};
const TPostedTask kWrite{Item::CenterAddress, "向测试站点发出设置控制端地址码的命令.", true};
constexpr TDateTime kT0 = 45000.5;

TDateTime Later(int ms) {
    return IncMilliSecond(kT0, ms);
}

TEST(TaskTracker, ReadEndsWithItsDataItemMessage) {
    TTaskTracker tracker;
    tracker.Posted(kRead);
    EXPECT_FALSE(tracker.Idle());
    // A message before the command went out, or for another item, is not its answer.
    EXPECT_FALSE(tracker.DataItem(Item::CenterAddress));
    EXPECT_FALSE(tracker.StatusLine(kRead.Caption + "..", kT0));
    EXPECT_FALSE(tracker.DataItem(Item::RtuAddress));
    EXPECT_FALSE(tracker.StatusLine("从测试站点收到了错误的数据.", kT0));
    const auto result = tracker.DataItem(Item::CenterAddress);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->Outcome, TOutcome::Accepted);
    EXPECT_EQ(result->Task.Caption, kRead.Caption);
    EXPECT_TRUE(tracker.Idle());
}

TEST(TaskTracker, EndingLinesOfTheSender) {
    struct TCase {
        TPostedTask Task;
        std::string Line;
        TOutcome Outcome;
    };
    const std::vector<TCase> cases = {
        {kRead, "未收到回应.", TOutcome::NoReply},
        {kRead, "收到错误的回应.", TOutcome::Refused},
        {kRead, "向测试站点发送命令失败.", TOutcome::NotSent},
        {kRead, "发送GPRS数据失败(对应的RTU尚未注册成功).", TOutcome::NotSent},
        {kWrite, "写入测试站点的控制端地址码数据成功.", TOutcome::Accepted},
        {kWrite, "未收到回应.", TOutcome::NoReply},
    };
    for (const TCase& c : cases) {
        TTaskTracker tracker;
        tracker.Posted(c.Task);
        // Before the command is on its way, the line belongs to an earlier one.
        EXPECT_FALSE(tracker.StatusLine(c.Line, kT0)) << c.Line;
        EXPECT_FALSE(tracker.StatusLine(c.Task.Caption + "..", kT0));
        const auto result = tracker.StatusLine(c.Line, kT0);
        ASSERT_TRUE(result) << c.Line;
        EXPECT_EQ(result->Outcome, c.Outcome) << c.Line;
        EXPECT_EQ(result->StatusLine, c.Line);
        EXPECT_TRUE(tracker.Idle());
    }
}

TEST(TaskTracker, WriteAcknowledgementMustNameTheItem) {
    TTaskTracker tracker;
    tracker.Posted(kWrite);
    tracker.StatusLine(kWrite.Caption + "..", kT0);
    EXPECT_FALSE(tracker.StatusLine("写入测试站点的RTU地址码数据成功.", kT0));
    EXPECT_FALSE(tracker.DataItem(Item::CenterAddress));  // a write ends with no data message
    EXPECT_TRUE(tracker.StatusLine("写入测试站点的控制端地址码数据成功.", kT0));
}

TEST(TaskTracker, PacketsOnTheirWayTogetherEndInOrderAndExpire) {
    // Over GPRS the sender awaits no reply: the packets of one write leave one after another.
    const TPostedTask first{Item::HolidaysList, "向一号柜发出设置节日定义的命令(1/2).", true};
    const TPostedTask second{Item::HolidaysList, "向一号柜发出设置节日定义的命令(2/2).", true};
    TTaskTracker tracker;
    tracker.Posted(first);
    tracker.Posted(second);
    tracker.StatusLine(first.Caption + "..", kT0);
    tracker.StatusLine(second.Caption + "..", Later(3000));
    const auto acknowledged = tracker.StatusLine("写入一号柜的节日定义数据成功.", Later(3100));
    ASSERT_TRUE(acknowledged);
    EXPECT_EQ(acknowledged->Task.Caption, first.Caption);
    EXPECT_TRUE(tracker.Expire(Later(18000), 15000).empty());
    const auto expired = tracker.Expire(Later(18001), 15000);
    ASSERT_EQ(expired.size(), 1u);
    EXPECT_EQ(expired[0].Task.Caption, second.Caption);
    EXPECT_EQ(expired[0].Outcome, TOutcome::NoReply);
    EXPECT_TRUE(tracker.Idle());
}

TEST(TaskTracker, AbandonEndsWhatIsQueuedAndOnItsWay) {
    TTaskTracker tracker;
    tracker.Posted(kRead);
    tracker.Posted(kWrite);
    tracker.StatusLine(kRead.Caption + "..", kT0);
    const auto open = tracker.Abandon();
    ASSERT_EQ(open.size(), 2u);
    EXPECT_EQ(open[0].Outcome, TOutcome::NoReply);
    EXPECT_EQ(open[1].Outcome, TOutcome::NotSent);
    EXPECT_TRUE(tracker.Idle());
}

}  // namespace
