#pragma once
// A fresh folder below the system's temporary folder, removed with its content.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace palvex {

class TTempFolder {
  public:
    TTempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "palvex-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern + "/" : std::string();
    }
    ~TTempFolder() {
        std::error_code ignored;
        if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // Absolute path of a name inside the folder ("" is the folder, ending in "/").
    std::string operator/(const std::string& name) const { return path_ + name; }

    // Writes bytes to a file inside, creating its folders.
    std::string Write(const std::string& name, const std::string& bytes) const {
        const std::string file = path_ + name;
        std::filesystem::create_directories(std::filesystem::path(file).parent_path());
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    static std::string Read(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

  private:
    std::string path_;
};

}  // namespace palvex
