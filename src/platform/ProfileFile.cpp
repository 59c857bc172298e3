#include "platform/ProfileFile.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <system_error>
#include <unordered_set>
#include <utility>

#include "platform/Encoding.h"

namespace {

// ---------------------------------------------------------------------------------------------
// Texts of the file (GBK)

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool IsQuote(char c) {
    return c == '"' || c == '\'';
}

bool LooksQuoted(std::string_view text) {
    return text.size() >= 2 && IsQuote(text.front()) && text.front() == text.back();
}

std::string_view Unquote(std::string_view text) {
    return LooksQuoted(text) ? text.substr(1, text.size() - 2) : text;
}

// The first byte of a GBK double-byte character. Its second byte may look like an ASCII
// letter or ']' and must be taken as it is.
bool IsLeadByte(char c) {
    auto b = static_cast<unsigned char>(c);
    return b >= 0x81 && b <= 0xFE;
}

// Names compare without regard to the case of ASCII letters; GBK characters compare as they are.
std::string FoldName(std::string_view name) {
    std::string folded(name);
    for (size_t i = 0; i < folded.size(); ++i) {
        if (IsLeadByte(folded[i]))
            ++i;
        else if (folded[i] >= 'A' && folded[i] <= 'Z')
            folded[i] = static_cast<char>(folded[i] - 'A' + 'a');
    }
    return folded;
}

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && FoldName(a) == FoldName(b);
}

// The name of a trimmed header line "[name]...": up to the first ']', or the rest of the line.
std::string_view HeaderName(std::string_view line) {
    size_t i = 1;
    while (i < line.size() && line[i] != ']')
        i += IsLeadByte(line[i]) && i + 1 < line.size() ? 2 : 1;
    return Trim(line.substr(1, std::min(i, line.size()) - 1));
}

// Lines end at CR, LF or CRLF.
std::vector<std::string_view> SplitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::optional<int> ProfileInteger(std::string_view text) {
    text = Trim(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    size_t digits = 0;
    long long value = 0;
    for (; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits)
        value = std::min(value * 10 + (text[digits] - '0'), 1LL << 32);
    if (digits == 0) return std::nullopt;
    value = negative ? -value : value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

std::optional<double> ProfileFloat(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && (text.front() == '-' || text.front() == '+')) return std::nullopt;
    }
    double value = 0;
    auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::string FloatText(double value) {
    char buffer[400];  // the longest fixed form of a double has 309 digits before the point
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    return std::string(buffer, result.ptr);
}

// A value that would lose blanks or a pair of quotes on reading is written inside quotes.
std::string ValueText(std::string_view gbkValue) {
    bool blankEdge = !gbkValue.empty() && (IsBlank(gbkValue.front()) || IsBlank(gbkValue.back()));
    if (blankEdge || LooksQuoted(gbkValue)) return "\"" + std::string(gbkValue) + "\"";
    return std::string(gbkValue);
}

// ---------------------------------------------------------------------------------------------
// Files

std::string ErrnoText(int error) {
    return std::generic_category().message(error);
}

[[noreturn]] void ThrowFileError(const char* what, const std::string& fileName, int error) {
    throw TProfileError(what + fileName + ": " + ErrnoText(error));
}

class TUniqueFd {
public:
    TUniqueFd() = default;
    explicit TUniqueFd(int fd) : Fd_(fd) {}
    ~TUniqueFd() { Reset(); }
    TUniqueFd(TUniqueFd&& other) noexcept : Fd_(std::exchange(other.Fd_, -1)) {}
    TUniqueFd& operator=(TUniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            Fd_ = std::exchange(other.Fd_, -1);
        }
        return *this;
    }
    int Get() const { return Fd_; }
    bool Valid() const { return Fd_ >= 0; }
    void Reset() {
        if (Fd_ >= 0) ::close(Fd_);
        Fd_ = -1;
    }

private:
    int Fd_ = -1;
};

// What tells one state of the file from another without reading it.
struct TFileIdentity {
    bool Exists = false;
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    time_t ModifiedSeconds = 0;
    long ModifiedNanoseconds = 0;

    static TFileIdentity Of(const struct stat& st) {
        return {true, st.st_dev, st.st_ino, st.st_size, st.st_mtim.tv_sec, st.st_mtim.tv_nsec};
    }
    bool operator==(const TFileIdentity&) const = default;
};

