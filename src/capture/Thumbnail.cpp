#include "capture/Thumbnail.h"

#include <algorithm>
#include <climits>

#include "capture/ImageDecode.h"
#include "capture/JpegEncode.h"
#include "capture/Scaling.h"
#include "common/TextConv.h"

namespace palvex {

namespace {

// The answer may use two bytes for every three pixels of the thumbnail.
long long JpegBudget(const TBitmap& bitmap) {
    return static_cast<long long>(bitmap.Width()) * bitmap.Height() / 3 * 2;
}

}  // namespace

int ThumbnailEdge(std::u16string_view tnText) {
    long long value = 0;
    if (!ParseInt(WideToUtf8(tnText), value) || value < INT_MIN || value > INT_MAX) return 0;
    return static_cast<int>(value);
}

TThumbnailOutcome MakeThumbnail(const std::u16string& path, std::u16string_view tnText,
                                long long fileSize, std::string& jpeg) {
    jpeg.clear();
    int edge = ThumbnailEdge(tnText);
    if (edge <= 0) return TThumbnailOutcome::ServeFile;
    edge = std::max(edge, kMinThumbnailEdge);
    std::optional<TBitmap> bitmap = LoadImageAsBitmap(path, edge);
    if (!bitmap) return TThumbnailOutcome::BlankGif;
    FitInto(*bitmap, edge, edge);
    jpeg = EncodeJpegWithin(*bitmap, JpegBudget(*bitmap));
    if (!jpeg.empty() && static_cast<long long>(jpeg.size()) < fileSize)
        return TThumbnailOutcome::Jpeg;
    jpeg.clear();
    return TThumbnailOutcome::ServeFile;
}

}  // namespace palvex
