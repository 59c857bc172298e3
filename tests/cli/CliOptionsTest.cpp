// The command line of the client: the two roads, the commands with their items and data,
// and the command lines it refuses.

#include "cli/CliOptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "protocol/Catalogue.h"

namespace {

using TKind = TCliCommand::TKind;

std::optional<TCliOptions> Parse(const std::vector<std::string>& args,
                                 std::string* error = nullptr) {
    std::string text;
    auto options = ParseCliOptions(args, text);
    if (error) *error = text;
    return options;
}

TEST(CliOptions, SerialRoadWithEveryOption) {
    const auto options = Parse({"--data-dir", "/tmp/x", "--serial", "/dev/pts/3", "--baud", "19200",
                                "--format", "sms", "--address", "7", "status"});
    ASSERT_TRUE(options);
    EXPECT_FALSE(options->Remote);
    EXPECT_EQ(options->PortName, "/dev/pts/3");
    EXPECT_EQ(options->BaudRate, 19200);
    EXPECT_TRUE(options->ShortMessageFormat);
    EXPECT_EQ(options->Address, 7);
    EXPECT_EQ(options->Commands, (std::vector<TCliCommand>{{TKind::Read, Item::LoopStatus, ""}}));
}

TEST(CliOptions, RemoteRoadWithItsDefaults) {
    const auto options = Parse({"--remote", "--station", "一号柜", "version"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->Remote);
    EXPECT_EQ(options->StationName, "一号柜");
    EXPECT_EQ(options->ServerPort, 1024);
    EXPECT_EQ(options->WaitSeconds, 60);
    EXPECT_EQ(options->SendGapMs, -1);
    const auto tuned = Parse({"--data-dir=/tmp/y", "--remote", "--port", "6000", "--wait", "3",
                              "--send-gap", "0", "--station", "A", "version"});
    ASSERT_TRUE(tuned);
    EXPECT_EQ(tuned->ServerPort, 6000);
    EXPECT_EQ(tuned->WaitSeconds, 3);
    EXPECT_EQ(tuned->SendGapMs, 0);
}

TEST(CliOptions, CommandsFollowOneAnotherWithTheirItemsAndData) {
    const auto options = Parse({"--serial",  "COM1",
                                "--address", "5",     // road
                                "read",      "161",   // by number
                                "read",      "0xA0",  // hexadecimal number
                                "read",      "单灯控制器状态",
                                "01 00",  // by name, with data
                                "write",     "控制端地址码",
                                "07",  // write by name
                                "write",     "180",
                                "0050",      "set-clock",  // data without spaces
                                "plans",     "options",
                                "00 01",     "params"});
    ASSERT_TRUE(options);
    const std::vector<TCliCommand> expected = {
        {TKind::Read, Item::CenterAddress, ""},
        {TKind::Read, Item::RtuAddress, ""},
        {TKind::Read, Item::LcuStatus, TBytes("\x01\x00", 2)},
        {TKind::Write, Item::CenterAddress, "\x07"},
        {TKind::Write, Item::RtuTimeZone, TBytes("\x00\x50", 2)},
        {TKind::SetClock, Item::RtuClock, ""},
        {TKind::Read, Item::FixedTimer, ""},
        {TKind::Write, Item::Options, TBytes("\x00\x01", 2)},
        {TKind::Read, Item::AdvancedOptions, ""},
    };
    EXPECT_EQ(options->Commands, expected);
}

TEST(CliOptions, NamedReadsOfTheCommonJobs) {
    const std::vector<std::pair<std::string, int>> names = {
        {"status", Item::LoopStatus},    {"alarms", Item::Alarms},
        {"energy", Item::Energy},        {"plans", Item::FixedTimer},
        {"work-table", Item::WorkTable}, {"params", Item::AdvancedOptions},
        {"options", Item::Options},      {"version", Item::VersionInfo}};
    for (const auto& [name, item] : names) {
        const auto options = Parse({"--serial", "COM1", "--address", "5", name});
        ASSERT_TRUE(options) << name;
        EXPECT_EQ(options->Commands, (std::vector<TCliCommand>{{TKind::Read, item, ""}})) << name;
    }
}

TEST(CliOptions, RefusedCommandLinesSayWhy) {
    struct TCase {
        std::vector<std::string> Args;
        std::string Error;
    };
    const std::vector<TCase> cases = {
        {{"status"}, "give either --serial PORT or --remote"},
        {{"--serial", "COM1", "--remote", "--station", "A", "status"},
         "give either --serial PORT or --remote"},
        {{"--serial", "COM1", "status"}, "--serial needs --address N"},
        {{"--remote", "status"}, "--remote needs --station NAME"},
        {{"--serial", "COM1", "--address", "5"}, "no command given"},
        {{"--serial", "COM1", "--address", "255", "status"},
         "--address wants a number from 1 to 254, not \"255\""},
        {{"--serial", "COM1", "--address", "x5", "status"},
         "--address wants a number from 1 to 254, not \"x5\""},
        {{"--serial", "COM1", "--address"}, "--address needs a value"},
        {{"--serial", "COM1", "--format", "fax", "--address", "5", "status"},
         "--format is radio or sms, not \"fax\""},
        {{"--serial", "COM1", "--address", "5", "read"}, "read needs an item (number or name)"},
        {{"--serial", "COM1", "--address", "5", "read", "179"}, "\"179\" is not a data item"},
        {{"--serial", "COM1", "--address", "5", "read", "开关"}, "\"开关\" is not a data item"},
        {{"--serial", "COM1", "--address", "5", "write", "161"},
         "write needs the item and its data in hexadecimal"},
        {{"--serial", "COM1", "--address", "5", "write", "161", "0G"},
         "\"0G\" is not hexadecimal data"},
        {{"--serial", "COM1", "--address", "5", "reboot"}, "unknown command \"reboot\""},
        {{"--serial", "COM1", "--address", "5", "--verbose", "status"}, "unknown option --verbose"},
    };
    for (const TCase& c : cases) {
        std::string error;
        EXPECT_FALSE(Parse(c.Args, &error)) << c.Error;
        EXPECT_EQ(error, c.Error);
    }
}

TEST(CliOptions, HelpNeedsNothingElse) {
    const auto options = Parse({"--help"});
    ASSERT_TRUE(options);
    EXPECT_TRUE(options->Help);
}

TEST(CliOptions, ItemArgumentsByNumberOrCatalogueName) {
    for (const TCatalogueEntry& entry : CatalogueEntries()) {
        EXPECT_EQ(ItemArgument(entry.Name), entry.Id) << entry.Name;
        EXPECT_EQ(ItemArgument(std::to_string(entry.Id)), entry.Id);
    }
    EXPECT_EQ(ItemArgument("0xb4"), Item::RtuTimeZone);
    for (const char* text : {"", "0", "179", "256", "-1", "0x", "1e2", kUnknownItemName})
        EXPECT_EQ(ItemArgument(text), std::nullopt) << text;
}

}  // namespace
