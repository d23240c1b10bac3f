#include "capture/Scaling.h"

#include <algorithm>
#include <cstring>

namespace palvex {

namespace {

// FitInto's thresholds: below the first, sample to twice the size and halve
// once; up to the second (and at exactly one half), keep halving.
constexpr double kNearestBelow = 0.15;
constexpr double kHalveUpTo = 0.25;
constexpr double kOneHalf = 0.5;

struct TTargetSize {
    int Width;
    int Height;
};

// Output size for factor x; never below one pixel, so a very flat or narrow
// picture keeps at least one row or column.
TTargetSize TargetSize(const TBitmap& bitmap, double x, int maxW, int maxH) {
    int w = static_cast<int>(x * bitmap.Width());
    int h = static_cast<int>(x * bitmap.Height());
    if (maxW == w + 1) w = maxW;
    if (maxH == h + 1) h = maxH;
    return {std::max(w, 1), std::max(h, 1)};
}

// The source index for each of n outputs stepped over count inputs.
std::vector<int> SteppedIndexes(int count, int n) {
    std::vector<int> indexes(n);
    const double step = static_cast<double>(count) / n;
    double s = 0;
    for (int k = 0; k < n; ++k) {
        indexes[k] = std::min(count - 1, static_cast<int>(s));
        s += step;
    }
    return indexes;
}

// Channel mean of four samples, rounding up only from a remainder of three.
uint8_t MeanOfFour(int sum) {
    return static_cast<uint8_t>(sum % 4 == 3 ? (sum + 1) / 4 : sum / 4);
}

void MeanOfTwo(const uint8_t* a, const uint8_t* b, uint8_t* out) {
    for (int c = 0; c < kBytesPerPixel; ++c)
        out[c] = static_cast<uint8_t>((a[c] + b[c]) / 2);
}

// Writes the averaged row of source rows 2a and 2a+1 into output row a.
void HalveRow(TBitmap& bitmap, int a, int w2) {
    const uint8_t* top = bitmap.Row(2 * a);
    const uint8_t* bottom = bitmap.Row(2 * a + 1);
    uint8_t* out = bitmap.Row(a);
    const bool oddWidth = bitmap.Width() % 2 != 0;
    for (int i = 0; i < w2; ++i) {
        const int left = 2 * i;
        const int right = (oddWidth && i == w2 - 1) ? left : left + 1;
        for (int c = 0; c < kBytesPerPixel; ++c) {
            const int sum = top[left * 3 + c] + top[right * 3 + c] + bottom[left * 3 + c] +
                            bottom[right * 3 + c];
            out[i * 3 + c] = MeanOfFour(sum);
        }
    }
}

// Writes the averaged horizontal samples of one row into its front.
void ShrinkRowAveraged(uint8_t* row, const std::vector<int>& columns) {
    std::vector<uint8_t> out(columns.size() * kBytesPerPixel);
    int previous = 0;
    for (size_t k = 0; k < columns.size(); ++k) {
        const int c = columns[k];
        if (previous + 1 < c)
            MeanOfTwo(row + (c - 1) * 3, row + c * 3, &out[k * 3]);
        else
            std::memcpy(&out[k * 3], row + c * 3, kBytesPerPixel);
        previous = c;
    }
    std::memcpy(row, out.data(), out.size());
}

// Halves when possible, else samples straight down to the box, so callers
// that want a halving always make progress.
void HalveOrShrink(TBitmap& bitmap, int maxW, int maxH) {
    if (CanHalve(bitmap))
        HalfSize(bitmap);
    else
        ShrinkNearest(bitmap, maxW, maxH);
}

bool Fits(const TBitmap& bitmap, int maxW, int maxH) {
    return bitmap.Width() <= maxW && bitmap.Height() <= maxH;
}

}  // namespace

double ScaleFactor(int w, int h, int maxW, int maxH) {
    if (w <= 0 || h <= 0) return 1;
    const double x = maxW < w ? static_cast<double>(maxW) / w : 1;
    return h * x < maxH ? x : static_cast<double>(maxH) / h;
}

bool CanHalve(const TBitmap& bitmap) {
    return !bitmap.Empty() && bitmap.Width() / 2 >= 2 && bitmap.Height() / 2 >= 2;
}

void HalfSize(TBitmap& bitmap) {
    if (!CanHalve(bitmap)) return;
    const int w2 = bitmap.Width() / 2;
    const int h2 = bitmap.Height() / 2;
    // Output row a only reads rows 2a and 2a+1, which are never behind it.
    for (int a = 0; a < h2; ++a)
        HalveRow(bitmap, a, w2);
    bitmap.Cut(w2, h2);
}

void ShrinkNearest(TBitmap& bitmap, int maxW, int maxH) {
    if (bitmap.Empty()) return;
    const double x = ScaleFactor(bitmap.Width(), bitmap.Height(), maxW, maxH);
    if (x >= 1) return;
    const TTargetSize size = TargetSize(bitmap, x, maxW, maxH);
    const std::vector<int> rows = SteppedIndexes(bitmap.Height(), size.Height);
    const std::vector<int> columns = SteppedIndexes(bitmap.Width(), size.Width);
    TBitmap out;
    out.Create(size.Width, size.Height);
    for (int i = 0; i < size.Height; ++i)
        for (int k = 0; k < size.Width; ++k)
            std::memcpy(out.Pixel(k, i), bitmap.Pixel(columns[k], rows[i]), kBytesPerPixel);
    bitmap = std::move(out);
}

void ShrinkAveraged(TBitmap& bitmap, int maxW, int maxH) {
    if (bitmap.Empty()) return;
    const double x = ScaleFactor(bitmap.Width(), bitmap.Height(), maxW, maxH);
    if (x >= 1) return;
    const TTargetSize size = TargetSize(bitmap, x, maxW, maxH);
    const std::vector<int> columns = SteppedIndexes(bitmap.Width(), size.Width);
    for (int y = 0; y < bitmap.Height(); ++y)
        ShrinkRowAveraged(bitmap.Row(y), columns);
    bitmap.Cut(size.Width, bitmap.Height());

    const std::vector<int> rows = SteppedIndexes(bitmap.Height(), size.Height);
    const size_t rowBytes = static_cast<size_t>(size.Width) * kBytesPerPixel;
    int previous = 0;
    // Output row i reads rows r - 1 and r with r - 1 >= i whenever it
    // averages, and r >= i when it copies, so rows ahead are still intact.
    for (int i = 0; i < size.Height; ++i) {
        const int r = rows[i];
        uint8_t* out = bitmap.Row(i);
        if (previous + 1 < r) {
            const uint8_t* a = bitmap.Row(r - 1);
            const uint8_t* b = bitmap.Row(r);
            for (size_t n = 0; n < rowBytes; ++n)
                out[n] = static_cast<uint8_t>((a[n] + b[n]) / 2);
        } else if (r != i) {
            std::memcpy(out, bitmap.Row(r), rowBytes);
        }
        previous = r;
    }
    bitmap.Cut(size.Width, size.Height);
}

bool FitInto(TBitmap& bitmap, int maxW, int maxH) {
    // No bitmap is larger than kMaxBitmapSide, and the doubled box must not overflow.
    maxW = std::clamp(maxW, 1, kMaxBitmapSide);
    maxH = std::clamp(maxH, 1, kMaxBitmapSide);
    if (bitmap.Empty() || Fits(bitmap, maxW, maxH)) return false;
    double x = 1;
    for (;;) {
        if (Fits(bitmap, maxW, maxH)) return true;
        x = ScaleFactor(bitmap.Width(), bitmap.Height(), maxW, maxH);
        if (x < kNearestBelow) {
            ShrinkNearest(bitmap, 2 * maxW, 2 * maxH);
            HalveOrShrink(bitmap, maxW, maxH);
            // A picture too flat to halve properly is sampled the rest of the way.
            ShrinkNearest(bitmap, maxW, maxH);
            return true;
        }
        if (x > kHalveUpTo && x != kOneHalf) break;
        HalveOrShrink(bitmap, maxW, maxH);
    }
    if (x >= kOneHalf) {
        ShrinkAveraged(bitmap, maxW, maxH);
    } else {
        ShrinkAveraged(bitmap, 2 * maxW, 2 * maxH);
        HalveOrShrink(bitmap, maxW, maxH);
    }
    ShrinkNearest(bitmap, maxW, maxH);
    return true;
}

}  // namespace palvex
