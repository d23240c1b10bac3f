#include <tiffio.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/ImageDecode.h"

namespace palvex {

namespace {

// No single allocation inside libtiff may exceed this.
constexpr tmsize_t kMaxTiffAllocation = 256 * 1024 * 1024;

struct TTiffMemory {
    std::span<const uint8_t> Data;
    uint64_t Pos = 0;
};

TTiffMemory* MemoryOf(thandle_t handle) {
    return static_cast<TTiffMemory*>(handle);
}

tmsize_t ReadBytes(thandle_t handle, void* out, tmsize_t count) {
    TTiffMemory* m = MemoryOf(handle);
    if (count <= 0 || m->Pos >= m->Data.size()) return 0;
    const size_t take = std::min<uint64_t>(static_cast<uint64_t>(count), m->Data.size() - m->Pos);
    std::memcpy(out, m->Data.data() + m->Pos, take);
    m->Pos += take;
    return static_cast<tmsize_t>(take);
}

tmsize_t RefuseWrite(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t Seek(thandle_t handle, toff_t offset, int whence) {
    TTiffMemory* m = MemoryOf(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR) base = m->Pos;
    if (whence == SEEK_END) base = m->Data.size();
    if (offset > UINT64_MAX - base) return static_cast<toff_t>(-1);
    m->Pos = base + offset;
    return m->Pos;
}

int CloseNothing(thandle_t) {
    return 0;
}

toff_t SizeOf(thandle_t handle) {
    return MemoryOf(handle)->Data.size();
}

int NoMapping(thandle_t, void**, toff_t*) {
    return 0;
}

void NoUnmapping(thandle_t, void*, toff_t) {}

int Silence(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

struct TTiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};

struct TOptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// Opens the bytes as a TIFF with silent errors and bounded allocations.
std::unique_ptr<TIFF, TTiffCloser> OpenMemory(TTiffMemory& memory) {
    std::unique_ptr<TIFFOpenOptions, TOptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options) return nullptr;
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), Silence, nullptr);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), Silence, nullptr);
    return std::unique_ptr<TIFF, TTiffCloser>(
        TIFFClientOpenExt("memory", "rm", &memory, ReadBytes, RefuseWrite, Seek, CloseNothing,
                          SizeOf, NoMapping, NoUnmapping, options.get()));
}

}  // namespace

std::optional<TBitmap> DecodeTiff(std::span<const uint8_t> file) {
    TTiffMemory memory{file};
    auto tif = OpenMemory(memory);
    if (!tif) return std::nullopt;
    uint32_t width = 0, height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    char message[1024];
    TBitmap bitmap;
    if (!TBitmap::SizeAllowed(width, height) || !TIFFRGBAImageOK(tif.get(), message) ||
        !bitmap.Create(static_cast<int>(width), static_cast<int>(height)))
        return std::nullopt;
    std::vector<uint32_t> raster(static_cast<size_t>(width) * height);
    if (!TIFFReadRGBAImageOriented(tif.get(), width, height, raster.data(), ORIENTATION_TOPLEFT, 0))
        return std::nullopt;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* in = &raster[static_cast<size_t>(y) * width];
        uint8_t* out = bitmap.Row(static_cast<int>(y));
        for (uint32_t x = 0; x < width; ++x, out += kBytesPerPixel) {
            out[0] = static_cast<uint8_t>(TIFFGetB(in[x]));
            out[1] = static_cast<uint8_t>(TIFFGetG(in[x]));
            out[2] = static_cast<uint8_t>(TIFFGetR(in[x]));
        }
    }
    return bitmap;
}

}  // namespace palvex
