#include "platform/ProfileFile.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kStationUtf8 = "测试站点";
const std::string kStationGbk = "\xB2\xE2\xCA\xD4\xD5\xBE\xB5\xE3";

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

struct stat StatOf(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(::stat(path.c_str(), &st), 0) << path;
    return st;
}

void SetModified(const std::string& path, timespec modified) {
    timespec times[2] = {{0, UTIME_OMIT}, modified};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
}

std::string Join(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += (text.empty() ? "" : "|") + item;
    return text;
}

std::string Shortest(double value) {
    char buffer[64];
    return std::string(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
}

// Runs the function in a child process and answers its exit code (for what must not change
// the test process: privileges, resource limits).
int ExitCodeInChild(const std::function<int()>& body) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(body());
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class ProfileFileTest : public ::testing::Test {
protected:
    ProfileFileTest() : Folder_(Dir_.Path()) {}

    std::string PathOf(const std::string& name) const {
        return (fs::path(Folder_) / name).string();
    }

    // The names in the folder other than the given file (leftover temporary files).
    std::vector<std::string> OthersIn(const std::string& folder, const std::string& file) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename() != file) names.push_back(entry.path().filename());
        return names;
    }

    TempDir Dir_;
    std::string Folder_;
};

// ---------------------------------------------------------------------------------------------
// The rules of the format, as one table: the file's bytes, a call, what it answers (for a
// write: the file's bytes afterwards).

using TCall = std::function<std::string(TProfileFile&)>;

TCall Str(std::string section, std::string key) {
    return [=](TProfileFile& f) { return f.Read()->ReadString(section, key, "<none>"); };
}
TCall Int(std::string section, std::string key) {
    return [=](TProfileFile& f) { return std::to_string(f.Read()->ReadInteger(section, key, -1)); };
}
TCall Bool(std::string section, std::string key, bool defaultValue) {
    return [=](TProfileFile& f) {
        return std::string(f.Read()->ReadBool(section, key, defaultValue) ? "true" : "false");
    };
}
TCall Float(std::string section, std::string key) {
    return [=](TProfileFile& f) { return Shortest(f.Read()->ReadFloat(section, key, -1)); };
}
TCall Time(std::string section, std::string key) {
    return [=](TProfileFile& f) {
        return TimeToText(f.Read()->ReadTime(section, key, EncodeTime(1, 2, 3)));
    };
}
TCall DateTime(std::string section, std::string key) {
    return [=](TProfileFile& f) {
        return DateTimeToText(f.Read()->ReadDateTime(section, key, EncodeDate(2000, 1, 1)));
    };
}
TCall Sections() {
    return [](TProfileFile& f) { return Join(f.Read()->ReadSections()); };
}
TCall Keys(std::string section) {
    return [=](TProfileFile& f) { return Join(f.Read()->ReadSection(section)); };
}
TCall Lines(std::string section) {
    return [=](TProfileFile& f) { return Join(f.Read()->ReadSectionLines(section)); };
}
TCall Exists(std::string section, std::string key = {}) {
    return [=](TProfileFile& f) {
        auto data = f.Read();
        return std::string(
            (key.empty() ? data->SectionExists(section) : data->ValueExists(section, key)) ? "yes"
                                                                                           : "no");
    };
}
TCall Edit(std::function<void(TProfileEdit&)> edits) {
    return [=](TProfileFile& f) {
        f.Update(edits);
        return FileBytes(f.FileName());
    };
}
TCall Write(std::string section, std::string key, std::string value) {
    return Edit([=](TProfileEdit& e) { e.WriteString(section, key, value); });
}

struct TRuleCase {
    const char* Name;
    std::string File;
    TCall Call;
    std::string Expected;
};

