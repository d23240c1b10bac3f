#pragma once
// Thumbnails of image files for the listing's "tn" requests: decode, fit
// into a square of the asked edge length, JPEG within a byte budget.

#include <string>
#include <string_view>

namespace palvex {

// Smaller asked edges are raised to this.
constexpr int kMinThumbnailEdge = 20;

enum class TThumbnailOutcome {
    ServeFile,  // no thumbnail wanted or it would not be smaller: send the file
    BlankGif,   // the file cannot be decoded: answer the transparent GIF
    Jpeg,       // answer the JPEG bytes as "image/jpeg"
};

// The edge length a "tn" text asks for: its integer value, 0 when it is not
// a number that fits an int.
int ThumbnailEdge(std::u16string_view tnText);

// Decides the thumbnail answer for the image file at path (of fileSize
// bytes); jpeg holds the bytes exactly when the outcome is Jpeg.
TThumbnailOutcome MakeThumbnail(const std::u16string& path, std::u16string_view tnText,
                                long long fileSize, std::string& jpeg);

}  // namespace palvex
