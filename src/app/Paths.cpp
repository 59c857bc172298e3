#include "app/Paths.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <string_view>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDataDirOption = "--data-dir";
constexpr const char* kXdgFolderName = "rtu-utility";

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

// Forward slashes only, no "." or ".." steps, no trailing slash (but "/" stays "/").
std::string CleanFolder(std::string folder) {
    std::replace(folder.begin(), folder.end(), '\\', '/');
    std::string clean = fs::path(folder).lexically_normal().generic_string();
    while (clean.size() > 1 && clean.back() == '/') clean.pop_back();
    return clean;
}

std::string AbsoluteFolder(const std::string& folder) {
    std::error_code ignored;
    fs::path absolute = fs::absolute(fs::path(folder), ignored);
    return CleanFolder(absolute.empty() ? folder : absolute.string());
}

std::string Join(const std::string& folder, std::string_view name) {
    if (!folder.empty() && folder.back() == '/') return folder + std::string(name);
    return folder + "/" + std::string(name);
}

// Whether the program can create its files in the folder. Permission bits do not tell (root
// passes them everywhere, read-only mounts and special file systems ignore them), so try.
bool CanCreateFilesIn(const std::string& folder) {
    std::string probe = Join(folder, ".rtu-write-test-XXXXXX");
    int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) return false;
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::string EnsureFolder(const std::string& folder) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    return folder;
}

// Where the data goes when the executable's folder is closed to us.
std::string XdgDataFolder(const TPathEnvironment& environment, const std::string& exeFolder) {
    // A relative XDG_DATA_HOME is invalid and to be ignored.
    if (!environment.XdgDataHome.empty() && environment.XdgDataHome.front() == '/')
        return Join(CleanFolder(environment.XdgDataHome), kXdgFolderName);
    if (!environment.Home.empty())
        return Join(CleanFolder(environment.Home), std::string(".local/share/") + kXdgFolderName);
    return exeFolder;  // no home to go to
}

std::mutex& PathsLock() {
    static std::mutex lock;
    return lock;
}

TProgramPaths& PathsInForce() {
    static TProgramPaths paths;
    return paths;
}

std::string ExecutablePath() {
    std::error_code error;
    fs::path exe = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : exe.string();
}

}  // namespace

TPathEnvironment TPathEnvironment::FromProcess() {
    return {EnvironmentValue("RTU_DATA_DIR"), EnvironmentValue("XDG_DATA_HOME"),
            EnvironmentValue("HOME")};
}

std::string DataDirArgument(int argc, const char* const* argv) {
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == kDataDirOption && i + 1 < argc) {
            folder = argv[++i];
        } else if (arg.starts_with(kDataDirOption) && arg.size() > kDataDirOption.size() &&
                   arg[kDataDirOption.size()] == '=') {
            folder = std::string(arg.substr(kDataDirOption.size() + 1));
        }
    }
    return folder;
}

TProgramPaths PathsInFolder(const std::string& folder, const std::string& executableName) {
    TProgramPaths paths;
    paths.ExecutableName = executableName;
    paths.ProgramFolder = CleanFolder(folder);
    std::string stem = fs::path(executableName).stem().string();
    paths.SettingsFile = Join(paths.ProgramFolder, stem + ".Ini");
    paths.LogFolder = Join(paths.ProgramFolder, "Log");
    return paths;
}

TProgramPaths ResolvePaths(const std::string& exePath, const std::string& dataDirArgument,
                           const TPathEnvironment& environment) {
    std::string exe = exePath;
    std::replace(exe.begin(), exe.end(), '\\', '/');
    std::string name = fs::path(exe).filename().string();
    std::string exeFolder = AbsoluteFolder(fs::path(exe).parent_path().string());

    std::string folder;
    if (!dataDirArgument.empty())
        folder = EnsureFolder(AbsoluteFolder(dataDirArgument));
    else if (!environment.DataDir.empty())
        folder = EnsureFolder(AbsoluteFolder(environment.DataDir));
    else if (CanCreateFilesIn(exeFolder))
        folder = exeFolder;
    else
        folder = EnsureFolder(XdgDataFolder(environment, exeFolder));
    return PathsInFolder(folder, name);
}

void InitPaths(int argc, const char* const* argv) {
    std::string exe = ExecutablePath();
    if (exe.empty() && argc > 0) exe = argv[0];  // no /proc: the best we have
    SetPaths(ResolvePaths(exe, DataDirArgument(argc, argv), TPathEnvironment::FromProcess()));
}

TProgramPaths CurrentPaths() {
    std::lock_guard guard(PathsLock());
    return PathsInForce();
}

void SetPaths(const TProgramPaths& paths) {
    std::lock_guard guard(PathsLock());
    PathsInForce() = paths;
}

std::string ExecutableName() {
    return CurrentPaths().ExecutableName;
}
std::string ProgramFolder() {
    return CurrentPaths().ProgramFolder;
}
std::string SettingsFile() {
    return CurrentPaths().SettingsFile;
}
std::string LogFolder() {
    return CurrentPaths().LogFolder;
}

TScopedProgramFolder::TScopedProgramFolder(const std::string& folder,
                                           const std::string& executableName)
    : Previous_(CurrentPaths()) {
    SetPaths(PathsInFolder(folder, executableName));
}

TScopedProgramFolder::~TScopedProgramFolder() {
    SetPaths(Previous_);
}
