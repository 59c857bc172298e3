#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

extern char** environ;

namespace {

using Steady = std::chrono::steady_clock;

int MsLeft(Steady::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Steady::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// Starts the program with standard output and error on the given descriptors.
int Spawn(const std::vector<std::string>& argv, int out, int err) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int error = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw std::runtime_error("cannot start " + argv[0]);
    return pid;
}

void MakePipe(int fds[2]) {
    if (pipe2(fds, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
}

// Appends what the descriptor has; false at its end.
bool Drain(int fd, std::string& into) {
    char buffer[4096];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) return false;
    into.append(buffer, static_cast<size_t>(n));
    return true;
}

int ExitCodeOf(int status) {
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& argv, const std::string& stderrFile) {
    int out[2];
    MakePipe(out);
    const int err = open(stderrFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    Pid_ = Spawn(argv, out[1], err);
    close(out[1]);
    close(err);
    Out_ = out[0];
}

ChildProcess::~ChildProcess() {
    if (Pid_ > 0) {
        kill(Pid_, SIGTERM);
        int status = 0;
        waitpid(Pid_, &status, 0);
    }
    if (Out_ >= 0) close(Out_);
}

std::string ChildProcess::ReadLine(int timeoutMs) {
    const auto deadline = Steady::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (const size_t end = Pending_.find('\n'); end != std::string::npos) {
            std::string line = Pending_.substr(0, end);
            Pending_.erase(0, end + 1);
            return line;
        }
        pollfd fd{Out_, POLLIN, 0};
        if (poll(&fd, 1, MsLeft(deadline)) <= 0 || !Drain(Out_, Pending_)) return "";
    }
}

RunResult RunToEnd(const std::vector<std::string>& argv, int guardMs) {
    int out[2], err[2];
    MakePipe(out);
    MakePipe(err);
    const int pid = Spawn(argv, out[1], err[1]);
    close(out[1]);
    close(err[1]);
    RunResult result;
    const auto deadline = Steady::now() + std::chrono::milliseconds(guardMs);
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && MsLeft(deadline) > 0) {
        pollfd fds[2] = {{outOpen ? out[0] : -1, POLLIN, 0}, {errOpen ? err[0] : -1, POLLIN, 0}};
        if (poll(fds, 2, MsLeft(deadline)) <= 0) continue;
        if (fds[0].revents && !Drain(out[0], result.Out)) outOpen = false;
        if (fds[1].revents && !Drain(err[0], result.Err)) errOpen = false;
    }
    if (outOpen || errOpen) kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    result.ExitCode = outOpen || errOpen ? -1 : ExitCodeOf(status);
    close(out[0]);
    close(err[0]);
    return result;
}