bool IsMissing(int error) {
    return error == ENOENT || error == ENOTDIR;
}

std::string ReadAll(int fd, const std::string& fileName) {
    std::string text;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n == 0) return text;
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) ThrowFileError("无法读取文件 ", fileName, errno);
        text.append(buffer, static_cast<size_t>(n));
    }
}

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) throw std::system_error(errno, std::generic_category());
        text.remove_prefix(static_cast<size_t>(n));
    }
}

void Check(bool ok) {
    if (!ok) throw std::system_error(errno, std::generic_category());
}

// The file a write replaces: a symbolic link stays a link and its target gets the new text.
std::filesystem::path WriteTarget(const std::string& fileName) {
    std::error_code error;
    if (std::filesystem::is_symlink(fileName, error)) {
        auto target = std::filesystem::weakly_canonical(fileName, error);
        if (!error) return target;
    }
    return fileName;
}

// A new file beside the target, removed again unless it was renamed over the target.
class TTempFile {
public:
    explicit TTempFile(const std::filesystem::path& target, mode_t mode) {
        static std::atomic<unsigned> counter{std::random_device{}()};
        std::string prefix = "." + target.filename().string() + "." + std::to_string(::getpid());
        for (int attempt = 0; !Fd_.Valid(); ++attempt) {
            Path_ = target.parent_path() / (prefix + "." + std::to_string(counter++) + ".tmp");
            Fd_ = TUniqueFd(::open(Path_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
            if (!Fd_.Valid() && (errno != EEXIST || attempt == 100)) Check(false);
        }
    }
    ~TTempFile() {
        if (!Path_.empty()) ::unlink(Path_.c_str());
    }
    TTempFile(const TTempFile&) = delete;
    TTempFile& operator=(const TTempFile&) = delete;

    int Fd() const { return Fd_.Get(); }
    // Puts the file in the target's place; the open descriptor then refers to the target.
    TUniqueFd RenameTo(const std::filesystem::path& target) {
        Check(::rename(Path_.c_str(), target.c_str()) == 0);
        Path_.clear();
        return std::move(Fd_);
    }

private:
    std::filesystem::path Path_;
    TUniqueFd Fd_;
};

// Temporary files that writers killed in the middle of a write left beside the target: their
// names carry the writer's process id, and a writer that no longer runs will not come back.
void RemoveStaleTempFiles(const std::filesystem::path& target) {
    const std::string prefix = "." + target.filename().string() + ".";
    const std::filesystem::path folder = target.parent_path().empty() ? "." : target.parent_path();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= prefix.size() + 4 || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - 4, 4, ".tmp") != 0)
            continue;
        const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
        if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 &&
            errno == ESRCH)
            ::unlink(entry.path().c_str());
    }
}

void SyncFolder(const std::filesystem::path& folder) {
    TUniqueFd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    Check(fd.Valid() && ::fsync(fd.Get()) == 0);
}

// Objects for the same file share one state; the key is the file's full name.
std::string SharingKey(const std::string& fileName) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(fileName, error);
    if (error) return fileName;
    auto canonical = std::filesystem::weakly_canonical(absolute, error);
    return (error ? absolute.lexically_normal() : canonical).string();
}

}  // namespace

// =============================================================================================
// TProfileData

TProfileData TProfileData::Parse(std::string_view gbkText) {
    TProfileData data;
    data.Sections_.emplace_back();  // the lines before the first header
    for (std::string_view raw : SplitLines(gbkText)) {
        std::string_view line = Trim(raw);
        if (!line.empty() && line.front() == '[') {
            data.Sections_.push_back({true, std::string(HeaderName(line)), std::string(raw), {}});
            continue;
        }
        TLine parsed{TLineKind::Other, std::string(raw), {}, {}};
        size_t equals = line.find('=');
        if (line.empty()) {
            parsed.Kind = TLineKind::Blank;
        } else if (line.front() == ';') {
            parsed.Kind = TLineKind::Comment;
        } else if (equals != std::string_view::npos && !Trim(line.substr(0, equals)).empty()) {
            parsed.Kind = TLineKind::Entry;
            parsed.Key = Trim(line.substr(0, equals));
            parsed.Value = Unquote(Trim(line.substr(equals + 1)));
        }
        data.Sections_.back().Lines.push_back(std::move(parsed));
    }
    data.IndexSections();
    return data;
}

