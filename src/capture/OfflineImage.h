#pragma once
// The picture the webcam pages show while there is no camera frame.

#include <string_view>

#include "capture/Bitmap.h"

namespace palvex {

constexpr int kOfflineWidth = 320;
constexpr int kOfflineHeight = 240;
constexpr std::string_view kOfflineText = "Cam offline";

// A 320 x 240 picture: white with a 1-pixel black frame, a light grey card
// from (10,10) to (310,230) and the words "Cam offline" in black at (20,20).
TBitmap MakeOfflinePicture();

}  // namespace palvex
