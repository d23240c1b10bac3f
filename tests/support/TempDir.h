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
    // Writes a file (parent folders are created).
    void Write(std::string_view relative, std::string_view content) const;
    void MakeDir(std::string_view relative) const;
    std::string Read(std::string_view relative) const;

  private:
    std::string path_;
};

}  // namespace palvex::test
