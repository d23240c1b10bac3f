#include "common/FileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "common/TextConv.h"

namespace palvex {

namespace {

// Piece size for whatever a file gained since it was opened.
constexpr size_t kGrowthChunkBytes = 16384;

// Reads the size fstat gave, or less when the file shrank; false on an error.
bool ReadPresized(int fd, std::string& out) {
    size_t done = 0;
    while (done < out.size()) {
        const ssize_t n = read(fd, out.data() + done, out.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    out.resize(done);
    return true;
}

// Appends what the file gained meanwhile; false past maxBytes or on an error.
bool ReadGrowth(int fd, uint64_t maxBytes, std::string& out) {
    char chunk[kGrowthChunkBytes];
    for (;;) {
        const ssize_t n = read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        if (out.size() + static_cast<uint64_t>(n) > maxBytes) return false;
        out.append(chunk, static_cast<size_t>(n));
    }
}

// Reads what fd holds until its end into out; false for a file that is not
// regular or holds more than maxBytes.
bool ReadOpenFile(int fd, uint64_t maxBytes, std::string& out) {
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    if (static_cast<uint64_t>(info.st_size) > maxBytes) return false;
    out.resize(static_cast<size_t>(info.st_size));
    return ReadPresized(fd, out) && ReadGrowth(fd, maxBytes, out);
}

// False for an open that failed, with errno as open left it; but out of
// descriptors open says so before it looks for the file, so a file that is
// not there gives the error of stat.
bool OpenFailed(const std::string& path) {
    const int error = errno;
    struct stat info {};
    if (IsResourceShortage(error) && stat(path.c_str(), &info) != 0) return false;
    errno = error;
    return false;
}

}  // namespace

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = write(fd, data.data(), data.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

bool IsResourceShortage(int error) {
    return error == EMFILE || error == ENFILE || error == ENOMEM || error == ENOBUFS;
}

bool ReadExactly(int fd, std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ReadWholeFile(std::string_view path, uint64_t maxBytes, std::string& out) {
    out.clear();
    const std::string fsPath(path);
    const int fd = open(fsPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return OpenFailed(fsPath);
    errno = 0;
    bool ok = false;
    try {
        ok = ReadOpenFile(fd, maxBytes, out);
    } catch (const std::bad_alloc&) {
        ok = false;
        errno = ENOMEM;
    }
    const int error = errno;
    close(fd);
    if (!ok) std::string().swap(out);
    errno = error;
    return ok;
}

bool ReadFileBytes(std::u16string_view path, std::string& bytes, uint64_t maxBytes) {
    bytes.clear();
    errno = 0;
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos || maxBytes == 0)
        return false;
    if (!ReadWholeFile(WideToUtf8(path), maxBytes - 1, bytes)) return false;
    return !bytes.empty();
}

int64_t FileSizeOf(std::u16string_view path) {
    struct stat info {};
    if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return -1;
    if (stat(WideToUtf8(path).c_str(), &info) != 0) return -1;
    return static_cast<int64_t>(info.st_size);
}

}  // namespace palvex
