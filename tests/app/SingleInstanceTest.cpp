#include "app/SingleInstance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "support/TempDir.h"

extern char** environ;

namespace {

constexpr const char* kName = "rtu-utility";

class SingleInstanceTest : public ::testing::Test {
protected:
    // A child process that takes the marker and then waits to be killed; answers its pid once
    // it holds the marker, or -1.
    pid_t StartHolder() {
        int ready[2];
        if (::pipe(ready) != 0) return -1;
        pid_t pid = ::fork();
        if (pid == 0) {
            ::close(ready[0]);
            TSingleInstanceGuard guard;
            char answer = guard.Acquire(kName, Folder_.Path()) == TInstanceLock::Acquired;
            if (::write(ready[1], &answer, 1) != 1 || !answer) ::_exit(1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char answer = 0;
        bool held = ::read(ready[0], &answer, 1) == 1 && answer;
        ::close(ready[0]);
        if (held) return pid;
        ::waitpid(pid, nullptr, 0);
        return -1;
    }

    static void KillHard(pid_t pid) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }

    TempDir Folder_;
};

TEST_F(SingleInstanceTest, SecondRunIsRefusedUntilTheFirstReleases) {
    TSingleInstanceGuard first, second;
    ASSERT_EQ(first.Acquire(kName, Folder_.Path()), TInstanceLock::Acquired);
    EXPECT_EQ(first.LockFile(), Folder_ / ("rtu-utility." + std::to_string(::getuid()) + ".lock"));
    EXPECT_EQ(first.Acquire(kName, Folder_.Path()), TInstanceLock::Acquired);  // still ours

    EXPECT_EQ(second.Acquire(kName, Folder_.Path()), TInstanceLock::Busy);
    EXPECT_FALSE(second.Held());
    EXPECT_EQ(second.Acquire("other-program", Folder_.Path()), TInstanceLock::Acquired);
    second.Release();

    first.Release();
    EXPECT_EQ(second.Acquire(kName, Folder_.Path()), TInstanceLock::Acquired);
}

TEST_F(SingleInstanceTest, KilledHolderDoesNotBlockTheNextRun) {
    pid_t holder = StartHolder();
    ASSERT_GT(holder, 0);
    TSingleInstanceGuard guard;
    EXPECT_EQ(guard.Acquire(kName, Folder_.Path()), TInstanceLock::Busy);

    KillHard(holder);
    EXPECT_EQ(guard.Acquire(kName, Folder_.Path()), TInstanceLock::Acquired);
}

TEST_F(SingleInstanceTest, ProgramsStartedByTheHolderDoNotInheritTheMarker) {
    pid_t helper = -1;
    {
        TSingleInstanceGuard guard;
        ASSERT_EQ(guard.Acquire(kName, Folder_.Path()), TInstanceLock::Acquired);
        char sleep[] = "sleep", seconds[] = "60";
        char* argv[] = {sleep, seconds, nullptr};
        ASSERT_EQ(::posix_spawnp(&helper, "sleep", nullptr, nullptr, argv, environ), 0);
    }
    TSingleInstanceGuard next;
    EXPECT_EQ(next.Acquire(kName, Folder_.Path()), TInstanceLock::Acquired);
    KillHard(helper);
}

TEST_F(SingleInstanceTest, MissingFolderIsAFailureNotABusyMarker) {
    TSingleInstanceGuard guard;
    EXPECT_EQ(guard.Acquire(kName, Folder_ / "missing"), TInstanceLock::Failed);
    EXPECT_FALSE(guard.Held());
}

}  // namespace
