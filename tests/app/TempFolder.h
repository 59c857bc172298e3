#pragma once
// A fresh folder for one test, removed with everything in it afterwards.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

class TTempFolder {
  public:
    TTempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "rtu-app-test-XXXXXX").string();
        Path_ = ::mkdtemp(pattern.data());
    }
    ~TTempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(Path_, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const std::string& Path() const { return Path_; }
    std::string operator/(const std::string& name) const { return Path_ + "/" + name; }

  private:
    std::string Path_;
};

inline std::string ReadWholeFile(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteWholeFile(const std::string& fileName, const std::string& bytes) {
    std::ofstream(fileName, std::ios::binary) << bytes;
}
