#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/ImageDecode.h"

namespace palvex {

namespace {

// Row order of an interlaced image: four passes of start row and step.
constexpr int kPassStart[4] = {0, 4, 2, 1};
constexpr int kPassStep[4] = {8, 8, 4, 2};

struct TGifReader {
    std::span<const uint8_t> Data;
    size_t Pos = 0;
};

int ReadBytes(GifFileType* gif, GifByteType* out, int count) {
    auto* reader = static_cast<TGifReader*>(gif->UserData);
    const size_t take =
        std::min(static_cast<size_t>(std::max(count, 0)), reader->Data.size() - reader->Pos);
    std::memcpy(out, reader->Data.data() + reader->Pos, take);
    reader->Pos += take;
    return static_cast<int>(take);
}

struct TGifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using TGifHandle = std::unique_ptr<GifFileType, TGifCloser>;

// Skips extension blocks up to the first image; false without one.
bool SeekFirstImage(GifFileType* gif) {
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) == GIF_OK;
        if (type != EXTENSION_RECORD_TYPE) return false;
        int code = 0;
        GifByteType* block = nullptr;
        if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
        while (block != nullptr)
            if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
    }
}

void PutIndex(const ColorMapObject* map, int index, uint8_t* out) {
    if (index >= map->ColorCount) return;  // stays the background
    const GifColorType& c = map->Colors[index];
    out[0] = c.Blue;
    out[1] = c.Green;
    out[2] = c.Red;
}

// A canvas as large as the logical screen (grown when the image lies
// outside it), filled with the background colour.
bool MakeCanvas(const GifFileType* gif, TBitmap& canvas) {
    const GifImageDesc& d = gif->Image;
    const long long w = std::max<long long>(gif->SWidth, 0LL + d.Left + d.Width);
    const long long h = std::max<long long>(gif->SHeight, 0LL + d.Top + d.Height);
    if (!TBitmap::SizeAllowed(w, h) || !canvas.Create(static_cast<int>(w), static_cast<int>(h)))
        return false;
    if (gif->SColorMap == nullptr || gif->SBackGroundColor >= gif->SColorMap->ColorCount)
        return true;
    uint8_t background[kBytesPerPixel] = {};
    PutIndex(gif->SColorMap, gif->SBackGroundColor, background);
    for (int y = 0; y < canvas.Height(); ++y)
        for (int x = 0; x < canvas.Width(); ++x)
            std::memcpy(canvas.Pixel(x, y), background, kBytesPerPixel);
    return true;
}

// Reads the image's rows (in interlace order when needed) onto the canvas.
bool ReadImage(GifFileType* gif, TBitmap& canvas) {
    const GifImageDesc& d = gif->Image;
    const ColorMapObject* map = d.ColorMap != nullptr ? d.ColorMap : gif->SColorMap;
    if (map == nullptr || d.Width <= 0 || d.Height <= 0 || d.Left < 0 || d.Top < 0) return false;
    std::vector<GifPixelType> line(static_cast<size_t>(d.Width));
    const int passes = d.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int start = d.Interlace ? kPassStart[pass] : 0;
        const int step = d.Interlace ? kPassStep[pass] : 1;
        for (int row = start; row < d.Height; row += step) {
            if (DGifGetLine(gif, line.data(), d.Width) == GIF_ERROR) return false;
            for (int x = 0; x < d.Width; ++x)
                PutIndex(map, line[x], canvas.Pixel(d.Left + x, d.Top + row));
        }
    }
    return true;
}

}  // namespace

std::optional<TBitmap> DecodeGif(std::span<const uint8_t> file) {
    TGifReader reader{file};
    int error = 0;
    TGifHandle gif(DGifOpen(&reader, ReadBytes, &error));
    if (!gif || !SeekFirstImage(gif.get())) return std::nullopt;
    TBitmap canvas;
    if (!MakeCanvas(gif.get(), canvas) || !ReadImage(gif.get(), canvas)) return std::nullopt;
    return canvas;
}

}  // namespace palvex
