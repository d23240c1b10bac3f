#include "capture/BmpFormat.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "capture/LittleEndian.h"

namespace palvex {

namespace {

constexpr uint32_t kCoreHeaderSize = 12;  // the old header with 16-bit sizes
constexpr uint32_t kMaskBytes = 12;       // red, green and blue masks
constexpr uint32_t kMaxPaletteEntries = 256;

struct TBgr {
    uint8_t B = 0, G = 0, R = 0;
};

// One colour channel of a 16- or 32-bit pixel: where its bits are and how many.
struct TChannel {
    uint32_t Mask = 0;
    int Shift = 0;
    int Bits = 0;
};

// Everything the pixel readers need, taken from the headers.
struct TLayout {
    TBitmapInfoHeader Header;
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    uint32_t PaletteStart = 0;
    uint32_t PaletteEntryBytes = 4;
    std::vector<TBgr> Palette;
    TChannel Red, Green, Blue;
    std::span<const uint8_t> Pixels;
};

TChannel MakeChannel(uint32_t mask) {
    if (mask == 0) return {};
    const int shift = std::countr_zero(mask);
    return {mask, shift, static_cast<int>(std::bit_width(mask >> shift))};
}

uint8_t Sample(const TChannel& channel, uint32_t pixel) {
    if (channel.Bits == 0) return 0;
    const uint32_t v = (pixel & channel.Mask) >> channel.Shift;
    if (channel.Bits >= 8) return static_cast<uint8_t>(v >> (channel.Bits - 8));
    return static_cast<uint8_t>(v * 255 / ((1u << channel.Bits) - 1));
}

// Reads the info header (either kind) that follows the file header.
bool ReadHeaders(std::span<const uint8_t> file, TLayout& layout) {
    if (file.size() < kBmpFileHeaderSize + 4 || LoadLe16(file.data()) != kBmpMagic) return false;
    const uint32_t headerSize = LoadLe32(&file[kBmpFileHeaderSize]);
    const std::span<const uint8_t> rest = file.subspan(kBmpFileHeaderSize);
    if (headerSize > rest.size()) return false;
    TBitmapInfoHeader& h = layout.Header;
    if (headerSize == kCoreHeaderSize) {
        h.Size = headerSize;
        h.Width = LoadLe16(&rest[4]);
        h.Height = LoadLe16(&rest[6]);
        h.BitCount = LoadLe16(&rest[10]);
        layout.PaletteEntryBytes = 3;
    } else if (auto read = ReadBitmapHeader(rest)) {
        h = *read;
    } else {
        return false;
    }
    layout.PaletteStart = kBmpFileHeaderSize + headerSize;
    return true;
}

bool CheckSize(TLayout& layout) {
    const long long height = layout.Header.Height;
    layout.TopDown = height < 0;
    if (!TBitmap::SizeAllowed(layout.Header.Width, height < 0 ? -height : height)) return false;
    layout.Width = layout.Header.Width;
    layout.Height = static_cast<int>(height < 0 ? -height : height);
    return true;
}

bool CompressionFits(const TBitmapInfoHeader& h) {
    switch (h.Compression) {
        case kBiRgb:
            return h.BitCount == 1 || h.BitCount == 4 || h.BitCount == 8 || h.BitCount == 16 ||
                   h.BitCount == 24 || h.BitCount == 32;
        case kBiBitFields:
            return h.BitCount == 16 || h.BitCount == 32;
        case kBiRle8:
            return h.BitCount == 8;
        case kBiRle4:
            return h.BitCount == 4;
        default:
            return false;
    }
}

// Channel masks: given in the header or behind it for bit fields, the
// classic 5-5-5 and 8-8-8 layouts otherwise.
bool ReadMasks(std::span<const uint8_t> file, TLayout& layout) {
    uint32_t red = 0xFF0000, green = 0xFF00, blue = 0xFF;
    if (layout.Header.BitCount == 16) red = 0x7C00, green = 0x3E0, blue = 0x1F;
    if (layout.Header.Compression == kBiBitFields) {
        const uint32_t at = kBmpFileHeaderSize + kBitmapInfoHeaderSize;
        if (file.size() < at + kMaskBytes) return false;
        red = LoadLe32(&file[at]);
        green = LoadLe32(&file[at + 4]);
        blue = LoadLe32(&file[at + 8]);
        // A plain 40-byte header keeps its masks where the palette would start.
        if (layout.Header.Size == kBitmapInfoHeaderSize) layout.PaletteStart += kMaskBytes;
    }
    layout.Red = MakeChannel(red);
    layout.Green = MakeChannel(green);
    layout.Blue = MakeChannel(blue);
    return true;
}

bool ReadPalette(std::span<const uint8_t> file, TLayout& layout) {
    if (layout.Header.BitCount > 8) return true;
    uint32_t count = layout.Header.ClrUsed;
    if (count == 0 || count > (1u << layout.Header.BitCount)) count = 1u << layout.Header.BitCount;
    if (count > kMaxPaletteEntries) count = kMaxPaletteEntries;
    const uint64_t end = uint64_t{layout.PaletteStart} + uint64_t{count} * layout.PaletteEntryBytes;
    if (end > file.size()) return false;
    layout.Palette.resize(count);
    for (uint32_t i = 0; i < count; ++i) {
        const uint8_t* p = &file[layout.PaletteStart + i * layout.PaletteEntryBytes];
        layout.Palette[i] = {p[0], p[1], p[2]};
    }
    return true;
}

void PutColour(uint8_t* out, const TBgr& c) {
    out[0] = c.B;
    out[1] = c.G;
    out[2] = c.R;
}

void PutIndex(const TLayout& layout, uint8_t* out, uint32_t index) {
    PutColour(out, index < layout.Palette.size() ? layout.Palette[index] : TBgr{});
}

// Decodes one stored row of an uncompressed file.
void DecodeRow(const TLayout& layout, const uint8_t* src, uint8_t* out) {
    const int bits = layout.Header.BitCount;
    for (int x = 0; x < layout.Width; ++x, out += kBytesPerPixel) {
        if (bits <= 8) {
            const int bit = x * bits;
            const uint32_t index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
            PutIndex(layout, out, index);
        } else if (bits == 24) {
            std::memcpy(out, src + x * 3, 3);
        } else {
            const uint32_t px = bits == 16 ? LoadLe16(src + x * 2) : LoadLe32(src + x * 4);
            PutColour(out,
                      {Sample(layout.Blue, px), Sample(layout.Green, px), Sample(layout.Red, px)});
        }
    }
}

bool DecodeUncompressed(const TLayout& layout, TBitmap& bitmap) {
    const size_t rowBytes = PaddedRowBytes(layout.Width, layout.Header.BitCount);
    if (rowBytes * layout.Height > layout.Pixels.size()) return false;
    for (int s = 0; s < layout.Height; ++s) {
        const int y = layout.TopDown ? s : layout.Height - 1 - s;
        DecodeRow(layout, &layout.Pixels[s * rowBytes], bitmap.Row(y));
    }
    return true;
}

// Run-length decoder state; pixels outside the picture are dropped.
struct TRleCursor {
    const TLayout& Layout;
    TBitmap& Bitmap;
    int X = 0;
    int Row = 0;  // counted from the bottom, as the runs are stored

