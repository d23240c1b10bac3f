#include "capture/ImageWriters.h"

#include <gif_lib.h>
#include <png.h>
#include <tiffio.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>

namespace palvex::testing {

TBitmap TestPicture(int width, int height) {
    TBitmap b;
    b.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = b.Pixel(x, y);
            p[0] = static_cast<uint8_t>(16 * x), p[1] = static_cast<uint8_t>(20 * y);
            p[2] = static_cast<uint8_t>(x + y);
        }
    return b;
}

TBitmap SmoothPicture(int width, int height) {
    TBitmap b;
    b.Create(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* p = b.Pixel(x, y);
            p[0] = static_cast<uint8_t>(255 * x / std::max(width - 1, 1));
            p[1] = static_cast<uint8_t>(255 * y / std::max(height - 1, 1));
            p[2] = 128;
        }
    return b;
}

bool SamePixelsWithin(const TBitmap& a, const TBitmap& b, int tolerance) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width() * 3; ++x)
            if (std::abs(a.Row(y)[x] - b.Row(y)[x]) > tolerance) return false;
    return true;
}

std::vector<uint8_t> WritePng(const TBitmap& bitmap) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = bitmap.Width();
    image.height = bitmap.Height();
    image.format = PNG_FORMAT_BGR;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, bitmap.Row(0),
                              static_cast<png_int_32>(bitmap.Stride()), nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, bitmap.Row(0),
                              static_cast<png_int_32>(bitmap.Stride()), nullptr);
    out.resize(size);
    return out;
}

namespace {

int AppendGifBytes(GifFileType* gif, const GifByteType* bytes, int count) {
    auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), bytes, bytes + count);
    return count;
}

}  // namespace

std::vector<uint8_t> WriteGif(const TBitmap& bitmap, bool interlaced) {
    std::map<uint32_t, int> indexOf;
    std::vector<GifColorType> colours;
    std::vector<std::vector<GifPixelType>> rows(bitmap.Height());
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const uint8_t* p = bitmap.Pixel(x, y);
            const uint32_t key = p[0] | p[1] << 8 | p[2] << 16;
            auto [it, fresh] = indexOf.emplace(key, static_cast<int>(colours.size()));
            if (fresh) colours.push_back({p[2], p[1], p[0]});
            rows[y].push_back(static_cast<GifPixelType>(it->second));
        }
    colours.resize(256);
    std::vector<uint8_t> out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, AppendGifBytes, &error);
    ColorMapObject* map = GifMakeMapObject(256, colours.data());
    EGifPutScreenDesc(gif, bitmap.Width(), bitmap.Height(), 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, bitmap.Width(), bitmap.Height(), interlaced, nullptr);
    const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
    for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass)
        for (int y = interlaced ? starts[pass] : 0; y < bitmap.Height();
             y += interlaced ? steps[pass] : 1)
            EGifPutLine(gif, rows[y].data(), bitmap.Width());
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out;
}

std::vector<uint8_t> WriteTiff(const TBitmap& bitmap, const std::string& scratchPath) {
    TIFF* tif = TIFFOpen(scratchPath.c_str(), "w");
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, bitmap.Width());
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, bitmap.Height());
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 2);
    std::vector<uint8_t> rgb(bitmap.Width() * 3);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                rgb[x * 3 + c] = bitmap.Pixel(x, y)[2 - c];
        TIFFWriteScanline(tif, rgb.data(), y, 0);
    }
    TIFFClose(tif);
    std::ifstream in(scratchPath, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace palvex::testing
