#include "support/TempDir.h"

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "rtu-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    Path_ = pattern;
}

TempDir::~TempDir() {
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::permissions(Path_, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(Path_, ignored))
        if (entry.is_directory(ignored))
            fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(Path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    WriteWholeFile(File(name), bytes);
}

std::string TempDir::Read(const std::string& name) const {
    return ReadWholeFile(File(name));
}

std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void WriteWholeFile(const std::string& fileName, const std::string& bytes) {
    std::ofstream(fileName, std::ios::binary | std::ios::trunc) << bytes;
}
