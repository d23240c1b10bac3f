#include "config/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "common/FileIo.h"
#include "config/PathOps.h"

namespace palvex {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kTempSuffix = ".tmp-XXXXXX";
// Mode of a new file: the configuration can hold passwords.
constexpr mode_t kNewFileMode = 0600;
constexpr mode_t kOwnerBits = 0700;

// Closes a descriptor when it goes out of scope.
class TFd {
  public:
    explicit TFd(int fd) : fd_(fd) {}
    ~TFd() {
        if (fd_ >= 0) close(fd_);
    }
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    int Get() const { return fd_; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        const int fd = fd_;
        fd_ = -1;
        return close(fd) == 0;
    }

  private:
    int fd_;
};

// The file that writing to path really changes: the target of a link.
std::string ResolveTarget(std::string_view path) {
    char* real = realpath(std::string(path).c_str(), nullptr);
    if (!real) return std::string(path);
    std::string target(real);
    std::free(real);
    return target;
}

// Writes text into the open temporary file and gives it the old file's mode.
bool FillTemporary(TFd& fd, const std::string& target, std::string_view text, bool ownerOnly) {
    struct stat old;
    mode_t mode = stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : kNewFileMode;
    if (ownerOnly) mode &= kOwnerBits;
    return fchmod(fd.Get(), mode) == 0 && WriteAll(fd.Get(), text) && fsync(fd.Get()) == 0 &&
           fd.Close();
}

// Makes the rename itself durable; failures only cost durability.
void SyncFolder(const std::string& folder) {
    TFd dir(open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.Get() >= 0) fsync(dir.Get());
}

}  // namespace

std::vector<std::string> SplitLines(std::string_view text) {
    if (text.starts_with(kUtf8Bom)) text.remove_prefix(kUtf8Bom.size());
    std::vector<std::string> lines;
    while (!text.empty()) {
        const size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) break;
        const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
        text.remove_prefix(end + (crlf ? 2 : 1));
    }
    return lines;
}

bool WriteFileReplacing(std::string_view path, std::string_view text, bool ownerOnly) {
    if (path.empty()) return false;
    const std::string target = ResolveTarget(path);
    const std::string folder = FolderOf(target);
    std::string temp = folder + "." + target.substr(folder.size()) + std::string(kTempSuffix);
    TFd fd(mkstemp(temp.data()));
    if (fd.Get() < 0) return false;
    if (!FillTemporary(fd, target, text, ownerOnly) || rename(temp.c_str(), target.c_str()) != 0) {
        unlink(temp.c_str());
        return false;
    }
    SyncFolder(folder);
    return true;
}

}  // namespace palvex
