#pragma once
// The programs under test as child processes: started with their arguments, their standard
// output read line by line or to the end, ended with SIGTERM when the test is done.

#include <string>
#include <vector>

class ChildProcess {
public:
    // Standard output comes through a pipe; standard error goes to `stderrFile`.
    ChildProcess(const std::vector<std::string>& argv, const std::string& stderrFile);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // The next line of standard output (without its newline); empty when none came within
    // `timeoutMs` or the output ended.
    std::string ReadLine(int timeoutMs);

private:
    int Pid_ = -1;
    int Out_ = -1;
    std::string Pending_;
};

struct RunResult {
    int ExitCode = -1;  // -1: killed after the guard time
    std::string Out, Err;
};

// Runs the program to its end, both outputs collected; killed after `guardMs`.
RunResult RunToEnd(const std::vector<std::string>& argv, int guardMs);
