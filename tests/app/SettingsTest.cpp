#include "app/Settings.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/Paths.h"
#include "platform/ProfileFile.h"
#include "support/TempDir.h"

namespace {

class SettingsTest : public ::testing::Test {
protected:
    // What loading a file without any settings gives.
    static TSettings Loaded() {
        TSettings s;
        s.WaitForSmsSendTimeOut = kMinSmsSendTimeOut;
        return s;
    }

    TempDir Folder_;
    std::string File_ = Folder_ / "rtu-utility.Ini";
};

struct TLoadCase {
    const char* FileText;
    std::function<void(TSettings&)> Expect;  // applied to what an empty file loads
};

TEST_F(SettingsTest, LoadingNormalisesAndFallsBackToDefaults) {
    const TLoadCase cases[] = {
        {"", [](TSettings&) {}},
        {"[System]\r\nRtuAddress=255\r\n", [](TSettings&) {}},
        {"[System]\r\nRtuAddress=-1\r\n", [](TSettings&) {}},
        {"[System]\r\nRtuAddress=254\r\n", [](TSettings& s) { s.RtuAddress = 254; }},
        {"[System]\r\nRtuAddress=1\r\n", [](TSettings& s) { s.RtuAddress = 1; }},
        {"[System]\r\nWaitForSmsSendTimeOut=5000\r\n", [](TSettings&) {}},
        {"[System]\r\nWaitForSmsSendTimeOut=20000\r\n",
         [](TSettings& s) { s.WaitForSmsSendTimeOut = 20000; }},
        {"[System]\r\nPortName=\r\n", [](TSettings&) {}},
        {"[System]\r\nPortName=  \r\n", [](TSettings&) {}},
        {"[System]\r\nPortName=/dev/ttyUSB0\r\n",
         [](TSettings& s) { s.PortName = "/dev/ttyUSB0"; }},
        {"[System]\r\nBaudRate=fast\r\nServerPort=\r\n", [](TSettings&) {}},
        {"[System]\r\nLongitude=east\r\nLatitude=23,5\r\nTimeZone=\r\n", [](TSettings&) {}},
        {"[System]\r\nControlMode=remote\r\nByteSize=300\r\nParity=-1\r\n", [](TSettings&) {}},
        {"[System]\r\nAdjustSunSet=soon\r\nAdjustSunRise=1e300\r\n", [](TSettings&) {}},
        {"[System]\r\nAdjustSunSet=-15\r\nAdjustSunRise=7.6\r\n",
         [](TSettings& s) {
             s.AdjustSunSet = -15;
             s.AdjustSunRise = 8;
         }},
        {"[SYSTEM]\r\ncontrolmode=1\r\nlongitude=102.7\r\n",
         [](TSettings& s) {
             s.ControlMode = 1;
             s.Longitude = 102.7;
         }},
        {"[Other]\r\nRtuAddress=5\r\n", [](TSettings&) {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.FileText);
        WriteWholeFile(File_, c.FileText);
        TSettings expected = Loaded();
        c.Expect(expected);
        EXPECT_EQ(LoadSettings(File_), expected);
    }
}

TEST_F(SettingsTest, SavingWritesEveryKeyInOneSectionWithOneWrite) {
    // An existing section spelt otherwise takes the control mode too: one section, not two.
    WriteWholeFile(File_, "[System]\r\nPortName=\r\nRtuAddress=255\r\n[Other]\r\nKeep=1\r\n");
    TProfileFile watcher(File_);
    const auto writesBefore = watcher.WriteCount();

    SaveSettings(LoadSettings(File_), File_);

    EXPECT_EQ(watcher.WriteCount(), writesBefore + 1);
    EXPECT_EQ(ReadWholeFile(File_),
              "[System]\r\n"
              "PortName=COM1:\r\n"
              "RtuAddress=0\r\n"
              "ControlMode=0\r\n"
              "BaudRate=9600\r\n"
              "ByteSize=8\r\n"
              "StopBits=0\r\n"
              "Parity=0\r\n"
              "ServerPort=1024\r\n"
              "Longitude=103.39\r\n"
              "Latitude=23.37\r\n"
              "TimeZone=8\r\n"
              "AdjustSunSet=0\r\n"
              "AdjustSunRise=0\r\n"
              "LastCommDevice=0\r\n"
              "WaitForSmsSendTimeOut=12000\r\n"
              "[Other]\r\n"
              "Keep=1\r\n");
}

TEST_F(SettingsTest, NewFileSpellsTheSectionAsTheControlModeDoes) {
    SaveSettings(TSettings{}, File_);
    const std::string text = ReadWholeFile(File_);
    EXPECT_EQ(text.rfind("[system]\r\nControlMode=0\r\nPortName=COM1:\r\n", 0), 0u) << text;
    EXPECT_EQ(text.find("[System]"), std::string::npos) << text;
}

TEST_F(SettingsTest, ProgramSettingsRoundTripThroughTheSettingsFile) {
    TScopedProgramFolder program(Folder_.Path());
    TSettings custom;
    custom.ControlMode = 1;
    custom.PortName = "/dev/ttyUSB0";
    custom.BaudRate = 115200;
    custom.ByteSize = 7;
    custom.StopBits = 2;
    custom.Parity = 4;
    custom.ServerPort = 6000;
    custom.Longitude = 102.7;
    custom.Latitude = -33.8688;
    custom.TimeZone = -3.5;
    custom.AdjustSunSet = -15;
    custom.AdjustSunRise = 20;
    custom.RtuAddress = 254;
    custom.LastCommDevice = 2;
    custom.WaitForSmsSendTimeOut = 30000;

    Settings() = custom;
    SaveSettings();
    Settings() = TSettings{};
    LoadSettings();

    EXPECT_EQ(Settings(), custom);
    EXPECT_NE(ReadWholeFile(File_).find("Longitude=102.7\r\n"), std::string::npos);
    Settings() = TSettings{};
}

}  // namespace