TEST_F(ProfileFileTest, FollowsTheRulesOfTheFormat) {
    const TRuleCase cases[] = {
        // Matching
        {"case of section and key", "[Station]\r\nNAME=a\r\n", Str("sTATION", "name"), "a"},
        {"first section wins", "[A]\nk=1\n[a]\nk=2\nj=3\n", Str("A", "k"), "1"},
        {"later section of the name is hidden", "[A]\nk=1\n[a]\nj=3\n", Str("a", "j"), "<none>"},
        {"first key wins", "[A]\nk=1\nK=2\n", Str("A", "k"), "1"},
        {"key before any section is hidden", "k=1\n[A]\n", Exists("A", "k"), "no"},
        {"blanks around key and value", "[A]\n \t k \t= v w \t\n", Str("A", "k"), "v w"},
        {"blanks around the header", "  [ A ]  \nk=1\n", Str("A", "k"), "1"},
        {"header name ends at first ]", "[A]B]x\nk=1\n", Sections(), "A"},
        {"value splits at first =", "[A]\nk=a=b\n", Str("A", "k"), "a=b"},
        {"empty value", "[A]\nk=\n", Str("A", "k"), ""},
        {"missing key", "[A]\nk=1\n", Str("A", "x"), "<none>"},
        {"missing file section", "", Exists("A"), "no"},
        {"section exists", "[A]\n", Exists("a"), "yes"},
        // GBK: a trail byte that looks like ']' or a letter is part of its character
        {"trail byte ] in a name", "[\x81\x5D]\r\nk=1\r\n", Str("乚", "k"), "1"},
        {"trail bytes compare as they are", "[\x81\x41]\r\nk=1\r\n", Str("乤", "k"), "<none>"},
        // Quotes
        {"double quotes keep blanks", "[A]\nk=\"  x  \"\n", Str("A", "k"), "  x  "},
        {"single quotes", "[A]\nk='y'\n", Str("A", "k"), "y"},
        {"quotes that do not match", "[A]\nk=\"z'\n", Str("A", "k"), "\"z'"},
        {"only one pair of quotes", "[A]\nk=\"\"q\"\"\n", Str("A", "k"), "\"q\""},
        {"a lone quote", "[A]\nk=\"\n", Str("A", "k"), "\""},
        // Comments
        {"; line is a comment", "[A]\n;k=1\n  ;k=2\nk=3\n", Str("A", "k"), "3"},
        {"no inline comment", "[A]\nk=1 ;note\n", Str("A", "k"), "1 ;note"},
        {"# is ordinary", "[A]\n#k=1\n", Str("A", "#k"), "1"},
        // Numbers
        {"integer up to a non-digit", "[A]\nk=42A9\n", Int("A", "k"), "42"},
        {"integer without digits", "[A]\nk=B4\n", Int("A", "k"), "-1"},
        {"integer with blank and minus", "[A]\nk= -7\n", Int("A", "k"), "-7"},
        {"integer with plus", "[A]\nk=+3\n", Int("A", "k"), "3"},
        {"blanks inside quotes", "[A]\nk=' -7'\n", Int("A", "k"), "-7"},
        {"a sign alone", "[A]\nk=-\n", Int("A", "k"), "-1"},
        {"integer saturates", "[A]\nk=99999999999\n", Int("A", "k"), "2147483647"},
        {"bool non-zero", "[A]\nk=2\n", Bool("A", "k", false), "true"},
        {"bool zero", "[A]\nk=0\n", Bool("A", "k", true), "false"},
        {"bool as a word", "[A]\nk=yes\n", Bool("A", "k", false), "false"},
        {"decimal", "[A]\nk=102.70\n", Float("A", "k"), "102.7"},
        {"decimal with sign", "[A]\nk=+3.5\n", Float("A", "k"), "3.5"},
        {"decimal must be whole", "[A]\nk=1.5x\n", Float("A", "k"), "-1"},
        {"decimal with comma", "[A]\nk=1,5\n", Float("A", "k"), "-1"},
        {"decimal not a number", "[A]\nk=nan\n", Float("A", "k"), "-1"},
        {"time", "[A]\nk=18:30:05\n", Time("A", "k"), "18:30:05"},
        {"time unreadable", "[A]\nk=25:00:00\n", Time("A", "k"), "01:02:03"},
        {"date-time", "[A]\nk=2014-04-01 18:30:00\n", DateTime("A", "k"), "2014-04-01 18:30:00"},
        {"date-time unreadable", "[A]\nk=tomorrow\n", DateTime("A", "k"), "2000-01-01 00:00:00"},
        // Listing
        {"sections once, file order", "[B]\n[a]\n[A]\n[c]\n", Sections(), "B|a|c"},
        {"keys once, file order", "[A]\nk=1\nloose\nj=2\nK=3\n", Keys("A"), "k|j"},
        {"lines of a section", "[A]\n k = 1 \nloose line\n;c\n\nj='2'\n[B]\nx=1\n", Lines("A"),
         "k=1|loose line|j=2"},
        {"line without = is no key", "[A]\nloose\n", Exists("A", "loose"), "no"},
        // Line ends
        {"CRLF file", "[A]\r\na=1\r\nb=2\r\n", Lines("A"), "a=1|b=2"},
        {"LF file", "[A]\na=1\nb=2", Lines("A"), "a=1|b=2"},
        {"CR file", "[A]\ra=1\rb=2\r", Lines("A"), "a=1|b=2"},
        // Writing
        {"update keeps spelling and place", "[Sys]\nPortName = COM1:\nBaud=9600\n",
         Write("SYS", "portname", "COM2:"), "[Sys]\r\nPortName=COM2:\r\nBaud=9600\r\n"},
        {"update the first of duplicates", "[A]\nk=1\nk=2\n[a]\nk=3\n", Write("a", "K", "9"),
         "[A]\r\nk=9\r\nk=2\r\n[a]\r\nk=3\r\n"},
        {"new key at section end", "[A]\nx=1\n\n;about B\n[B]\ny=2\n", Write("A", "z", "3"),
         "[A]\r\nx=1\r\nz=3\r\n\r\n;about B\r\n[B]\r\ny=2\r\n"},
        {"new key under the comments", "[A]\n;note\n\n[B]\n", Write("A", "z", "3"),
         "[A]\r\n;note\r\nz=3\r\n\r\n[B]\r\n"},
        {"new section at file end", "[A]\nx=1", Write("B", "y", "2"),
         "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"},
        {"write into an empty file", "", Write("A", "k", "v"), "[A]\r\nk=v\r\n"},
        {"same value leaves the file alone", "[A]\nk = 1\n", Write("a", "K", "1"), "[A]\nk = 1\n"},
        {"value with blanks is quoted", "", Write("A", "k", " x "), "[A]\r\nk=\" x \"\r\n"},
        {"quoted value is quoted again", "", Write("A", "k", "'q'"), "[A]\r\nk=\"'q'\"\r\n"},
        {"erase every section of the name", "[A]\nk=1\n[B]\nj=2\n[a]\nk=3\n",
         Edit([](TProfileEdit& e) { e.EraseSection("a"); }), "[B]\r\nj=2\r\n"},
        {"erase a missing section", "[A]\n", Edit([](TProfileEdit& e) { e.EraseSection("B"); }),
         "[A]\n"},
        {"delete every line of the key", "[A]\nk=1\nj=2\nK=3\n[A]\nk=4\n",
         Edit([](TProfileEdit& e) { e.DeleteKey("a", "k"); }), "[A]\r\nj=2\r\n[A]\r\nk=4\r\n"},
        {"typed writes", "", Edit([](TProfileEdit& e) {
             e.WriteInteger("A", "i", -5);
             e.WriteBool("A", "b", true);
             e.WriteBool("A", "c", false);
             e.WriteFloat("A", "tz", 8);
             e.WriteFloat("A", "lon", 102.7);
             e.WriteFloat("A", "small", 0.0001);
             e.WriteTime("A", "t", EncodeTime(18, 30, 0));
             e.WriteDateTime("A", "d", EncodeDateTime(2014, 4, 1, 18, 30, 5));
         }),
         "[A]\r\ni=-5\r\nb=1\r\nc=0\r\ntz=8\r\nlon=102.7\r\nsmall=0.0001\r\nt=18:30:00\r\n"
         "d=2014-04-01 18:30:05\r\n"},
    };
    int index = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::string path = PathOf("case" + std::to_string(index++) + ".Ini");
        WriteBytes(path, c.File);
        TProfileFile file(path);
        EXPECT_EQ(c.Call(file), c.Expected);
    }
}

