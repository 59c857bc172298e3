// The message panel, the unexpected errors that end up in it, and the data-area reset.

#include <QLabel>
#include <QMouseEvent>
#include <QTextBlock>
#include <QTextCursor>
#include <stdexcept>

#include "WindowFixture.h"
#include "app/Logs.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"
#include "stations/udiTest.h"
#include "ui/MessagePanel.h"
#include "ui/RtuApplication.h"

namespace {

using MessagePanelTest = WindowFixture;

TEST_F(MessagePanelTest, MoreThanFiveHundredLinesEmptyThePanelBeforeTheNextLine) {
    StartWindow();
    auto* panel = Find<TMessagePanel>("memMessages");
    for (int k = 1; k <= 501; ++k) Window->AddMessage(QString("line %1").arg(k));
    EXPECT_EQ(panel->LineCount(), 501);
    Window->AddMessage(QString("line 502"));
    EXPECT_EQ(panel->LineCount(), 1);
    EXPECT_EQ(panel->toPlainText(), "line 502");
}

TEST_F(MessagePanelTest, ColouredLinesAreBoldInTheirColourAndOthersPlain) {
    StartWindow();
    auto* panel = Find<TMessagePanel>("memMessages");
    Window->AddMessage(QString("告警"), Qt::red);
    Window->AddMessage(QString("正常"));
    const QTextBlock alarm = panel->document()->firstBlock();
    const QTextCharFormat red = alarm.begin().fragment().charFormat();
    EXPECT_EQ(red.foreground().color(), QColor(Qt::red));
    EXPECT_EQ(red.fontWeight(), QFont::Bold);
    const QTextCharFormat plain = alarm.next().begin().fragment().charFormat();
    EXPECT_NE(plain.fontWeight(), QFont::Bold);
    EXPECT_EQ(panel->textCursor().position(), panel->document()->characterCount() - 1);
}

TEST_F(MessagePanelTest, AFailingHandlerIsLoggedAndShownInRed) {
    StartWindow();
    RunGuarded([] { throw std::runtime_error("磁盘已满"); });
    auto* panel = Find<TMessagePanel>("memMessages");
    EXPECT_EQ(panel->toPlainText(), "磁盘已满");
    EXPECT_EQ(panel->document()->firstBlock().begin().fragment().charFormat().foreground().color(),
              QColor(Qt::red));
    const std::string log = GbkToUtf8(ReadWholeFile(ErrorLogFile(Now())));
    EXPECT_NE(log.find("AppException: 磁盘已满"), std::string::npos);
    EXPECT_EQ(Dialogs.Messages, std::vector<std::string>{});
}

TEST_F(MessagePanelTest, CommunicationLinesArriveThroughTheCommView) {
    StartWindow();
    CommView().AddMessage("从东门收到了正确的回路状态数据.");
    EXPECT_EQ(Find<TMessagePanel>("memMessages")->toPlainText(), "从东门收到了正确的回路状态数据.");
}

class DataAreaResetTest : public WindowFixture {
protected:
    void DoubleClickResetLabel() {
        QLabel* label = Find<QLabel>("lblReset");
        QMouseEvent click(QEvent::MouseButtonDblClick, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(label, &click);
    }
    std::optional<std::string> Password;
    TGetStringRequest Asked;
};

TEST_F(DataAreaResetTest, PasswordIsTakenInAnyCaseAndTheResetGoesOutAfterTheQuestion) {
    StoreStation("东门", 0, 1);
    Prompts.GetString = [this](const TGetStringRequest& request) {
        Asked = request;
        return Password;
    };
    StartWindow();

    Password = "abcd";
    DoubleClickResetLabel();
    EXPECT_EQ(Asked.Caption, "清除数据区");
    EXPECT_EQ(Asked.Prompt, "需要输入口令");
    EXPECT_EQ(Asked.Mask, '*');
    EXPECT_FALSE(Asked.AllowEmpty);
    EXPECT_EQ(LastMessage(), "密码错误.");
    EXPECT_TRUE(Dialogs.Waits.empty());

    Password = "qwvz";
    DoubleClickResetLabel();
    EXPECT_EQ(Dialogs.Questions.back(), "此操作将初始化RTU参数(包括地址码), 确认吗?");
    // The command was handed to the sender under the wait message.
    ASSERT_FALSE(Dialogs.Waits.empty());
    EXPECT_EQ(Dialogs.Waits.front(), std::string("show ") + kWaitSending);
}

TEST_F(DataAreaResetTest, DecliningTheQuestionSendsNothing) {
    StoreStation("东门", 0, 1);
    Prompts.GetString = [](const TGetStringRequest&) { return std::optional<std::string>("QWVZ"); };
    StartWindow();
    Dialogs.ConfirmAnswer = false;
    DoubleClickResetLabel();
    EXPECT_TRUE(Dialogs.Waits.empty());
    Dialogs.ConfirmAnswer = true;
}

}  // namespace
