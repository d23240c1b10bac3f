// Feeds arbitrary bytes to the image decoders: first through the signature
// dispatch, then to every decoder directly, so a file that claims one format
// but holds another still reaches each parser; JPEG also at a reduced scale.

#include <cstddef>
#include <cstdint>
#include <span>

#include "capture/BmpFormat.h"
#include "capture/ImageDecode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> file(data, size);
    (void)palvex::DecodeImage(file);
    (void)palvex::DecodeBmp(file);
    (void)palvex::DecodeJpeg(file);
    (void)palvex::DecodeJpeg(file, 20);  // the reduced decode of thumbnails
    (void)palvex::DecodePng(file);
    (void)palvex::DecodeGif(file);
    (void)palvex::DecodeTiff(file);
    return 0;
}