TEST_F(ProfileFileTest, WrittenValuesReadBackAsWritten) {
    const std::string values[] = {" x ", "'q'", "\"\"", "a=b;c#d", "[x]", ""};
    TProfileFile file(PathOf("round.Ini"));
    for (const auto& value : values) {
        file.Update([&](TProfileEdit& e) { e.WriteString("A", "k", value); });
        EXPECT_EQ(TProfileData::Parse(FileBytes(file.FileName())).ReadString("A", "k"), value);
    }
}

TEST_F(ProfileFileTest, TextsAreGbkOnDiskAndUtf8InTheProgram) {
    std::string path = PathOf("gbk.Ini");
    TProfileFile file(path);
    file.Update([](TProfileEdit& e) { e.WriteString(kStationUtf8, "Name", kStationUtf8); });
    EXPECT_EQ(FileBytes(path), "[" + kStationGbk + "]\r\nName=" + kStationGbk + "\r\n");

    std::string byHand = "[Names]\r\n" + kStationGbk + "=2014-04-01 18:30:00\r\n";
    WriteBytes(PathOf("hand.Ini"), byHand);
    auto data = TProfileFile(PathOf("hand.Ini")).Read();
    EXPECT_EQ(data->ReadSection("Names"), std::vector<std::string>{kStationUtf8});
    EXPECT_EQ(data->ReadString("Names", kStationUtf8), "2014-04-01 18:30:00");
    EXPECT_EQ(Join(data->ReadSectionLines("Names")), kStationUtf8 + "=2014-04-01 18:30:00");
}

