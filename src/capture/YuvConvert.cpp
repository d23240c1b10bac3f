#include "capture/YuvConvert.h"

#include "capture/Bitmap.h"

namespace palvex {

namespace {

constexpr int kDestBytesPerPixel = 4;
constexpr long double kLumaScale = 1.1643828125L;
constexpr long double kBlueFromU = 2.01723046875L;
constexpr long double kGreenFromU = 0.39176171875L;
constexpr long double kGreenFromV = 0.81296875L;
constexpr long double kRedFromV = 1.59602734375L;

uint32_t TruncateToByte(long double value) {
    const long long t = static_cast<long long>(value);  // toward zero
    return static_cast<uint32_t>(t < 0 ? 0 : t > 255 ? 255 : t);
}

// Where the converted rows go: source row r lands on destination row
// height - 1 - r, so the top-down frame becomes a bottom-up bitmap.
class TDestRows {
  public:
    TDestRows(std::span<uint8_t> dest, int height, int width)
        : dest_(dest), height_(height), width_(width) {}
    void Put(int row, int x, uint8_t y, uint8_t u, uint8_t v) {
        PutPixel(row, x, YuvToRgb(PackYuv(y, u, v)));
    }
    void PutGrey(int row, int x, uint8_t g) { PutPixel(row, x, g | g << 8 | g << 16); }

  private:
    void PutPixel(int row, int x, uint32_t px) {
        uint8_t* p = dest_.data() +
                     (static_cast<size_t>(height_ - 1 - row) * width_ + x) * kDestBytesPerPixel;
        p[0] = static_cast<uint8_t>(px);
        p[1] = static_cast<uint8_t>(px >> 8);
        p[2] = static_cast<uint8_t>(px >> 16);
        p[3] = 0;
    }