void TProfileData::IndexSections() {
    SectionIndex_.clear();
    for (size_t k = 0; k < Sections_.size(); ++k)
        if (Sections_[k].HasHeader) SectionIndex_.emplace(FoldName(Sections_[k].Name), k);
}

std::string TProfileData::Text() const {
    std::string text;
    for (const TSection& section : Sections_) {
        if (section.HasHeader) text += section.Header + "\r\n";
        for (const TLine& line : section.Lines) text += line.Raw + "\r\n";
    }
    return text;
}

const TProfileData::TSection* TProfileData::FindSection(std::string_view gbkName) const {
    const auto found = SectionIndex_.find(FoldName(gbkName));
    return found == SectionIndex_.end() ? nullptr : &Sections_[found->second];
}

const TProfileData::TLine* TProfileData::FindEntry(const TSection& section,
                                                   std::string_view gbkKey) {
    for (const TLine& line : section.Lines)
        if (line.Kind == TLineKind::Entry && SameName(line.Key, gbkKey)) return &line;
    return nullptr;
}

const TProfileData::TLine* TProfileData::FindEntry(std::string_view section,
                                                   std::string_view key) const {
    const TSection* found = FindSection(Utf8ToGbk(section));
    return found ? FindEntry(*found, Utf8ToGbk(key)) : nullptr;
}

bool TProfileData::SectionExists(std::string_view section) const {
    return FindSection(Utf8ToGbk(section)) != nullptr;
}

bool TProfileData::ValueExists(std::string_view section, std::string_view key) const {
    return FindEntry(section, key) != nullptr;
}

std::vector<std::string> TProfileData::ReadSections() const {
    std::vector<std::string> names;
    std::unordered_set<std::string> seen;
    for (const TSection& section : Sections_)
        if (section.HasHeader && seen.insert(FoldName(section.Name)).second)
            names.push_back(GbkToUtf8(section.Name));
    return names;
}

std::vector<std::string> TProfileData::ReadSection(std::string_view section) const {
    std::vector<std::string> keys;
    std::unordered_set<std::string> seen;
    if (const TSection* found = FindSection(Utf8ToGbk(section)))
        for (const TLine& line : found->Lines)
            if (line.Kind == TLineKind::Entry && seen.insert(FoldName(line.Key)).second)
                keys.push_back(GbkToUtf8(line.Key));
    return keys;
}

std::vector<std::string> TProfileData::ReadSectionLines(std::string_view section) const {
    std::vector<std::string> lines;
    if (const TSection* found = FindSection(Utf8ToGbk(section))) {
        for (const TLine& line : found->Lines) {
            if (line.Kind == TLineKind::Entry)
                lines.push_back(GbkToUtf8(line.Key + "=" + line.Value));
            else if (line.Kind == TLineKind::Other)
                lines.push_back(GbkToUtf8(Trim(line.Raw)));
        }
    }
    return lines;
}

std::string TProfileData::ReadString(std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    const TLine* entry = FindEntry(section, key);
    return entry ? GbkToUtf8(entry->Value) : std::string(defaultValue);
}

int TProfileData::ReadInteger(std::string_view section, std::string_view key,
                              int defaultValue) const {
    const TLine* entry = FindEntry(section, key);
    return entry ? ProfileInteger(entry->Value).value_or(defaultValue) : defaultValue;
}

