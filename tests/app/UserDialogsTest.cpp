#include "app/UserDialogs.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TRecordingDialogs : public TUserDialogs {
public:
    void ShowMessage(const std::string& text) override { Shown = text; }
    bool Confirm(const std::string& message, const std::string& firstButton,
                 const std::string& secondButton, const std::string& title) override {
        Asked = message + "|" + firstButton + "|" + secondButton + "|" + title;
        return true;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&,
                                        const std::string& initial) override {
        return initial + "!";
    }
    void ShowWaitMessage(const std::string& text) override { Shown = text; }
    void HideWaitMessage() override {}

    std::string Shown, Asked;
};

TEST(UserDialogs, SilentUntilSetAndAgainAfterReset) {
    EXPECT_FALSE(Confirm("删除?"));
    EXPECT_EQ(Dialogs().InputBox("c", "p", "x"), std::nullopt);

    TRecordingDialogs recording;
    SetDialogs(&recording);
    EXPECT_TRUE(Confirm("删除?"));
    EXPECT_EQ(recording.Asked, "删除?|是|否|请确认");
    EXPECT_EQ(Dialogs().InputBox("c", "p", "x"), "x!");

    SetDialogs(nullptr);
    EXPECT_FALSE(Confirm("删除?", "确定", "取消", "标题"));
    EXPECT_NE(&Dialogs(), static_cast<TUserDialogs*>(&recording));
}

}  // namespace
