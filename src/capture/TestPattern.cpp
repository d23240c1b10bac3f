#include "capture/TestPattern.h"

#include <string>

#include "capture/Bitmap.h"
#include "capture/YuvConvert.h"

namespace palvex {

namespace {

struct TYuv {
    uint8_t Y, U, V;
};

// 75% colour bars: white, yellow, cyan, green, magenta, red, blue, black.
constexpr TYuv kBars[] = {{180, 128, 128}, {162, 44, 142}, {131, 156, 44}, {112, 72, 58},
                          {84, 184, 198},  {65, 100, 212}, {35, 212, 114}, {16, 128, 128}};
constexpr int kBarCount = sizeof kBars / sizeof kBars[0];
constexpr int kBarShiftPerFrame = 4;  // pixels the bars move each frame

// Digits 0..9 in a 3 x 5 grid, one row of three bits per entry.
constexpr uint8_t kDigitRows[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7}};
constexpr int kDigitScale = 4;  // pixels per font dot
constexpr int kDigitAdvance = 4 * kDigitScale;
constexpr int kDigitMargin = 2 * kDigitScale;
constexpr TYuv kInk = {235, 128, 128};
constexpr TYuv kPaper = {16, 128, 128};

void Set(TYuvPicture& p, int x, int y, TYuv c) {
    if (x < 0 || y < 0 || x >= p.Width || y >= p.Height) return;
    const size_t i = static_cast<size_t>(y) * p.Width + x;
    p.Y[i] = c.Y, p.U[i] = c.U, p.V[i] = c.V;
}

void DrawBars(TYuvPicture& p, uint32_t frameNumber) {
    const int barWidth = p.Width / kBarCount > 0 ? p.Width / kBarCount : 1;
    const uint64_t shift = uint64_t{frameNumber} * kBarShiftPerFrame;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; ++x)
            Set(p, x, y, kBars[((x + shift) / barWidth) % kBarCount]);
}

void DrawDigit(TYuvPicture& p, int left, int top, int digit) {
    for (int row = 0; row < 5; ++row)
        for (int col = 0; col < 3; ++col) {
            const bool on = kDigitRows[digit][row] >> (2 - col) & 1;
            for (int dy = 0; dy < kDigitScale; ++dy)
                for (int dx = 0; dx < kDigitScale; ++dx)
                    Set(p, left + col * kDigitScale + dx, top + row * kDigitScale + dy,
                        on ? kInk : kPaper);
        }
}

// The frame number on a black box in the top-left corner.
void DrawCounter(TYuvPicture& p, uint32_t frameNumber) {
    const std::string digits = std::to_string(frameNumber);
    const int boxWidth = static_cast<int>(digits.size()) * kDigitAdvance + kDigitMargin;
    const int boxHeight = 5 * kDigitScale + 2 * kDigitMargin;
    for (int y = 0; y < boxHeight; ++y)
        for (int x = 0; x < boxWidth + kDigitMargin; ++x)
            Set(p, x, y, kPaper);
    for (size_t i = 0; i < digits.size(); ++i)
        DrawDigit(p, kDigitMargin + static_cast<int>(i) * kDigitAdvance, kDigitMargin,
                  digits[i] - '0');
}

// Packs the picture's rows with a per-group writer that appends bytes.
template <typename GroupWriter>
std::vector<uint8_t> PackGroups(const TYuvPicture& p, int groupPixels, GroupWriter write) {
    std::vector<uint8_t> out;
    for (int y = 0; y < p.Height; ++y)
        for (int x = 0; x < p.Width; x += groupPixels) {
            const size_t i = static_cast<size_t>(y) * p.Width + x;
            write(out, &p.Y[i], &p.U[i], &p.V[i]);
        }
    return out;
}

// Appends a chroma plane sampled every `factor` pixels both ways.
void AppendSubsampled(std::vector<uint8_t>& out, const TYuvPicture& p,
                      const std::vector<uint8_t>& plane, int factor) {
    for (int y = 0; y < p.Height; y += factor)
        for (int x = 0; x < p.Width; x += factor)
            out.push_back(plane[static_cast<size_t>(y) * p.Width + x]);
}

std::vector<uint8_t> PackPlanar(const TYuvPicture& p, int factor, bool vFirst) {
    std::vector<uint8_t> out(p.Y);
    AppendSubsampled(out, p, vFirst ? p.V : p.U, factor);
    AppendSubsampled(out, p, vFirst ? p.U : p.V, factor);
    return out;
}

std::vector<uint8_t> PackBgr(const TYuvPicture& p) {
    const size_t stride = PaddedRowBytes(p.Width, 24);
    std::vector<uint8_t> out(stride * p.Height, 0);
    for (int y = 0; y < p.Height; ++y) {
        uint8_t* row = &out[(p.Height - 1 - y) * stride];
        for (int x = 0; x < p.Width; ++x) {
            const size_t i = static_cast<size_t>(y) * p.Width + x;
            const uint32_t px = YuvToRgb(PackYuv(p.Y[i], p.U[i], p.V[i]));
            row[x * 3] = static_cast<uint8_t>(px);
            row[x * 3 + 1] = static_cast<uint8_t>(px >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(px >> 16);
        }
    }
    return out;
}

}  // namespace

TYuvPicture DrawTestPattern(int width, int height, uint32_t frameNumber) {
    TYuvPicture p;
    p.Width = width;
    p.Height = height;
    const size_t n = static_cast<size_t>(width) * height;
    p.Y.resize(n), p.U.resize(n), p.V.resize(n);
    DrawBars(p, frameNumber);
    DrawCounter(p, frameNumber);
    return p;
}

std::vector<uint8_t> PackRawFrame(const TYuvPicture& p, uint8_t kind) {
    using Out = std::vector<uint8_t>;
    switch (kind) {
        case kFrameRgb:
            return PackBgr(p);
        case kFrameYuy2:
            return PackGroups(p, 2,
                              [](Out& o, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
                                  o.insert(o.end(), {y[0], u[0], y[1], v[0]});
                              });
        case kFrameUyvy:
            return PackGroups(p, 2,
                              [](Out& o, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
                                  o.insert(o.end(), {u[0], y[0], v[0], y[1]});
                              });
        case kFrameY41p:
            return PackGroups(p, 8,
                              [](Out& o, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
                                  o.insert(o.end(), {u[0], y[0], v[0], y[1], u[4], y[2], v[4], y[3],
                                                     y[4], y[5], y[6], y[7]});
                              });
        case kFrameY211:
            return PackGroups(p, 4,
                              [](Out& o, const uint8_t* y, const uint8_t* u, const uint8_t* v) {
                                  o.insert(o.end(), {y[0], u[0], y[2], v[0]});
                              });
        case kFrameY8:
            return p.Y;
        case kFrameYvu9:
            return PackPlanar(p, 4, true);
        case kFrameI420:
            return PackPlanar(p, 2, false);
        default:
            return {};
    }
}

}  // namespace palvex