    std::span<uint8_t> dest_;
    int height_;
    int width_;
};

// Byte positions of the samples in a two-pixel group of a packed 4:2:2 format.
struct TPacked422 {
    int Y0, U, Y1, V;
};

void ConvertPacked422(const uint8_t* src, TDestRows& out, int height, int width,
                      const TPacked422& at) {
    for (int row = 0; row < height; ++row, src += static_cast<size_t>(width) * 2) {
        for (int g = 0; g < width / 2; ++g) {
            const uint8_t* p = src + g * 4;
            out.Put(row, 2 * g, p[at.Y0], p[at.U], p[at.V]);
            out.Put(row, 2 * g + 1, p[at.Y1], p[at.U], p[at.V]);
        }
    }
}

// Twelve bytes per eight pixels: U0 Y0 V0 Y1 U4 Y2 V4 Y3 Y4 Y5 Y6 Y7.
void ConvertY41p(const uint8_t* src, TDestRows& out, int height, int width) {
    constexpr int kLuma[8] = {1, 3, 5, 7, 8, 9, 10, 11};
    const size_t stride = static_cast<size_t>((width + 7) / 8) * 12;
    for (int row = 0; row < height; ++row, src += stride) {
        for (int g = 0; g < width / 8; ++g) {
            const uint8_t* p = src + g * 12;
            for (int k = 0; k < 8; ++k)
                out.Put(row, 8 * g + k, p[kLuma[k]], k < 4 ? p[0] : p[4], k < 4 ? p[2] : p[6]);
        }
    }
}

// Four bytes per four pixels: Y0 U Y2 V, each luma sample used twice.
void ConvertY211(const uint8_t* src, TDestRows& out, int height, int width) {
    const size_t stride = static_cast<size_t>((width + 3) / 4) * 4;
    for (int row = 0; row < height; ++row, src += stride) {
        for (int g = 0; g < width / 4; ++g) {
            const uint8_t* p = src + g * 4;
            for (int k = 0; k < 4; ++k)
                out.Put(row, 4 * g + k, p[k < 2 ? 0 : 2], p[1], p[3]);
        }
    }
}

void ConvertY8(const uint8_t* src, TDestRows& out, int height, int width) {
    for (int row = 0; row < height; ++row, src += width)
        for (int x = 0; x < width; ++x)
            out.PutGrey(row, x, src[x]);
}

// A luma plane followed by two chroma planes subsampled by `factor` both
// ways; vFirst when the V plane comes before the U plane.
void ConvertPlanar(const uint8_t* src, TDestRows& out, int height, int width, int factor,
                   bool vFirst) {
    const size_t chromaStride = static_cast<size_t>((width + factor - 1) / factor);
    const size_t chromaBytes = chromaStride * ((height + factor - 1) / factor);
    const uint8_t* first = src + static_cast<size_t>(width) * height;
    const uint8_t* u = vFirst ? first + chromaBytes : first;
    const uint8_t* v = vFirst ? first : first + chromaBytes;
    const int rows = height / factor * factor;
    const int columns = width / factor * factor;
    for (int row = 0; row < rows; ++row) {
        const uint8_t* luma = src + static_cast<size_t>(row) * width;
        const size_t chromaRow = (row / factor) * chromaStride;
        for (int x = 0; x < columns; ++x)
            out.Put(row, x, luma[x], u[chromaRow + x / factor], v[chromaRow + x / factor]);
    }
}

}  // namespace

uint8_t FormatKind(uint32_t compression) {
    switch (compression) {
        case 0:
        case 3:
            return kFrameRgb;
        case MakeFourCC('Y', 'U', 'Y', '2'):
            return kFrameYuy2;
        case MakeFourCC('U', 'Y', 'V', 'Y'):
            return kFrameUyvy;
        case MakeFourCC('Y', '4', '1', 'P'):
            return kFrameY41p;
        case MakeFourCC('Y', 'V', 'U', '9'):
            return kFrameYvu9;
        case MakeFourCC('I', '4', '2', '0'):
            return kFrameI420;
        case MakeFourCC('Y', '8', ' ', ' '):
            return kFrameY8;
        case MakeFourCC('Y', '2', '1', '1'):
            return kFrameY211;
        default:
            return kFrameNone;
    }
}

uint32_t YuvToRgb(uint32_t packed) {
    const long double y = (static_cast<long double>(packed & 0xFF) - 16) * kLumaScale;
    const long double u = static_cast<long double>((packed >> 8) & 0xFF) - 128;
    const long double v = static_cast<long double>((packed >> 16) & 0xFF) - 128;
    const uint32_t b = TruncateToByte(y + kBlueFromU * u);
    const uint32_t g = TruncateToByte(y - kGreenFromU * u - kGreenFromV * v);
    const uint32_t r = TruncateToByte(y + kRedFromV * v);
    return b | g << 8 | r << 16;
}

size_t RawFrameBytes(uint8_t kind, int width, int height) {
    if (!TBitmap::SizeAllowed(width, height)) return 0;
    const size_t w = static_cast<size_t>(width), h = static_cast<size_t>(height);
    switch (kind) {
        case kFrameYuy2:
        case kFrameUyvy:
            return w * 2 * h;
        case kFrameY41p:
            return (w + 7) / 8 * 12 * h;
        case kFrameYvu9:
            return w * h + 2 * ((w + 3) / 4) * ((h + 3) / 4);
        case kFrameI420:
            return w * h + 2 * ((w + 1) / 2) * ((h + 1) / 2);
        case kFrameY8:
            return w * h;
        case kFrameY211:
            return (w + 3) / 4 * 4 * h;
        default:
            return 0;
    }
}

bool ConvertFrame(uint8_t kind, std::span<const uint8_t> source, std::span<uint8_t> destination,
                  int width, int height) {
    const size_t need = RawFrameBytes(kind, width, height);
    if (need == 0 || source.size() < need ||
        destination.size() < static_cast<size_t>(width) * height * kDestBytesPerPixel)
        return false;
    TDestRows out(destination, height, width);
    const uint8_t* src = source.data();
    switch (kind) {
        case kFrameYuy2:
            ConvertPacked422(src, out, height, width, {0, 1, 2, 3});
            break;
        case kFrameUyvy:
            ConvertPacked422(src, out, height, width, {1, 0, 3, 2});
            break;
        case kFrameY41p:
            ConvertY41p(src, out, height, width);
            break;
        case kFrameYvu9:
            ConvertPlanar(src, out, height, width, 4, true);
            break;
        case kFrameI420:
            ConvertPlanar(src, out, height, width, 2, false);
            break;
        case kFrameY8:
            ConvertY8(src, out, height, width);
            break;
        case kFrameY211:
            ConvertY211(src, out, height, width);
            break;
    }
    return true;
}

}  // namespace palvex
