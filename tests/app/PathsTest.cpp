#include "app/Paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/TempDir.h"

namespace fs = std::filesystem;

namespace {

TEST(Paths, SettingsFileIsNamedAfterTheExecutable) {
    struct TCase {
        const char *Folder, *Exe, *ProgramFolder, *SettingsFile, *LogFolder;
    };
    const TCase cases[] = {
        {"/opt/rtu", "rtu-utility", "/opt/rtu", "/opt/rtu/rtu-utility.Ini", "/opt/rtu/Log"},
        {"/opt/rtu/", "RtuUtility.exe", "/opt/rtu", "/opt/rtu/RtuUtility.Ini", "/opt/rtu/Log"},
        {"/opt/rtu", "rtu.v2.exe", "/opt/rtu", "/opt/rtu/rtu.v2.Ini", "/opt/rtu/Log"},
        {"D:\\Rtu\\", "Rtu.exe", "D:/Rtu", "D:/Rtu/Rtu.Ini", "D:/Rtu/Log"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Folder) + " " + c.Exe);
        const TProgramPaths paths = PathsInFolder(c.Folder, c.Exe);
        EXPECT_EQ(paths.ExecutableName, c.Exe);
        EXPECT_EQ(paths.ProgramFolder, c.ProgramFolder);
        EXPECT_EQ(paths.SettingsFile, c.SettingsFile);
        EXPECT_EQ(paths.LogFolder, c.LogFolder);
    }
}

TEST(Paths, DataDirArgument) {
    struct TCase {
        std::vector<const char*> Argv;
        const char* Expected;
    };
    const TCase cases[] = {
        {{"rtu-utility"}, ""},
        {{"rtu-utility", "--data-dir", "/srv/a"}, "/srv/a"},
        {{"rtu-utility", "--data-dir=/srv/b"}, "/srv/b"},
        {{"rtu-utility", "--data-dir"}, ""},
        {{"rtu-utility", "--data-directory=/srv/c"}, ""},
        {{"rtu-utility", "--data-dir", "/srv/a", "-x", "--data-dir=/srv/b"}, "/srv/b"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Argv.size() > 1 ? c.Argv.back() : "no arguments");
        EXPECT_EQ(DataDirArgument(static_cast<int>(c.Argv.size()), c.Argv.data()), c.Expected);
    }
}

class ResolvePathsTest : public ::testing::Test {
protected:
    ResolvePathsTest() { fs::create_directory(Bin_); }

    TempDir Folder_;
    std::string Bin_ = Folder_ / "bin";
    std::string Exe_ = Bin_ + "/rtu-utility";
};

TEST_F(ResolvePathsTest, WritableExecutableFolderIsTheProgramFolder) {
    const TProgramPaths paths = ResolvePaths(Exe_, "", {"", Folder_ / "xdg", Folder_ / "home"});
    EXPECT_EQ(paths.ProgramFolder, Bin_);
    EXPECT_EQ(paths.SettingsFile, Bin_ + "/rtu-utility.Ini");
    EXPECT_EQ(paths.LogFolder, Bin_ + "/Log");
    EXPECT_TRUE(fs::is_empty(Bin_));  // the write probe leaves nothing behind
    EXPECT_FALSE(fs::exists(Folder_ / "xdg"));
}

TEST_F(ResolvePathsTest, DataDirArgumentThenEnvironmentOverride) {
    const std::string argument = Folder_ / "from-argument";
    const std::string environment = Folder_ / "from-environment/deeper";

    EXPECT_EQ(ResolvePaths(Exe_, argument, {environment, "", ""}).ProgramFolder, argument);
    EXPECT_EQ(ResolvePaths(Exe_, argument + "/", {}).SettingsFile, argument + "/rtu-utility.Ini");
    EXPECT_EQ(ResolvePaths(Exe_, "", {environment, "", ""}).ProgramFolder, environment);
    EXPECT_TRUE(fs::is_directory(argument));
    EXPECT_TRUE(fs::is_directory(environment));
}

TEST_F(ResolvePathsTest, ClosedExecutableFolderFallsBackToXdgData) {
    // No one can create files in /proc, root included.
    const std::string closedExe = "/proc/rtu-utility";
    const std::string xdg = Folder_ / "xdg";
    const std::string home = Folder_ / "home";

    TProgramPaths paths = ResolvePaths(closedExe, "", {"", xdg, home});
    EXPECT_EQ(paths.ProgramFolder, xdg + "/rtu-utility");
    EXPECT_EQ(paths.SettingsFile, xdg + "/rtu-utility/rtu-utility.Ini");
    EXPECT_TRUE(fs::is_directory(paths.ProgramFolder));

    // Without XDG_DATA_HOME, or with a relative one (which does not count), the default.
    for (const char* xdgValue : {"", "relative/xdg"}) {
        SCOPED_TRACE(xdgValue);
        paths = ResolvePaths(closedExe, "", {"", xdgValue, home});
        EXPECT_EQ(paths.ProgramFolder, home + "/.local/share/rtu-utility");
        EXPECT_TRUE(fs::is_directory(paths.ProgramFolder));
    }
}

TEST(Paths, InitPathsUsesThisExecutableAndTheCommandLine) {
    TempDir folder;
    TScopedProgramFolder restore(folder.Path());  // puts the previous paths back afterwards
    const std::string dataDir = folder / "data";
    const char* argv[] = {"whatever-argv0-says", "--data-dir", dataDir.c_str()};

    InitPaths(3, argv);

    EXPECT_EQ(ExecutableName(), "test_app");
    EXPECT_EQ(ProgramFolder(), dataDir);
    EXPECT_EQ(SettingsFile(), dataDir + "/test_app.Ini");
    EXPECT_EQ(LogFolder(), dataDir + "/Log");
}

}  // namespace
