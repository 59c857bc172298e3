#include "platform/CheckError.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class TFakeControl : public TFocusTarget {
public:
    void TakeFocus() override { ++FocusCount; }
    int FocusCount = 0;
};

using TCheck = void (*)(bool, const std::string&, TFocusTarget*);

struct TCheckCase {
    const char* Name;
    TCheck Check;
    bool Condition;
    bool Raises;
};

const TCheckCase kCases[] = {
    {"RaiseIf(true)", RaiseIf, true, true},
    {"RaiseIf(false)", RaiseIf, false, false},
    {"RaiseIfNot(false)", RaiseIfNot, false, true},
    {"RaiseIfNot(true)", RaiseIfNot, true, false},
};

TEST(CheckError, ChecksRaiseTheirMessageAndFocusTheControlOnlyWhenRaising) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.Name);
        TFakeControl control;
        std::string message;
        try {
            c.Check(c.Condition, "请输入站点名称.", &control);
        } catch (const TCheckError& e) {
            message = e.what();
        }
        EXPECT_EQ(message, c.Raises ? "请输入站点名称." : "");
        EXPECT_EQ(control.FocusCount, c.Raises ? 1 : 0);
    }
}

TEST(CheckError, ChecksWithoutAControlStillRaise) {
    EXPECT_THROW(RaiseIf(true, "x", nullptr), TCheckError);
    EXPECT_THROW(RaiseIfNot(false, "x", nullptr), TCheckError);
    EXPECT_NO_THROW(RaiseIf(false, "x", nullptr));
}

TEST(CheckError, DefaultMessageIsTheGeneralText) {
    auto messageOf = [](auto raise) -> std::string {
        try {
            raise();
        } catch (const std::runtime_error& e) {
            return e.what();
        }
        return "did not raise";
    };
    EXPECT_EQ(messageOf([] { RaiseIf(true); }), kGeneralCheckMessage);
    EXPECT_EQ(messageOf([] { RaiseIfNot(false); }), kGeneralCheckMessage);
    EXPECT_EQ(messageOf([] { RaiseError(); }), kGeneralCheckMessage);
    EXPECT_EQ(messageOf([] { RaiseError("站点编号重复."); }), "站点编号重复.");
}

}  // namespace
