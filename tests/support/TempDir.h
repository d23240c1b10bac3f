#pragma once
// A temporary folder for a test, removed with everything in it at the end.

#include <string>
#include <string_view>

namespace palvex::test {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The folder path, ending with "/".
    const std::string& Path() const { return path_; }
    // Absolute path of a name inside the folder ("" is the folder itself).
    std::string operator/(std::string_view relative) const { return path_ + std::string(relative); }
    // Writes a file (parent folders are created) and returns its path.
    std::string Write(std::string_view relative, std::string_view content) const;
    void MakeDir(std::string_view relative) const;
    std::string Read(std::string_view relative) const;
    // Whole content of a file given by its absolute path; empty when unreadable.
    static std::string ReadFile(const std::string& path);

  private:
    std::string path_;
};

}  // namespace palvex::test
