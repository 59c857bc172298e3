#pragma once
// The program's folders and files, fixed once at start before any window exists.
//
// The program folder is the executable's folder, so that the settings file and the logs sit
// beside the program as the operators are used to. "--data-dir DIR" on the command line, or
// RTU_DATA_DIR in the environment, puts them elsewhere; an executable in a folder the user
// cannot write to (an installed package) keeps them in $XDG_DATA_HOME/rtu-utility.
// Paths use "/" only and never end in one.

#include <string>

struct TProgramPaths {
    std::string ExecutableName;  // file name of the executable, with its extension
    std::string ProgramFolder;
    std::string SettingsFile;  // ProgramFolder/<executable name>.Ini
    std::string LogFolder;     // ProgramFolder/Log
};

// The parts of the environment the paths depend on.
struct TPathEnvironment {
    std::string DataDir;      // RTU_DATA_DIR
    std::string XdgDataHome;  // XDG_DATA_HOME
    std::string Home;         // HOME
    static TPathEnvironment FromProcess();
};

// The folder named by "--data-dir DIR" or "--data-dir=DIR" (the last one wins); empty when
// there is none.
std::string DataDirArgument(int argc, const char* const* argv);

// The paths for an executable kept in the given folder.
TProgramPaths PathsInFolder(const std::string& folder, const std::string& executableName);

// Works out the paths for the executable at exePath: the data folder argument first, then the
// environment's data folder, then the executable's folder when files can be created in it,
// else the XDG data folder. A data folder chosen by the first, second or last rule is created
// when missing.
TProgramPaths ResolvePaths(const std::string& exePath, const std::string& dataDirArgument,
                           const TPathEnvironment& environment);

// ResolvePaths for this process (its executable, command line and environment), put in force.
void InitPaths(int argc, const char* const* argv);

// The paths in force; empty until InitPaths or SetPaths. Thread-safe.
TProgramPaths CurrentPaths();
void SetPaths(const TProgramPaths& paths);
std::string ExecutableName();
std::string ProgramFolder();
std::string SettingsFile();
std::string LogFolder();

// Puts the program, as "rtu-utility", in the given folder for the lifetime of the object and
// restores the previous paths afterwards (tests).
class TScopedProgramFolder {
public:
    explicit TScopedProgramFolder(const std::string& folder,
                                  const std::string& executableName = "rtu-utility");
    ~TScopedProgramFolder();
    TScopedProgramFolder(const TScopedProgramFolder&) = delete;
    TScopedProgramFolder& operator=(const TScopedProgramFolder&) = delete;

private:
    TProgramPaths Previous_;
};
