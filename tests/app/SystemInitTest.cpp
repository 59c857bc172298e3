#include "app/SystemInit.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/Paths.h"
#include "app/SingleInstance.h"
#include "comm/ModeTiming.h"
#include "platform/CheckError.h"
#include "protocol/Rtu6Class.h"
#include "stations/Station6Class.h"
#include "stations/udiTest.h"
#include "support/RecordingDialogs.h"
#include "support/TempDir.h"

TEST(SystemInit, CreatesAndFreesTheSharedObjects) {
    TempDir dir;
    TScopedProgramFolder folder(dir.Path());
    WriteWholeFile(SettingsFile(), "[System]\r\nRtuAddress=255\r\nPortName=\r\n");
    ReplyTimeout = 1;

    InitSystem();
    ASSERT_NE(CurrentStation(), nullptr);
    EXPECT_EQ(CurrentStation()->Name(), "测试站点");
    EXPECT_EQ(CurrentStation()->StationId(), 1);
    EXPECT_EQ(CurrentStation()->LinkKind(), 0);
    EXPECT_EQ(CurrentStation()->LoopCount(), 16);
    ASSERT_NE(CurrentRtu(), nullptr);
    EXPECT_EQ(CurrentRtu()->Address, 1);
    EXPECT_EQ(CurrentRtu()->Station, CurrentStation());
    EXPECT_EQ(GlobalStore(), LocalStore());
    EXPECT_EQ(ReplyTimeout, kDirectReplyTimeout);
    EXPECT_EQ(SendGap, kDirectSendGap);
    // The settings file holds the normalised values at once.
    const std::string settings = ReadWholeFile(SettingsFile());
    EXPECT_NE(settings.find("RtuAddress=0\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("PortName=COM1:\r\n"), std::string::npos) << settings;
    EXPECT_NE(settings.find("WaitForSmsSendTimeOut=12000\r\n"), std::string::npos) << settings;

    // The store is the one in the program folder.
    EXPECT_EQ(LocalStore()->AddStation("站", 0, 0, "", 3), 1);
    EXPECT_FALSE(ReadWholeFile(dir / "StationsInfo.Ini").empty());

    DoneSystem();
    EXPECT_EQ(CurrentStation(), nullptr);
    EXPECT_EQ(CurrentRtu(), nullptr);
    EXPECT_EQ(GlobalStore(), nullptr);
    EXPECT_THROW(RequireStore(), TCheckError);
}

TEST(SystemInit, SecondStartIsRefusedUntilTheFirstDies) {
    TempDir dir;
    ::setenv("XDG_RUNTIME_DIR", dir.Path().c_str(), 1);
    const std::string dataDir = "--data-dir=" + dir.Path();
    const char* argv[] = {"rtu-utility", dataDir.c_str()};

    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t first = ::fork();
    ASSERT_GE(first, 0);
    if (first == 0) {
        const char ok = InitApplication(2, argv) ? '1' : '0';
        (void)::write(ready[1], &ok, 1);
        ::pause();
        ::_exit(0);
    }
    char ok = 0;
    ASSERT_EQ(::read(ready[0], &ok, 1), 1);
    EXPECT_EQ(ok, '1');

    {
        RecordingDialogs dialogs;
        EXPECT_FALSE(InitApplication(2, argv));
        ASSERT_EQ(dialogs.Messages.size(), 1u);
        EXPECT_EQ(dialogs.Messages[0], kAlreadyRunningMessage);
    }

    ::kill(first, SIGKILL);
    ::waitpid(first, nullptr, 0);
    RecordingDialogs dialogs;
    EXPECT_TRUE(InitApplication(2, argv));
    EXPECT_TRUE(dialogs.Messages.empty());
    DoneApplication();
    ::unsetenv("XDG_RUNTIME_DIR");
}

TEST(SystemInit, SelectingAStoredStationSetsUpTheSession) {
    TempDir dir;
    TScopedProgramFolder folder(dir.Path());
    InitSystem();
    const int number = LocalStore()->AddStation("东门", 2, 0x0003, "13800000001", 7);
    ASSERT_TRUE(LocalStore()->SetIpRoute(number, "127.0.0.1", 5001));
    ASSERT_TRUE(SelectStoredStation(number));
    EXPECT_EQ(CurrentStation()->StationId(), number);
    EXPECT_EQ(CurrentStation()->Name(), "东门");
    EXPECT_EQ(CurrentStation()->DeviceId(), "13800000001");
    EXPECT_EQ(CurrentStation()->IpPort(), 5001);
    EXPECT_EQ(CurrentStation()->StreetLampMask(), 0x0003);
    EXPECT_EQ(CurrentRtu()->Address, 7);
    EXPECT_EQ(CurrentRtu()->IpAddress(), "127.0.0.1");
    EXPECT_FALSE(SelectStoredStation(number + 1));
    EXPECT_EQ(CurrentStation()->Name(), "东门");
    DoneSystem();
    EXPECT_FALSE(SelectStoredStation(number));
}