// ---------------------------------------------------------------------------------------------
// Cache

TEST_F(ProfileFileTest, UnchangedFileIsParsedOnce) {
    std::string path = PathOf("cache.Ini");
    WriteBytes(path, "[A]\nk=1\n");
    TProfileFile file(path);
    auto first = file.Read();
    EXPECT_EQ(file.Read(), first);
    EXPECT_EQ(file.ParseCount(), 1u);

    // Its own write does not make it read the file again.
    file.Update([](TProfileEdit& e) { e.WriteString("A", "k", "2"); });
    EXPECT_EQ(file.Read()->ReadString("A", "k"), "2");
    EXPECT_EQ(file.ParseCount(), 1u);
}

TEST_F(ProfileFileTest, ChangedFileIsReadAgain) {
    struct TChange {
        const char* Name;
        // Changes the file behind the object's back; each change alters one part of what
        // tells one state of the file from another, the others are kept.
        std::function<void(const std::string& path, const struct stat& before)> Apply;
        const char* Expected;
    };
    const TChange changes[] = {
        {"other size, same time",
         [](const std::string& path, const struct stat& before) {
             WriteBytes(path, "[A]\nk=22\n");
             SetModified(path, before.st_mtim);
         },
         "22"},
        {"same size, time one nanosecond on",
         [](const std::string& path, const struct stat& before) {
             WriteBytes(path, "[A]\nk=2\n");
             timespec later = before.st_mtim;
             if (++later.tv_nsec == 1000000000) later = {later.tv_sec + 1, 0};
             SetModified(path, later);
         },
         "2"},
        {"renamed over it: same size and time, new inode",
         [](const std::string& path, const struct stat& before) {
             WriteBytes(path + ".new", "[A]\nk=2\n");
             SetModified(path + ".new", before.st_mtim);
             ASSERT_EQ(::rename((path + ".new").c_str(), path.c_str()), 0);
         },
         "2"},
        {"removed", [](const std::string& path, const struct stat&) { fs::remove(path); },
         "<none>"},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.Name);
        std::string path = PathOf("changed.Ini");
        WriteBytes(path, "[A]\nk=1\n");
        TProfileFile file(path);
        ASSERT_EQ(file.Read()->ReadString("A", "k"), "1");
        change.Apply(path, StatOf(path));
        EXPECT_EQ(file.Read()->ReadString("A", "k", "<none>"), change.Expected);
        EXPECT_EQ(file.ParseCount(), 2u);
    }
}

