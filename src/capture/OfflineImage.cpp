#include "capture/OfflineImage.h"

#include "capture/BitmapFont.h"

namespace palvex {

namespace {

constexpr TColor kBlack{0, 0, 0};
constexpr TColor kWhite{0xFF, 0xFF, 0xFF};
constexpr TColor kLightGrey{0xE0, 0xE0, 0xE0};
constexpr int kCardInset = 10;
constexpr int kTextAt = 20;
// Font pixels become 3 x 3 squares: letters 21 pixels tall, about the size
// of a 16-point face on a 96 dpi screen.
constexpr int kTextScale = 3;

}  // namespace

TBitmap MakeOfflinePicture() {
    TBitmap picture;
    picture.Create(kOfflineWidth, kOfflineHeight);
    FillRect(picture, 0, 0, kOfflineWidth, kOfflineHeight, kBlack);
    FillRect(picture, 1, 1, kOfflineWidth - 1, kOfflineHeight - 1, kWhite);
    FillRect(picture, kCardInset, kCardInset, kOfflineWidth - kCardInset,
             kOfflineHeight - kCardInset, kLightGrey);
    DrawText(picture, kTextAt, kTextAt, kOfflineText, kTextScale, kBlack);
    return picture;
}

}  // namespace palvex
