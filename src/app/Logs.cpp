#include "app/Logs.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "app/Paths.h"
#include "platform/Clock.h"
#include "platform/Encoding.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kLineEnd = "\r\n";

std::string Join(const std::string& folder, const std::string& name) {
    return folder + "/" + name;
}

// The log folder, made when missing. A plain file of that name is in the way and goes; only
// the last level is created, a missing program folder is not ours to make.
std::error_code EnsureLogFolder(const std::string& folder) {
    std::error_code error;
    if (fs::is_directory(fs::status(folder, error))) return {};
    if (fs::symlink_status(folder, error).type() != fs::file_type::not_found)
        fs::remove(folder, error);
    fs::create_directory(folder, error);
    return error;
}

// One write() of the whole line: with O_APPEND a line never interleaves with another
// writer's, not even one in another process.
std::error_code AppendToFile(const std::string& fileName, const std::string& bytes) {
    int fd = ::open(fileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return {errno, std::generic_category()};
    std::error_code error;
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            error = {n < 0 ? errno : EIO, std::generic_category()};
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (::close(fd) != 0 && !error) error = {errno, std::generic_category()};
    return error;
}

std::error_code AppendLine(const std::string& folder, const std::string& fileName,
                           const std::string& utf8Line) {
    if (std::error_code error = EnsureLogFolder(folder)) return error;
    return AppendToFile(fileName, Utf8ToGbk(utf8Line) + kLineEnd);
}

std::mutex& ErrorLogLock() {
    static std::mutex lock;
    return lock;
}

std::mutex& DataLogLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

std::string ErrorLogFile(double moment) {
    return Join(LogFolder(), "Sr" + FormatDateTime("yyyymmdd", moment) + ".txt");
}

std::string DataLogFile() {
    return Join(LogFolder(), "DataLog.txt");
}

void LogError(const std::string& category, const std::string& action, const std::string& detail,
              const std::string& result) {
    try {
        std::lock_guard guard(ErrorLogLock());
        std::string folder = LogFolder();
        if (folder.empty()) return;  // no paths yet: nowhere to write
        TDateTime now = Now();
        AppendLine(
            folder, ErrorLogFile(now),
            DateTimeToText(now) + " " + category + " " + action + " " + detail + " " + result);
    } catch (...) {
        // Out of memory or the like: the line is lost, the caller carries on.
    }
}

void ShowError(const std::string& message, const std::string& detail) {
    LogError("System", "Show Error", message, detail);
}

void AppendDataLog(const std::string& text) {
    std::error_code error;
    std::string fileName;
    {
        std::lock_guard guard(DataLogLock());
        std::string folder = LogFolder();
        if (folder.empty()) return;
        fileName = DataLogFile();
        error = AppendLine(folder, fileName, text);
    }
    if (error) ShowError("DataRecord", fileName + ": " + error.message());
}
