#include "support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace palvex::test {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "palvex-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    path_ = pattern + "/";
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
}

std::string TempDir::Write(std::string_view relative, std::string_view content) const {
    const std::filesystem::path file = path_ + std::string(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary)
        .write(content.data(), static_cast<std::streamsize>(content.size()));
    return file.string();
}

void TempDir::MakeDir(std::string_view relative) const {
    std::filesystem::create_directories(path_ + std::string(relative));
}

std::string TempDir::Read(std::string_view relative) const {
    return ReadFile(path_ + std::string(relative));
}

std::string TempDir::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace palvex::test
