#pragma once
// A fresh folder under the system's temporary folder, removed with everything in it when the
// object goes (folders a test made unwritable included).

#include <string>

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return Path_; }
    std::string File(const std::string& name) const { return Path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return File(name); }

    // Whole-file helpers for fixtures (bytes as they are on disk).
    void Write(const std::string& name, const std::string& bytes) const;
    std::string Read(const std::string& name) const;

private:
    std::string Path_;
};

// Whole files by name, bytes as they are on disk.
std::string ReadWholeFile(const std::string& fileName);
void WriteWholeFile(const std::string& fileName, const std::string& bytes);