bool TProfileData::ReadBool(std::string_view section, std::string_view key,
                            bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

double TProfileData::ReadFloat(std::string_view section, std::string_view key,
                               double defaultValue) const {
    const TLine* entry = FindEntry(section, key);
    return entry ? ProfileFloat(entry->Value).value_or(defaultValue) : defaultValue;
}

TDateTime TProfileData::ReadTime(std::string_view section, std::string_view key,
                                 TDateTime defaultValue) const {
    const TLine* entry = FindEntry(section, key);
    return entry ? TextToTime(GbkToUtf8(entry->Value)).value_or(defaultValue) : defaultValue;
}

TDateTime TProfileData::ReadDateTime(std::string_view section, std::string_view key,
                                     TDateTime defaultValue) const {
    const TLine* entry = FindEntry(section, key);
    return entry ? TextToDateTime(GbkToUtf8(entry->Value)).value_or(defaultValue) : defaultValue;
}

// =============================================================================================
// TProfileEdit

TProfileEdit::TProfileEdit(const TProfileData& data, std::string fileName)
    : TProfileData(data), FileName_(std::move(fileName)) {}

void TProfileEdit::Refuse(const std::string& why) const {
    throw TProfileError(why + FileName_);
}

void TProfileEdit::CheckNoLineBreak(std::string_view text) const {
    if (text.find_first_of("\r\n") != std::string_view::npos) Refuse("文字中不能有回车或换行符: ");
}

// Names that would not read back as themselves are refused.
std::string TProfileEdit::SectionName(std::string_view section) const {
    CheckNoLineBreak(section);
    if (section.empty() || Trim(section) != section || section.find(']') != section.npos)
        Refuse("节名不能为空, 不能含有右方括号, 前后也不能有空格: ");
    return Utf8ToGbk(section);
}

std::string TProfileEdit::KeyName(std::string_view key) const {
    CheckNoLineBreak(key);
    if (key.empty() || Trim(key) != key || key.find('=') != key.npos || key.front() == ';' ||
        key.front() == '[')
        Refuse("键名不能为空, 不能含有等号, 不能以分号或方括号开头, 前后也不能有空格: ");
    return Utf8ToGbk(key);
}

void TProfileEdit::WriteString(std::string_view section, std::string_view key,
                               std::string_view value) {
    std::string gbkSection = SectionName(section);
    std::string gbkKey = KeyName(key);
    CheckNoLineBreak(value);
    std::string gbkValue = Utf8ToGbk(value);

    auto entryLine = [&](const std::string& spelling) {
        return TLine{TLineKind::Entry, spelling + "=" + ValueText(gbkValue), spelling, gbkValue};
    };
    auto* found = const_cast<TSection*>(FindSection(gbkSection));
    if (!found) {
        Sections_.push_back({true, gbkSection, "[" + gbkSection + "]", {entryLine(gbkKey)}});
        SectionIndex_.emplace(FoldName(gbkSection), Sections_.size() - 1);
        Changed_ = true;
        return;
    }
    if (auto* entry = const_cast<TLine*>(FindEntry(*found, gbkKey))) {
        if (entry->Value == gbkValue) return;
        *entry = entryLine(entry->Key);
        Changed_ = true;
        return;
    }
    // After the last line of the section's content, before the blank lines and comments that
    // lead to the next section; in a section without content, after the comments under its
    // header.
    auto& lines = found->Lines;
    auto isContent = [](const TLine& line) {
        return line.Kind == TLineKind::Entry || line.Kind == TLineKind::Other;
    };
    auto last = std::find_if(lines.rbegin(), lines.rend(), isContent).base();
    if (last == lines.begin())
        last = std::find_if(lines.begin(), lines.end(),
                            [](const TLine& line) { return line.Kind != TLineKind::Comment; });
    lines.insert(last, entryLine(gbkKey));
    Changed_ = true;
}

void TProfileEdit::WriteInteger(std::string_view section, std::string_view key, int value) {
    WriteString(section, key, std::to_string(value));
}

void TProfileEdit::WriteBool(std::string_view section, std::string_view key, bool value) {
    WriteString(section, key, value ? "1" : "0");
}

void TProfileEdit::WriteFloat(std::string_view section, std::string_view key, double value) {
    WriteString(section, key, FloatText(value));
}

void TProfileEdit::WriteTime(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, TimeToText(value));
}

void TProfileEdit::WriteDateTime(std::string_view section, std::string_view key, TDateTime value) {
    WriteString(section, key, DateTimeToText(value));
}

void TProfileEdit::EraseSection(std::string_view section) {
    std::string gbkSection = Utf8ToGbk(section);
    const bool erased = std::erase_if(Sections_, [&](const TSection& s) {
                            return s.HasHeader && SameName(s.Name, gbkSection);
                        }) > 0;
    if (erased) IndexSections();
    Changed_ |= erased;
}

void TProfileEdit::DeleteKey(std::string_view section, std::string_view key) {
    auto* found = const_cast<TSection*>(FindSection(Utf8ToGbk(section)));
    if (!found) return;
    std::string gbkKey = Utf8ToGbk(key);
    Changed_ |= std::erase_if(found->Lines, [&](const TLine& line) {
                    return line.Kind == TLineKind::Entry && SameName(line.Key, gbkKey);
                }) > 0;
}

// =============================================================================================
// TProfileFile

