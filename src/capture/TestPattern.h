#pragma once
// A moving test picture (colour bars sliding sideways, the frame number in
// the top-left corner) and its packing into the raw layouts cameras deliver.

#include <cstdint>
#include <vector>

namespace palvex {

// One full-resolution studio-range YUV picture, three planes of width x height.
struct TYuvPicture {
    int Width = 0;
    int Height = 0;
    std::vector<uint8_t> Y, U, V;
};

// The test picture for a frame number; width and height must be positive.
TYuvPicture DrawTestPattern(int width, int height, uint32_t frameNumber);

// The picture as a raw top-down frame of a YUV conversion kind (chroma taken
// from the first pixel of each group), or for kFrameRgb as 24-bit bottom-up
// BGR rows. Width must be a multiple of 8 and height of 4.
std::vector<uint8_t> PackRawFrame(const TYuvPicture& picture, uint8_t kind);

}  // namespace palvex