// ---------------------------------------------------------------------------------------------
// One update, one write; refusals and failures leave the file as it was

TEST_F(ProfileFileTest, ManyChangesOfOneUpdateCostOneWrite) {
    std::string path = PathOf("one.Ini");
    TProfileFile file(path);
    file.Update([](TProfileEdit& e) {
        for (int i = 1; i <= 16; ++i) e.WriteInteger("Loop" + std::to_string(i), "IsUsed1", 1);
        e.EraseSection("Loop3");
        EXPECT_FALSE(e.SectionExists("Loop3"));  // the edit reads its own changes
        EXPECT_EQ(e.ReadInteger("Loop4", "IsUsed1", 0), 1);
    });
    EXPECT_EQ(file.WriteCount(), 1u);
    EXPECT_EQ(file.Read()->ReadSections().size(), 15u);

    file.Update([](TProfileEdit& e) { e.WriteInteger("Loop1", "IsUsed1", 1); });
    EXPECT_EQ(file.WriteCount(), 1u) << "nothing changed, nothing written";
}

TEST_F(ProfileFileTest, LineBreaksAreRefusedAndTheFileStaysAsItWas) {
    const std::function<void(TProfileEdit&)> refused[] = {
        [](TProfileEdit& e) { e.WriteString("A", "k", "line\r\nbreak"); },
        [](TProfileEdit& e) { e.WriteString("A", "k\n", "v"); },
        [](TProfileEdit& e) { e.WriteString("A\r", "k", "v"); },
        [](TProfileEdit& e) { e.WriteInteger("A", "k\n", 1); },
    };
    std::string path = PathOf("breaks.Ini");
    const std::string before = "[A]\nk=1\n";
    WriteBytes(path, before);
    TProfileFile file(path);
    for (const auto& edit : refused) {
        try {
            file.Update([&](TProfileEdit& e) {
                e.WriteString("A", "other", "changed first");
                edit(e);
            });
            ADD_FAILURE() << "not refused";
        } catch (const TProfileError& error) {
            EXPECT_EQ(std::string(error.what()), "文字中不能有回车或换行符: " + path);
        }
        EXPECT_EQ(FileBytes(path), before);
        EXPECT_EQ(file.Read()->ReadString("A", "other", "<none>"), "<none>");
    }
}

TEST_F(ProfileFileTest, NamesThatWouldNotReadBackAreRefused) {
    const std::pair<std::string, std::string> names[] = {
        {"", "k"},    {"A]", "k"}, {" A", "k"}, {"A", ""},
        {"A", "k=v"}, {"A", ";k"}, {"A", "[k"}, {"A", "k "},
    };
    TProfileFile file(PathOf("names.Ini"));
    for (const auto& [section, key] : names) {
        EXPECT_THROW(file.Update([&](TProfileEdit& e) { e.WriteString(section, key, "v"); }),
                     TProfileError)
            << "[" << section << "] " << key;
    }
    EXPECT_FALSE(fs::exists(file.FileName()));
}

TEST_F(ProfileFileTest, WriteIntoAnUnwritableFolderThrowsAndKeepsTheOldFile) {
    fs::permissions(Folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                 fs::perms::group_read | fs::perms::others_read);
    std::string folder = PathOf("locked");
    fs::create_directory(folder);
    std::string path = folder + "/Settings.Ini";
    const std::string before = "[System]\nPortName=COM1:\n";
    WriteBytes(path, before);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);

    int code = ExitCodeInChild([&] {
        // Root would write anyway: become nobody.
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) return 10;
        try {
            TProfileFile(path).Update([](TProfileEdit& e) { e.WriteString("System", "x", "1"); });
        } catch (const TProfileError& error) {
            std::string message = error.what();
            return message == "无法写入文件 " + path + ": " + std::strerror(EACCES) ? 0 : 11;
        }
        return 12;
    });
    EXPECT_EQ(code, 0) << "10: cannot drop root, 11: wrong message, 12: no error";
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_THAT(OthersIn(folder, "Settings.Ini"), ::testing::IsEmpty());
}