struct TProfileFile::TShared {
    std::mutex Lock;
    std::shared_ptr<const TProfileData> Data;  // null until the first read
    TFileIdentity Identity;                    // of the file Data was read from
    // The file Data came from stays open, so that its inode number cannot be given to another
    // file while the identity above relies on it.
    TUniqueFd Held;
    std::uint64_t Parses = 0;
    std::uint64_t Writes = 0;

    std::shared_ptr<const TProfileData> Current(const std::string& fileName);
    void Load(const std::string& fileName);
    void Save(const std::string& fileName, std::shared_ptr<const TProfileData> data);
};

std::shared_ptr<const TProfileData> TProfileFile::TShared::Current(const std::string& fileName) {
    struct stat st {};
    TFileIdentity now;
    if (::stat(fileName.c_str(), &st) == 0)
        now = TFileIdentity::Of(st);
    else if (!IsMissing(errno))
        ThrowFileError("无法读取文件 ", fileName, errno);
    if (!Data || now != Identity) Load(fileName);
    return Data;
}

void TProfileFile::TShared::Load(const std::string& fileName) {
    TUniqueFd fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    TFileIdentity identity;
    std::string text;
    if (fd.Valid()) {
        if (::fstat(fd.Get(), &st) != 0) ThrowFileError("无法读取文件 ", fileName, errno);
        identity = TFileIdentity::Of(st);
        text = ReadAll(fd.Get(), fileName);
    } else if (!IsMissing(errno)) {
        ThrowFileError("无法读取文件 ", fileName, errno);
    }
    Data = std::make_shared<const TProfileData>(TProfileData::Parse(text));
    Identity = identity;
    Held = std::move(fd);
    ++Parses;
}

void TProfileFile::TShared::Save(const std::string& fileName,
                                 std::shared_ptr<const TProfileData> data) {
    std::filesystem::path target = WriteTarget(fileName);
    try {
        struct stat old {};
        bool replacing = ::stat(target.c_str(), &old) == 0;
        // A new file gets 0644 less the umask; a replaced file keeps its mode and owner.
        TTempFile temp(target, replacing ? (old.st_mode & 07777) : 0644);
        if (replacing) {
            Check(::fchmod(temp.Fd(), old.st_mode & 07777) == 0);
            if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) &&
                ::fchown(temp.Fd(), old.st_uid, old.st_gid) != 0) {
                // Only the owner's privileges can give the file back; ours will do.
            }
        }
        WriteAll(temp.Fd(), data->Text());
        Check(::fsync(temp.Fd()) == 0);
        struct stat st {};
        Check(::fstat(temp.Fd(), &st) == 0);
        Held = temp.RenameTo(target);
        Data = std::move(data);
        Identity = TFileIdentity::Of(st);
        ++Writes;
        SyncFolder(target.parent_path().empty() ? "." : target.parent_path());
        RemoveStaleTempFiles(target);
    } catch (const std::system_error& error) {
        throw TProfileError("无法写入文件 " + fileName + ": " + ErrnoText(error.code().value()));
    }
}

TProfileFile::TProfileFile(std::string fileName) : FileName_(std::move(fileName)) {
    static std::mutex registryLock;
    static std::map<std::string, std::weak_ptr<TShared>> registry;
    std::lock_guard lock(registryLock);
    std::erase_if(registry, [](const auto& entry) { return entry.second.expired(); });
    auto& slot = registry[SharingKey(FileName_)];
    Shared_ = slot.lock();
    if (!Shared_) {
        Shared_ = std::make_shared<TShared>();
        slot = Shared_;
    }
}

TProfileFile::~TProfileFile() = default;

std::shared_ptr<const TProfileData> TProfileFile::Read() const {
    std::lock_guard lock(Shared_->Lock);
    return Shared_->Current(FileName_);
}

void TProfileFile::Update(const std::function<void(TProfileEdit&)>& edits) {
    std::lock_guard lock(Shared_->Lock);
    TProfileEdit edit(*Shared_->Current(FileName_), FileName_);
    edits(edit);
    if (!edit.Changed()) return;
    Shared_->Save(FileName_, std::make_shared<const TProfileData>(std::move(edit)));
}

std::uint64_t TProfileFile::ParseCount() const {
    std::lock_guard lock(Shared_->Lock);
    return Shared_->Parses;
}

std::uint64_t TProfileFile::WriteCount() const {
    std::lock_guard lock(Shared_->Lock);
    return Shared_->Writes;
}
