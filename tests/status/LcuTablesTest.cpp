#include "status/LcuTables.h"

#include <gtest/gtest.h>

#include "platform/CheckError.h"
#include "support/RecordingStore.h"

namespace {

TBytes Bytes(std::initializer_list<int> values) {
    TBytes data;
    for (int v : values) data.push_back(static_cast<char>(v));
    return data;
}

// The message of the TCheckError that action raises; fails the test when it raises none.
template <typename Action>
std::string CheckMessage(Action action) {
    try {
        action();
    } catch (const TCheckError& error) {
        return error.what();
    }
    ADD_FAILURE() << "no check error";
    return "<none>";
}

// ---- lamp lists ----------------------------------------------------------------------------

TEST(LampList, ReadsDecimalAndOneByteHexadecimal) {
    const struct {
        std::string text;
        std::vector<int> lamps;
    } cases[] = {
        {"1,2,$0A", {1, 2, 10}},
        {"#ff,$Fe", {255, 254}},
        {" 7 , 8 ", {7, 8}},
        {"007,255", {7, 255}},
        {"", {}},
        {"  ", {}},
        {"3,3", {3, 3}},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseLampList(c.text), c.lamps) << c.text;
}

TEST(LampList, RefusesWhatIsNoLampNumberWithTheGeneralMessage) {
    for (const std::string text :
         {"0", "256", "$00", "$1", "$100", "#G1", "$", "#", "1,,2", "1,", ",1", "1;2", "a", "-1",
          "+1", "1 2", "99999999999999999999", "1A", "0x1F"}) {
        EXPECT_EQ(CheckMessage([&] { ParseLampList(text); }), kGeneralCheckMessage) << text;
    }
}

TEST(LampList, LowerBoundCanAdmitZero) {
    EXPECT_EQ(ParseLampList("0,$00", 0), (std::vector<int>{0, 0}));
    EXPECT_THROW(ParseLampList("256", 0), TCheckError);
}

// ---- phase table ---------------------------------------------------------------------------

TEST(LcuPhaseTable, LampsArePackedTwoBitsEachHighestFirst) {
    TRtu6LCUPhaseTable table;
    EXPECT_EQ(table.Encode(), "");
    table.SetPhase(1, 2);
    EXPECT_EQ(table.Encode(), Bytes({0x80}));
    table.SetPhase(4, 3);
    EXPECT_EQ(table.Encode(), Bytes({0x83}));
    table.SetPhase(1, 1);  // replaces, does not add bits
    EXPECT_EQ(table.Encode(), Bytes({0x43}));
    EXPECT_EQ(table.Phase(1), 1);
    EXPECT_EQ(table.Phase(4), 3);
    EXPECT_EQ(table.Phase(2), 0);

    TRtu6LCUPhaseTable lamp9;
    lamp9.SetPhase(9, 1);
    EXPECT_EQ(lamp9.Encode(), Bytes({0x00, 0x00, 0x40}));

    TRtu6LCUPhaseTable lamp256;
    lamp256.SetPhase(256, 3);
    EXPECT_EQ(lamp256.Encode(), TBytes(63, '\0') + Bytes({0x03}));
    EXPECT_EQ(lamp256.Phase(256), 3);
}

TEST(LcuPhaseTable, OutOfRangeLampsAndPhasesAreIgnored) {
    TRtu6LCUPhaseTable table;
    table.SetPhase(0, 1);
    table.SetPhase(257, 1);
    table.SetPhase(5, 4);
    table.SetPhase(5, -1);
    EXPECT_EQ(table.Encode(), "");
    EXPECT_EQ(table.Phase(0), 0);
    EXPECT_EQ(table.Phase(257), 0);
}

TEST(LcuPhaseTable, LoadFromBytes) {
    TRtu6LCUPhaseTable table;
    ASSERT_TRUE(table.LoadFromBytes(TBytes(64, '\xFF')));
    EXPECT_EQ(table.Phase(256), 3);

    EXPECT_FALSE(table.LoadFromBytes(TBytes(65, '\x55')));
    EXPECT_EQ(table.Encode(), "");
    EXPECT_EQ(table.Phase(1), 0);

    ASSERT_TRUE(table.LoadFromBytes(Bytes({0x1B, 0x00, 0x40, 0x00})));
    EXPECT_EQ(table.Encode(), Bytes({0x1B, 0x00, 0x40}));
    EXPECT_EQ(table.LampsOfPhase(1), "2,9");
    EXPECT_EQ(table.LampsOfPhase(2), "3");
    EXPECT_EQ(table.LampsOfPhase(3), "4");
    EXPECT_TRUE(table.LoadFromBytes(""));
    EXPECT_EQ(table.Encode(), "");
}

TEST(LcuPhaseTable, LampsOfPhaseReplacesOnlyThatPhase) {
    TRtu6LCUPhaseTable table;
    table.SetPhase(5, 2);
    table.SetLampsOfPhase(1, "1,2,$0A");
    EXPECT_EQ(table.LampsOfPhase(1), "1,2,10");
    EXPECT_EQ(table.Phase(10), 1);

    table.SetLampsOfPhase(1, "3");
    EXPECT_EQ(table.LampsOfPhase(1), "3");
    EXPECT_EQ(table.LampsOfPhase(2), "5");

    // A lamp moves from another phase into the listed one.
    table.SetLampsOfPhase(3, "5");
    EXPECT_EQ(table.LampsOfPhase(2), "");
    EXPECT_EQ(table.LampsOfPhase(3), "5");

    for (const std::string bad : {"0", "256", "3;4"}) {
        EXPECT_EQ(CheckMessage([&] { table.SetLampsOfPhase(1, bad); }), kGeneralCheckMessage);
        EXPECT_EQ(table.LampsOfPhase(1), "3") << "a bad text leaves the table as it was";
    }

    table.SetLampsOfPhase(4, "zz");  // no such phase: nothing happens, nothing is read
    table.SetLampsOfPhase(0, "7");
    EXPECT_EQ(table.LampsOfPhase(0), "");
    EXPECT_EQ(table.LampsOfPhase(4), "");
    EXPECT_EQ(table.Phase(7), 0);

    table.SetLampsOfPhase(1, "");
    EXPECT_EQ(table.LampsOfPhase(1), "");
}

// ---- lamp states ---------------------------------------------------------------------------

TEST(LcuStatus, RepliesAreAcceptedOnlyInTheirTwoShapes) {
    TBytes full(1, '\xFF');
    for (int lamp = 1; lamp <= 255; ++lamp) full += Bytes({lamp, lamp & 0x7F});
    const struct {
        TBytes reply;
        bool accepted;
    } cases[] = {
        {Bytes({0x02, 0x05, 0x11, 0x07, 0x22}), true},
        {Bytes({0x00}), true},
        {full, true},
        {Bytes({0x02, 0x05, 0x11}), false},
        {Bytes({0x01, 0x05, 0x11, 0x00}), false},
        {Bytes({0x01}), false},
        {Bytes({0x01, 0x00}), false},
        {Bytes({0x00, 0x00}), false},
        {Bytes({0x00, 0x05, 0x11}), false},
        {"", false},
    };
    for (const auto& c : cases) {
        TRtu6LCUStatus status;
        status.SetLampStatus(200, 0x33);
        EXPECT_EQ(status.LoadFromBytes(c.reply), c.accepted) << BytesToHexText(c.reply);
        if (c.accepted) {
            EXPECT_EQ(status.Encode(), c.reply) << BytesToHexText(c.reply);
        } else {
            EXPECT_EQ(status.Encode(), Bytes({0x01, 200, 0x33}))
                << "a refused reply changes nothing";
        }
    }
}

TEST(LcuStatus, StatesOfAReply) {
    TRtu6LCUStatus status;
    EXPECT_EQ(status.Encode(), Bytes({0x00}));
    EXPECT_EQ(status.LampStatus(1), 0x80);

    // Out of order, a lamp 0 and a "no data" state: Encode lists what is known, ascending.
    ASSERT_TRUE(
        status.LoadFromBytes(Bytes({0x04, 0x07, 0x22, 0x05, 0x11, 0x00, 0x01, 0x09, 0x90})));
    EXPECT_EQ(status.LampStatus(5), 0x11);
    EXPECT_EQ(status.LampStatus(7), 0x22);
    EXPECT_EQ(status.LampStatus(9), 0x80);
    EXPECT_EQ(status.LampStatus(0), 0x80);
    EXPECT_EQ(status.LampStatus(256), 0x80);
    EXPECT_EQ(status.Encode(), Bytes({0x02, 0x05, 0x11, 0x07, 0x22}));

    ASSERT_TRUE(status.LoadFromBytes(Bytes({0x00})));
    EXPECT_EQ(status.LampStatus(5), 0x80);
    EXPECT_EQ(status.Encode(), Bytes({0x00}));
}

TEST(LcuStatus, SetLampStatus) {
    TRtu6LCUStatus status;
    status.SetLampStatus(255, 0x7F);
    status.SetLampStatus(3, 0x00);
    status.SetLampStatus(4, 0x90);
    status.SetLampStatus(0, 0x01);
    status.SetLampStatus(256, 0x01);
    EXPECT_EQ(status.LampStatus(4), 0x80);
    EXPECT_EQ(status.Encode(), Bytes({0x02, 0x03, 0x00, 0xFF, 0x7F}));
    status.SetLampStatus(3, 0xFF);
    EXPECT_EQ(status.Encode(), Bytes({0x01, 0xFF, 0x7F}));
}

class StatementStore : public RecordingStore {
public:
    bool ExecSql(const std::string& statement) override {
        Statements.push_back(statement);
        return true;
    }
    std::vector<std::string> Statements;
};

TEST(LcuStatus, SaveToDatabaseWritesTheStatesWithTheirCrc) {
    TRtu6LCUStatus status;
    ASSERT_TRUE(status.LoadFromBytes(Bytes({0x02, 0x05, 0x11, 0x07, 0x22})));
    {
        StatementStore store;
        EXPECT_TRUE(status.SaveToDatabase(12));
        ASSERT_EQ(store.Statements.size(), 1u);
        EXPECT_EQ(store.Statements[0],
                  "UPDATE t_RtuStatus SET LCUData = '02051107221122' WHERE RtuAddress = 12");
    }
    RecordingStore iniLike;  // ignores statements
    EXPECT_FALSE(status.SaveToDatabase(12));
    EXPECT_FALSE(status.SaveToDatabase(12, nullptr));
}

// ---- guard addresses -----------------------------------------------------------------------

TEST(LcuGuardAddresses, SetFromText) {
    TRtu6GuardAddressTable table;
    table.SetFromText("1, 2,#FF");
    EXPECT_EQ(table.Encode(), Bytes({0x01, 0x02, 0xFF}));
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(table.Address(3), 255);

    table.SetFromText(" 0,$1f,\r\n3-4 ");  // blanks, line breaks and dashes are dropped
    EXPECT_EQ(table.Encode(), Bytes({0x00, 0x1F, 34}));
    EXPECT_EQ(table.AsText(), "0,31,34");

    table.SetFromText("");
    EXPECT_EQ(table.Encode(), "");
}

TEST(LcuGuardAddresses, BadTextsRaise) {
    TRtu6GuardAddressTable table;
    // A character outside the list alphabet raises with an empty message...
    for (const std::string text : {"1;2", "1\t2", "1.5", "G1", "1,x"})
        EXPECT_EQ(CheckMessage([&] { table.SetFromText(text); }), "") << text;
    // ...an allowed character in the wrong place with the general message.
    std::string values65;
    for (int i = 1; i <= 65; ++i) values65 += (i > 1 ? "," : "") + std::to_string(i);
    for (const std::string& text : std::vector<std::string>{"256", "$1", "1,,2", "1A", values65})
        EXPECT_EQ(CheckMessage([&] { table.SetFromText(text); }), kGeneralCheckMessage) << text;
}

TEST(LcuGuardAddresses, AsTextBreaksLinesAndReadsBack) {
    TRtu6GuardAddressTable table;
    std::string values64;
    for (int i = 1; i <= 64; ++i) values64 += (i > 1 ? "," : "") + std::to_string(i + 100);
    table.SetFromText(values64);
    EXPECT_EQ(table.Count(), 64);

    TRtu6GuardAddressTable nine;
    nine.SetFromText("1,2,3,4,5,6,7,8,9");
    EXPECT_EQ(nine.AsText(), "1,2,3,4,5,6,7,8,\r\n9");

    TRtu6GuardAddressTable copy;
    copy.SetFromText(table.AsText());
    EXPECT_EQ(copy.Encode(), table.Encode());
}

TEST(LcuGuardAddresses, LoadFromBytes) {
    TRtu6GuardAddressTable table;
    ASSERT_TRUE(table.LoadFromBytes(TBytes(64, '\x07')));
    EXPECT_EQ(table.Count(), 64);
    EXPECT_FALSE(table.LoadFromBytes(TBytes(65, '\x07')));
    EXPECT_EQ(table.Encode(), "");
    ASSERT_TRUE(table.LoadFromBytes(Bytes({0x05, 0x00, 0xC8, 0x00})));
    EXPECT_EQ(table.AsText(), "5,0,200");
    ASSERT_TRUE(table.LoadFromBytes(Bytes({0x00})));
    EXPECT_EQ(table.Encode(), "");
}

// ---- guard messages ------------------------------------------------------------------------

TEST(LcuGuardMessages, LoadFromBytesAndText) {
    TRtu6GuardMessages messages;
    EXPECT_EQ(messages.Encode(), TBytes(10, '\0'));
    const TBytes ten = Bytes({1, 2, 3, 4, 5, 6, 7, 8, 9, 0xAB});
    ASSERT_TRUE(messages.LoadFromBytes(ten));
    EXPECT_EQ(messages.Encode(), ten);
    EXPECT_EQ(messages.AsText(), "01 02 - 03 04 05 06 07 08 09 AB");

    for (const TBytes& bad : {TBytes(9, '\1'), TBytes(11, '\1'), TBytes(), Bytes({0x01})}) {
        ASSERT_TRUE(messages.LoadFromBytes(ten));
        EXPECT_FALSE(messages.LoadFromBytes(bad)) << bad.size();
        EXPECT_EQ(messages.Encode(), TBytes(10, '\0'));
    }
    ASSERT_TRUE(messages.LoadFromBytes(ten));
    EXPECT_TRUE(messages.LoadFromBytes(Bytes({0x00})));
    EXPECT_EQ(messages.AsText(), "00 00 - 00 00 00 00 00 00 00 00");
}

// ---- active lamps --------------------------------------------------------------------------

TEST(LcuOkLamps, OneBitPerLampHighestFirst) {
    TRtu6OkLampAddressTable table;
    table.SetFromText("1,8,9");
    EXPECT_EQ(table.Encode(), Bytes({0x81, 0x80}));
    EXPECT_EQ(table.AsText(), "1,8,9");
    EXPECT_TRUE(table.Contains(8));
    EXPECT_FALSE(table.Contains(2));

    table.SetFromText("$FF, 3,\r\n2");  // replaces the previous set
    EXPECT_EQ(table.AsText(), "2,3,255");
    table.Add(256);
    table.Add(0);
    table.Add(257);
    EXPECT_EQ(table.Encode(), Bytes({0x60}) + TBytes(30, '\0') + Bytes({0x03}));
}

TEST(LcuOkLamps, AsTextBreaksLinesAndReadsBack) {
    TRtu6OkLampAddressTable table;
    table.SetFromText("20,19,18,17,16,15,14,13,12,11,10,9,8,7,6,5,4,3,2,1");
    EXPECT_EQ(table.AsText(), "1,2,3,4,5,6,7,8,\r\n9,10,11,12,13,14,15,16,\r\n17,18,19,20");
    TRtu6OkLampAddressTable copy;
    copy.SetFromText(table.AsText());
    EXPECT_EQ(copy.Encode(), table.Encode());
}

TEST(LcuOkLamps, BadInput) {
    TRtu6OkLampAddressTable table;
    EXPECT_EQ(CheckMessage([&] { table.SetFromText("0"); }), kGeneralCheckMessage);
    EXPECT_EQ(CheckMessage([&] { table.SetFromText("256"); }), kGeneralCheckMessage);
    EXPECT_EQ(CheckMessage([&] { table.SetFromText("1;2"); }), "");

    ASSERT_TRUE(table.LoadFromBytes(TBytes(32, '\xFF')));
    EXPECT_TRUE(table.Contains(256));
    EXPECT_FALSE(table.LoadFromBytes(TBytes(33, '\xFF')));
    EXPECT_EQ(table.Encode(), "");
    EXPECT_EQ(table.AsText(), "");
}

// ---- communication faults ------------------------------------------------------------------

TEST(LcuFaults, TwoLampsPerByteHighNibbleFirst) {
    TRtu6TimeOutLampAddressTable table;
    ASSERT_TRUE(table.LoadFromBytes(Bytes({0xA5})));
    EXPECT_EQ(table.Fault(1), 0x0A);
    EXPECT_EQ(table.Fault(2), 0x05);
    EXPECT_EQ(table.Fault(3), 0);
    EXPECT_EQ(table.AsText(), "01 0A 02 05");

    // Four lamps a line; lamp 256 shows as 00.
    TBytes data(128, '\0');
    data[0] = '\x12';
    data[1] = '\x34';
    data[2] = '\x50';
    data[127] = '\x0F';
    ASSERT_TRUE(table.LoadFromBytes(data));
    EXPECT_EQ(table.Fault(256), 0x0F);
    EXPECT_EQ(table.AsText(), "01 01 02 02 03 03 04 04\r\n05 05 00 0F");
}

TEST(LcuFaults, LoadFromBytesClears) {
    TRtu6TimeOutLampAddressTable table;
    ASSERT_TRUE(table.LoadFromBytes(Bytes({0x11, 0x11})));
    ASSERT_TRUE(table.LoadFromBytes(Bytes({0x10})));
    EXPECT_EQ(table.Fault(3), 0);
    EXPECT_EQ(table.AsText(), "01 01");
    EXPECT_FALSE(table.LoadFromBytes(TBytes(129, '\x11')));
    EXPECT_EQ(table.Fault(1), 0);
    EXPECT_EQ(table.AsText(), "");
    EXPECT_TRUE(table.LoadFromBytes(""));
}

// ---- item 71 commands ----------------------------------------------------------------------

TEST(LcuCommand, Layouts) {
    const std::uint8_t heads12 = LcuCommand::HeadsByte({true, true, false, false});
    const std::uint8_t head1 = LcuCommand::HeadsByte({true, false, false, false});
    EXPECT_EQ(LcuCommand::HeadsByte({false, false, false, true}), 0x08);
    EXPECT_EQ(LcuCommand::SavingHeadsByte({true, false}, {false, true}), 0x09);

    const struct {
        TPayload data;
        TBytes expected;
    } writes[] = {
        {LcuCommand::SwitchLamps({3, 4}, heads12), Bytes({0x02, 0x03, 0x03, 0x04, 0x03})},
        {LcuCommand::SwitchEven(head1), Bytes({0x01, 0x00, 0x51})},
        {LcuCommand::SwitchOdd(head1), Bytes({0x01, 0x00, 0x41})},
        {LcuCommand::SwitchAll(0x0F), Bytes({0x01, 0x00, 0x0F})},
        {LcuCommand::SwitchAll(0x00), Bytes({0x01, 0x00, 0x00})},
    };
    for (const auto& w : writes) {
        ASSERT_TRUE(w.data.has_value());
        EXPECT_EQ(*w.data, w.expected);
        EXPECT_TRUE(Payload::LcuCommand(*w.data).has_value()) << "the write command sends it";
    }
    EXPECT_EQ(LcuCommand::ReadAll(), Bytes({0x01, 0x00}));
    EXPECT_EQ(LcuCommand::ReadLamps({5, 255}), Bytes({0x02, 0x05, 0xFF}));
}

TEST(LcuCommand, ListsOfOneTo31Lamps) {
    std::vector<int> lamps;
    for (int lamp = 1; lamp <= 31; ++lamp) lamps.push_back(lamp);
    const TPayload switch31 = LcuCommand::SwitchLamps(lamps, 0x01);
    ASSERT_TRUE(switch31.has_value());
    EXPECT_EQ(switch31->size(), 63u);
    EXPECT_TRUE(Payload::LcuCommand(*switch31).has_value());
    EXPECT_EQ(LcuCommand::ReadLamps(lamps)->size(), 32u);

    lamps.push_back(32);
    for (const std::vector<int>& bad :
         {lamps, std::vector<int>{}, std::vector<int>{0}, std::vector<int>{1, 256}}) {
        EXPECT_FALSE(LcuCommand::SwitchLamps(bad, 0x01).has_value()) << bad.size();
        EXPECT_FALSE(LcuCommand::ReadLamps(bad).has_value()) << bad.size();
    }
}

}  // namespace
