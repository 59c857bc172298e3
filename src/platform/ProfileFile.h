#pragma once
// INI profile files: the settings and the local store keep their data in them.
//
// The format is the one the controller tools have always shared: sections "[name]" of
// "key=value" lines, ';' comments, sections and keys matched without regard to ASCII case,
// the first section and the first key of a name winning. On disk the texts are GBK with
// CRLF line ends; every name and value crosses this layer as UTF-8.
//
// A file is parsed once and the parse is kept until the file on disk changes (its inode,
// size or modification time). Reading goes through an immutable snapshot, so that many reads
// see one consistent state; writing goes through an edit that is saved as one whole new
// file, replaced atomically, so that a crash leaves either the old or the new file.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/Clock.h"

// A text the file cannot hold, or a file that cannot be read or written. The message is the
// text the user sees and names the file.
class TProfileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One parsed profile file. Names and values are passed and answered in UTF-8.
class TProfileData {
public:
    TProfileData() = default;
    // The file's bytes (GBK; line ends CR, LF or CRLF).
    static TProfileData Parse(std::string_view gbkText);
    // The bytes to save: GBK, every line ended by CRLF.
    std::string Text() const;

    bool SectionExists(std::string_view section) const;
    bool ValueExists(std::string_view section, std::string_view key) const;
    // Section names, each once, in file order.
    std::vector<std::string> ReadSections() const;
    // The keys of a section, each once, in file order.
    std::vector<std::string> ReadSection(std::string_view section) const;
    // The lines of a section in file order, without blank lines and comments: a key line as
    // "key=value" (blanks and quotes removed), any other line as it stands, trimmed.
    std::vector<std::string> ReadSectionLines(std::string_view section) const;

    std::string ReadString(std::string_view section, std::string_view key,
                           std::string_view defaultValue = {}) const;
    // Blanks, an optional sign and the digits up to the first non-digit ("42A9" is 42); a
    // value without digits gives the default. Beyond the range of int it saturates.
    int ReadInteger(std::string_view section, std::string_view key, int defaultValue) const;
    // An integer; any value but 0 is true.
    bool ReadBool(std::string_view section, std::string_view key, bool defaultValue) const;
    // The whole value as a decimal number with '.' as the separator; else the default.
    double ReadFloat(std::string_view section, std::string_view key, double defaultValue) const;
    // "hh:nn:ss" and "yyyy-mm-dd hh:nn:ss"; an unreadable value gives the default.
    TDateTime ReadTime(std::string_view section, std::string_view key,
                       TDateTime defaultValue) const;
    TDateTime ReadDateTime(std::string_view section, std::string_view key,
                           TDateTime defaultValue) const;

protected:
    enum class TLineKind { Blank, Comment, Entry, Other };
    struct TLine {
        TLineKind Kind = TLineKind::Blank;
        std::string Raw;    // the line as it stands in the file, without its line end
        std::string Key;    // an entry's key, trimmed
        std::string Value;  // an entry's value, trimmed and unquoted
    };
    struct TSection {
        bool HasHeader = false;  // false only for the lines before the first header
        std::string Name;        // trimmed, GBK
        std::string Header;      // the header line as it stands
        std::vector<TLine> Lines;
    };

    // The first section and the first key of a name; nullptr when there is none.
    const TSection* FindSection(std::string_view gbkName) const;
    static const TLine* FindEntry(const TSection& section, std::string_view gbkKey);
    const TLine* FindEntry(std::string_view section, std::string_view key) const;  // UTF-8

    // Section look-ups by name are constant time: stores of thousands of stations look up
    // every section by name.
    void IndexSections();

    std::vector<TSection> Sections_;
    std::unordered_map<std::string, size_t> SectionIndex_;  // folded GBK name -> first section
};

// The changes of one update, made on a private copy of the file's parse. Reads through the
// edit see the changes made so far. A refused text throws TProfileError and, as any
// exception from the update, discards every change of the update.
class TProfileEdit : public TProfileData {
public:
    // Updates the first key of the name in the first section of the name, in place and with
    // its own spelling; a new key goes after the last line of its section, a new section at
    // the end of the file.
    void WriteString(std::string_view section, std::string_view key, std::string_view value);
    void WriteInteger(std::string_view section, std::string_view key, int value);
    void WriteBool(std::string_view section, std::string_view key, bool value);  // 1 / 0
    // Shortest plain decimal that reads back as the same number (8, 102.7).
    void WriteFloat(std::string_view section, std::string_view key, double value);
    void WriteTime(std::string_view section, std::string_view key, TDateTime value);
    void WriteDateTime(std::string_view section, std::string_view key, TDateTime value);
    // Removes every section of the name.
    void EraseSection(std::string_view section);
    // Removes every line of the key from the section.
    void DeleteKey(std::string_view section, std::string_view key);

    bool Changed() const { return Changed_; }

private:
    friend class TProfileFile;
    TProfileEdit(const TProfileData& data, std::string fileName);

    std::string SectionName(std::string_view section) const;  // checked, GBK
    std::string KeyName(std::string_view key) const;          // checked, GBK
    void CheckNoLineBreak(std::string_view text) const;
    [[noreturn]] void Refuse(const std::string& why) const;

    std::string FileName_;
    bool Changed_ = false;
};

// A profile file on disk, by name; the file need not exist (it then reads as empty, and the
// first update creates it). Safe to use from several threads; objects for the same file in
// one process share one lock and one parse, so they never lose each other's updates.
class TProfileFile {
public:
    explicit TProfileFile(std::string fileName);
    ~TProfileFile();
    TProfileFile(const TProfileFile&) = delete;
    TProfileFile& operator=(const TProfileFile&) = delete;

    const std::string& FileName() const { return FileName_; }

    // The file as it is now; re-parsed only when the file changed since the last parse.
    std::shared_ptr<const TProfileData> Read() const;
    // Runs the edits on the current parse and, when they changed anything, saves the whole
    // file once: a new file beside it, flushed to disk, renamed over the old one (whose
    // mode and owner it takes). Throws TProfileError when the file cannot be read or
    // written; the file on disk then stays as it was. The edits hold this file's lock: they
    // read through the edit, never through this object.
    void Update(const std::function<void(TProfileEdit&)>& edits);

    // How often the file was parsed and written since the first object for it was made
    // (tests and benchmarks).
    std::uint64_t ParseCount() const;
    std::uint64_t WriteCount() const;

private:
    struct TShared;
    std::string FileName_;
    std::shared_ptr<TShared> Shared_;
};
