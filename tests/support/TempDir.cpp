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
    std::error_code ignored;
    std::filesystem::remove_all(Path_, ignored);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(File(name), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string TempDir::Read(const std::string& name) const {
    std::ifstream in(File(name), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
