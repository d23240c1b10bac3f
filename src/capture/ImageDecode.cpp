#include "capture/ImageDecode.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/TextConv.h"

namespace palvex {

namespace {

bool StartsWith(std::span<const uint8_t> file, std::string_view magic) {
    return file.size() >= magic.size() && std::memcmp(file.data(), magic.data(), magic.size()) == 0;
}

// Reads a whole regular file of at most kMaxImageFileBytes.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0 &&
              static_cast<unsigned long long>(st.st_size) <= kMaxImageFileBytes;
    if (ok) {
        out.resize(static_cast<size_t>(st.st_size));
        size_t done = 0;
        // A file that shrinks meanwhile ends the loop with what was there.
        while (done < out.size()) {
            const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        out.resize(done);
    }
    ::close(fd);
    return ok;
}

}  // namespace

std::optional<TBitmap> DecodeImage(std::span<const uint8_t> file, int fitEdge) {
    using namespace std::string_view_literals;
    if (StartsWith(file, "BM"sv)) return DecodeBmp(file);
    if (StartsWith(file, "\xFF\xD8\xFF"sv)) return DecodeJpeg(file, fitEdge);
    if (StartsWith(file, "\x89PNG\r\n\x1A\n"sv)) return DecodePng(file);
    if (StartsWith(file, "GIF87a"sv) || StartsWith(file, "GIF89a"sv)) return DecodeGif(file);
    if (StartsWith(file, "II*\0"sv) || StartsWith(file, "MM\0*"sv) || StartsWith(file, "II+\0"sv) ||
        StartsWith(file, "MM\0+"sv))
        return DecodeTiff(file);
    return std::nullopt;
}

std::optional<TBitmap> LoadImageAsBitmap(const std::u16string& path, int fitEdge) {
    std::vector<uint8_t> file;
    if (!ReadWholeFile(WideToUtf8(path), file)) return std::nullopt;
    return DecodeImage(file, fitEdge);
}

}  // namespace palvex