    bool Done() const { return Row >= Layout.Height; }
    void Put(uint32_t index) {
        if (X >= Layout.Width || Done()) return;
        PutIndex(Layout, Bitmap.Pixel(X, Layout.Height - 1 - Row), index);
        ++X;
    }
    void Move(int dx, int dy) {
        X = std::min(X + dx, Layout.Width);
        Row += dy;
    }
};

// The index of pixel k of a run given as packed bytes (two per byte for RLE4).
uint32_t RunIndex(bool four, const uint8_t* bytes, int k) {
    if (!four) return bytes[k];
    return k % 2 == 0 ? bytes[k / 2] >> 4 : bytes[k / 2] & 0x0F;
}

// Handles an escape (a zero count); false at the end of the picture or data.
bool RleEscape(TRleCursor& cur, bool four, std::span<const uint8_t> data, size_t& pos) {
    const uint8_t code = data[pos + 1];
    pos += 2;
    if (code == 0) {
        cur.X = 0, ++cur.Row;
        return true;
    }
    if (code == 1) return false;
    if (code == 2) {
        if (pos + 2 > data.size()) return false;
        cur.Move(data[pos], data[pos + 1]);
        pos += 2;
        return true;
    }
    const size_t bytes = four ? (code + 1u) / 2 : code;
    if (pos + bytes > data.size()) return false;
    for (int k = 0; k < code; ++k)
        cur.Put(RunIndex(four, &data[pos], k));
    pos += (bytes + 1) & ~size_t{1};  // absolute runs are padded to 16 bits
    return true;
}

bool DecodeRle(const TLayout& layout, TBitmap& bitmap) {
    if (layout.TopDown) return false;
    const bool four = layout.Header.Compression == kBiRle4;
    const std::span<const uint8_t> data = layout.Pixels;
    TRleCursor cur{layout, bitmap};
    size_t pos = 0;
    // Every step consumes at least two bytes, so the loop ends with the data.
    while (pos + 2 <= data.size() && !cur.Done()) {
        const uint8_t count = data[pos];
        if (count == 0) {
            if (!RleEscape(cur, four, data, pos)) break;
            continue;
        }
        const uint8_t pair[1] = {data[pos + 1]};
        for (int k = 0; k < count; ++k)
            cur.Put(four ? RunIndex(true, pair, k % 2) : pair[0]);
        pos += 2;
    }
    return true;
}

}  // namespace

TBitmapInfoHeader MakeBitmapHeader(int width, int height, int bits) {
    TBitmapInfoHeader h;
    h.Width = width;
    h.Height = height;
    h.BitCount = static_cast<uint16_t>(bits);
    h.SizeImage = static_cast<uint32_t>(PaddedRowBytes(width, bits) * height);
    return h;
}

std::optional<uint32_t> ImageBytesOf(const TBitmapInfoHeader& header) {
    const long long height =
        header.Height < 0 ? -static_cast<long long>(header.Height) : header.Height;
    if (header.Compression != kBiRgb && header.Compression != kBiBitFields) return std::nullopt;
    if (!TBitmap::SizeAllowed(header.Width, height) || header.BitCount == 0 || header.BitCount > 32)
        return std::nullopt;
    return static_cast<uint32_t>(PaddedRowBytes(header.Width, header.BitCount) * height);
}

std::optional<TBitmapInfoHeader> ReadBitmapHeader(std::span<const uint8_t> bytes) {
    if (bytes.size() < kBitmapInfoHeaderSize) return std::nullopt;
    TBitmapInfoHeader h;
    const uint8_t* p = bytes.data();
    h.Size = LoadLe32(p);
    if (h.Size < kBitmapInfoHeaderSize) return std::nullopt;
    h.Width = static_cast<int32_t>(LoadLe32(p + 4));
    h.Height = static_cast<int32_t>(LoadLe32(p + 8));
    h.Planes = LoadLe16(p + 12);
    h.BitCount = LoadLe16(p + 14);
    h.Compression = LoadLe32(p + 16);
    h.SizeImage = LoadLe32(p + 20);
    h.XPelsPerMeter = static_cast<int32_t>(LoadLe32(p + 24));
    h.YPelsPerMeter = static_cast<int32_t>(LoadLe32(p + 28));
    h.ClrUsed = LoadLe32(p + 32);
    h.ClrImportant = LoadLe32(p + 36);
    return h;
}

void AppendBitmapHeader(std::vector<uint8_t>& out, const TBitmapInfoHeader& h) {
    AppendLe32(out, h.Size);
    AppendLe32(out, static_cast<uint32_t>(h.Width));
    AppendLe32(out, static_cast<uint32_t>(h.Height));
    AppendLe16(out, h.Planes);
    AppendLe16(out, h.BitCount);
    AppendLe32(out, h.Compression);
    AppendLe32(out, h.SizeImage);
    AppendLe32(out, static_cast<uint32_t>(h.XPelsPerMeter));
    AppendLe32(out, static_cast<uint32_t>(h.YPelsPerMeter));
    AppendLe32(out, h.ClrUsed);
    AppendLe32(out, h.ClrImportant);
}

void AppendBmpFileHeader(std::vector<uint8_t>& out, uint32_t headerBytes, uint32_t imageBytes) {
    AppendLe16(out, kBmpMagic);
    AppendLe32(out, kBmpFileHeaderSize + headerBytes + imageBytes);
    AppendLe32(out, 0);
    AppendLe32(out, kBmpFileHeaderSize + headerBytes);
}

std::optional<TBitmap> DecodeBmp(std::span<const uint8_t> file) {
    TLayout layout;
    if (!ReadHeaders(file, layout) || !CheckSize(layout) || !CompressionFits(layout.Header) ||
        !ReadMasks(file, layout) || !ReadPalette(file, layout))
        return std::nullopt;
    const uint32_t pixelOffset = LoadLe32(&file[10]);
    if (pixelOffset >= file.size()) return std::nullopt;
    layout.Pixels = file.subspan(pixelOffset);
    TBitmap bitmap;
    if (!bitmap.Create(layout.Width, layout.Height)) return std::nullopt;
    const bool rle = layout.Header.Compression == kBiRle8 || layout.Header.Compression == kBiRle4;
    if (!(rle ? DecodeRle(layout, bitmap) : DecodeUncompressed(layout, bitmap)))
        return std::nullopt;
    return bitmap;
}

std::vector<uint8_t> EncodeBmp(const TBitmap& bitmap) {
    const TBitmapInfoHeader header = MakeBitmapHeader(bitmap.Width(), bitmap.Height(), 24);
    std::vector<uint8_t> out;
    out.reserve(kBmpFileHeaderSize + kBitmapInfoHeaderSize + header.SizeImage);
    AppendBmpFileHeader(out, kBitmapInfoHeaderSize, header.SizeImage);
    AppendBitmapHeader(out, header);
    const size_t pixelBytes = static_cast<size_t>(bitmap.Width()) * kBytesPerPixel;
    const size_t padding = PaddedRowBytes(bitmap.Width(), 24) - pixelBytes;
    for (int y = bitmap.Height() - 1; y >= 0; --y) {
        out.insert(out.end(), bitmap.Row(y), bitmap.Row(y) + pixelBytes);
        out.insert(out.end(), padding, 0);
    }
    return out;
}

}  // namespace palvex