TEST_F(ProfileFileTest, FailedWriteRemovesItsTemporaryFileAndKeepsTheOldFile) {
    std::string path = PathOf("full.Ini");
    const std::string before = "[A]\nk=1\n";
    WriteBytes(path, before);
    int code = ExitCodeInChild([&] {
        // A file-size limit makes the write fail halfway, as a full disk would.
        ::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{16, 16};
        if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
        try {
            TProfileFile(path).Update(
                [](TProfileEdit& e) { e.WriteString("A", "k", std::string(100, 'x')); });
        } catch (const TProfileError& error) {
            return std::string(error.what()) == "无法写入文件 " + path + ": " + std::strerror(EFBIG)
                       ? 0
                       : 11;
        }
        return 12;
    });
    EXPECT_EQ(code, 0) << "11: wrong message, 12: no error";
    EXPECT_EQ(FileBytes(path), before);
    EXPECT_THAT(OthersIn(Folder_, "full.Ini"), ::testing::IsEmpty());
}

TEST_F(ProfileFileTest, TemporaryFilesOfDeadWritersAreRemovedByTheNextWrite) {
    const std::string path = PathOf("left.Ini");
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string stale = ".left.Ini." + std::to_string(dead) + ".7.tmp";
    const std::string ours = ".left.Ini." + std::to_string(::getpid()) + ".8.tmp";
    const std::string alive = ".left.Ini.1.9.tmp";  // init never goes away
    for (const auto& name : {stale, ours, alive, std::string(".other.Ini.1.tmp")})
        WriteBytes(PathOf(name), "[A]\nk=");
    TProfileFile(path).Update([](TProfileEdit& e) { e.WriteInteger("A", "k", 1); });
    EXPECT_THAT(OthersIn(Folder_, "left.Ini"),
                ::testing::UnorderedElementsAre(ours, alive, ".other.Ini.1.tmp"));
}

TEST_F(ProfileFileTest, ReplacedFileKeepsItsModeAndStaysBehindItsLink) {
    std::string path = PathOf("private.Ini");
    WriteBytes(path, "[A]\n");
    ::chmod(path.c_str(), 0600);
    TProfileFile(path).Update([](TProfileEdit& e) { e.WriteString("A", "k", "1"); });
    EXPECT_EQ(StatOf(path).st_mode & 07777, 0600u);

    mode_t old = ::umask(027);
    TProfileFile(PathOf("new.Ini")).Update([](TProfileEdit& e) { e.WriteString("A", "k", "1"); });
    ::umask(old);
    EXPECT_EQ(StatOf(PathOf("new.Ini")).st_mode & 07777, 0640u);

    fs::create_symlink(path, PathOf("link.Ini"));
    TProfileFile(PathOf("link.Ini")).Update([](TProfileEdit& e) { e.WriteString("A", "k", "2"); });
    EXPECT_TRUE(fs::is_symlink(PathOf("link.Ini")));
    EXPECT_EQ(FileBytes(path), "[A]\r\nk=2\r\n");
}

// ---------------------------------------------------------------------------------------------
// Threads

TEST_F(ProfileFileTest, UpdatesFromTwoThreadsAndTwoObjectsAreNotLost) {
    std::string path = PathOf("threads.Ini");
    constexpr int kUpdates = 25;
    TProfileFile first(path);
    TProfileFile second(path);
    auto count = [&](TProfileFile& file, const std::string& key) {
        for (int i = 0; i < kUpdates; ++i) {
            file.Update([&](TProfileEdit& e) {
                e.WriteInteger("Counts", key, e.ReadInteger("Counts", key, 0) + 1);
                e.WriteInteger("Counts", "Total", e.ReadInteger("Counts", "Total", 0) + 1);
            });
            auto data = file.Read();  // a reader between the writes sees whole updates
            EXPECT_LE(data->ReadInteger("Counts", key, 0), data->ReadInteger("Counts", "Total", 0));
        }
    };
    std::thread a(count, std::ref(first), "A");
    std::thread b(count, std::ref(first), "B");
    std::thread c(count, std::ref(second), "C");
    a.join();
    b.join();
    c.join();
    auto data = TProfileFile(path).Read();
    EXPECT_EQ(data->ReadInteger("Counts", "A", 0), kUpdates);
    EXPECT_EQ(data->ReadInteger("Counts", "B", 0), kUpdates);
    EXPECT_EQ(data->ReadInteger("Counts", "C", 0), kUpdates);
    EXPECT_EQ(data->ReadInteger("Counts", "Total", 0), 3 * kUpdates);
}

