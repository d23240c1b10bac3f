#include "capture/ImageDecode.h"

#include <cstring>
#include <string>
#include <string_view>

#include "common/FileIo.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

bool StartsWith(std::span<const uint8_t> file, std::string_view magic) {
    return file.size() >= magic.size() && std::memcmp(file.data(), magic.data(), magic.size()) == 0;
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
    std::string file;
    if (!ReadWholeFile(WideToUtf8(path), kMaxImageFileBytes, file)) return std::nullopt;
    return DecodeImage(std::span(reinterpret_cast<const uint8_t*>(file.data()), file.size()),
                       fitEdge);
}

}  // namespace palvex