// ---------------------------------------------------------------------------------------------
// Crash safety

// One update of the crash test: every key of several sections takes the new count, a padding
// value changes the file's length, and a section comes and goes.
void ApplyCrashUpdate(TProfileEdit& e) {
    int n = e.ReadInteger("State", "Count", 0) + 1;
    for (int i = 0; i < 8; ++i) e.WriteInteger("State", "Key" + std::to_string(i), n);
    e.WriteString("Pad", "Text", std::string(static_cast<size_t>(n % 97) * 13, 'x'));
    if (n % 3 == 0)
        e.EraseSection("Extra");
    else
        e.WriteInteger("Extra", "N", n);
    e.WriteInteger("State", "Count", n);
    e.WriteInteger("End", "Count", n);
}

// The count of a whole state; a mixed or cut state fails the test.
int CheckedCount(const std::string& bytes) {
    TProfileData data = TProfileData::Parse(bytes);
    int n = data.ReadInteger("State", "Count", -1);
    EXPECT_EQ(data.Text(), bytes) << "the file is not a whole file";
    EXPECT_EQ(data.ReadInteger("End", "Count", -1), n);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(data.ReadInteger("State", "Key" + std::to_string(i), -1), n);
    EXPECT_EQ(data.ReadString("Pad", "Text").size(), static_cast<size_t>(n % 97) * 13);
    EXPECT_EQ(data.ValueExists("Extra", "N"), n % 3 != 0);
    EXPECT_EQ(data.ReadInteger("Extra", "N", n), n);
    return n;
}

TEST_F(ProfileFileTest, KilledWriterLeavesTheOldOrTheNewStateNeverAMix) {
    std::string path = PathOf("crash.Ini");
    TProfileFile(path).Update([](TProfileEdit& e) {
        e.WriteInteger("State", "Count", 0);
        ApplyCrashUpdate(e);
    });
    std::mt19937 random(20140401);
    std::uniform_int_distribution<int> delayMicroseconds(0, 8000);
    const int first = CheckedCount(FileBytes(path));
    int last = first;
    for (int kill = 0; kill < 200 && !HasFailure(); ++kill) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        pid_t pid = ::fork();
        if (pid == 0) {
            // Says when it is ready to write, so that the kills land among its updates.
            TProfileFile file(path);
            try {
                file.Read();
                if (::write(ready[1], "r", 1) != 1) ::_exit(3);
                for (;;) file.Update(ApplyCrashUpdate);
            } catch (...) {
                ::_exit(4);
            }
        }
        char byte = 0;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        ::usleep(static_cast<useconds_t>(delayMicroseconds(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself: " << status;

        SCOPED_TRACE("after kill " + std::to_string(kill));
        int now = CheckedCount(FileBytes(path));
        EXPECT_GE(now, last);
        last = now;
        // Leftovers of killed writes are hidden temporary files beside the file, and the file
        // object reads the same state as the bytes.
        for (const auto& name : OthersIn(Folder_, "crash.Ini")) {
            EXPECT_TRUE(name.starts_with(".crash.Ini.") && name.ends_with(".tmp")) << name;
            fs::remove(PathOf(name));
        }
        EXPECT_EQ(TProfileFile(path).Read()->ReadInteger("State", "Count", -1), now);
    }
    EXPECT_GT(last, first) << "the writers made no update";
}

}  // namespace
