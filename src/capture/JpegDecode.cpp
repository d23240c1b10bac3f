#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "capture/ImageDecode.h"
#include "capture/JpegError.h"

namespace palvex {

namespace {

// Progressive files can ask for endless scans of nothing; real ones use a few.
constexpr int kMaxJpegScans = 256;
constexpr int kMaxSample = 255;
constexpr int kFullScale = 8;  // libjpeg scales in eighths
constexpr int kFitMargin = 2;  // keep twice the wanted size for the final shrink

// Source manager over the bytes in memory; running out supplies an end
// marker, so truncated files end as a (partly grey) picture.
struct TMemorySource {
    jpeg_source_mgr Manager;  // first member: libjpeg sees this pointer
    std::span<const uint8_t> Data;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}

boolean FillInput(j_decompress_ptr cinfo) {
    cinfo->src->next_input_byte = kEndOfImage;
    cinfo->src->bytes_in_buffer = sizeof kEndOfImage;
    return TRUE;
}

void SkipInput(j_decompress_ptr cinfo, long count) {
    jpeg_source_mgr* src = cinfo->src;
    while (count > 0) {
        if (src->bytes_in_buffer == 0) FillInput(cinfo);
        const size_t step = std::min(static_cast<size_t>(count), src->bytes_in_buffer);
        src->next_input_byte += step;
        src->bytes_in_buffer -= step;
        count -= static_cast<long>(step);
    }
}

void TermSource(j_decompress_ptr) {}

void LimitScans(j_common_ptr cinfo) {
    auto* info = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (info->input_scan_number > kMaxJpegScans) cinfo->err->error_exit(cinfo);
}

// Everything the decompression touches, kept outside the frame that calls
// setjmp.
struct TDecompression {
    jpeg_decompress_struct Info;
    TJpegErrorManager Errors;
    TMemorySource Source;
    jpeg_progress_mgr Progress;
    TBitmap Bitmap;
    std::vector<JSAMPLE> Row;
};

void UseMemorySource(TDecompression& job, std::span<const uint8_t> file) {
    job.Source.Data = file;
    jpeg_source_mgr& m = job.Source.Manager;
    m.init_source = InitSource;
    m.fill_input_buffer = FillInput;
    m.skip_input_data = SkipInput;
    m.resync_to_restart = jpeg_resync_to_restart;
    m.term_source = TermSource;
    m.next_input_byte = file.data();
    m.bytes_in_buffer = file.size();
    job.Info.src = &m;
    job.Progress.progress_monitor = LimitScans;
    job.Info.progress = &job.Progress;
}

// Colour spaces we ask libjpeg for: grey and CMYK come as they are stored.
J_COLOR_SPACE OutputSpaceFor(J_COLOR_SPACE stored) {
    if (stored == JCS_GRAYSCALE) return JCS_GRAYSCALE;
    if (stored == JCS_CMYK || stored == JCS_YCCK) return JCS_CMYK;
    return JCS_RGB;
}

// Adobe writes CMYK inverted; others store plain ink amounts.
uint8_t FromInk(int ink, int black, bool inverted) {
    if (!inverted) ink = kMaxSample - ink, black = kMaxSample - black;
    return static_cast<uint8_t>(ink * black / kMaxSample);
}

void StoreRow(TDecompression& job, uint8_t* out) {
    const JSAMPLE* in = job.Row.data();
    const bool inverted = job.Info.saw_Adobe_marker;
    for (int x = 0; x < job.Bitmap.Width(); ++x, out += kBytesPerPixel) {
        switch (job.Info.out_color_space) {
            case JCS_GRAYSCALE:
                out[0] = out[1] = out[2] = in[x];
                break;
            case JCS_CMYK: {
                const JSAMPLE* p = in + x * 4;
                out[0] = FromInk(p[2], p[3], inverted);
                out[1] = FromInk(p[1], p[3], inverted);
                out[2] = FromInk(p[0], p[3], inverted);
                break;
            }
            default:
                out[0] = in[x * 3 + 2];
                out[1] = in[x * 3 + 1];
                out[2] = in[x * 3];
        }
    }
}

// Runs the decompression into job.Bitmap; false on any libjpeg error.
bool Decompress(TDecompression& job, std::span<const uint8_t> file, int fitEdge) {
    job.Info.err = UseJumpingErrors(job.Errors);
    if (setjmp(job.Errors.Jump)) {
        jpeg_destroy_decompress(&job.Info);
        return false;
    }
    jpeg_create_decompress(&job.Info);
    UseMemorySource(job, file);
    jpeg_read_header(&job.Info, TRUE);
    job.Info.out_color_space = OutputSpaceFor(job.Info.jpeg_color_space);
    // The stored size is what libjpeg works through, so the limits apply to
    // it even when a smaller picture comes out.
    if (!TBitmap::SizeAllowed(job.Info.image_width, job.Info.image_height)) {
        jpeg_destroy_decompress(&job.Info);
        return false;
    }
    job.Info.scale_num = static_cast<unsigned>(
        JpegScaleEighths(job.Info.image_width, job.Info.image_height, fitEdge));
    job.Info.scale_denom = kFullScale;
    jpeg_start_decompress(&job.Info);
    if (!job.Bitmap.Create(static_cast<int>(job.Info.output_width),
                           static_cast<int>(job.Info.output_height))) {
        jpeg_destroy_decompress(&job.Info);
        return false;
    }
    job.Row.resize(static_cast<size_t>(job.Info.output_width) * job.Info.output_components);
    JSAMPROW rows[1] = {job.Row.data()};
    while (job.Info.output_scanline < job.Info.output_height) {
        const int y = static_cast<int>(job.Info.output_scanline);
        if (jpeg_read_scanlines(&job.Info, rows, 1) != 1) break;
        StoreRow(job, job.Bitmap.Row(y));
    }
    jpeg_finish_decompress(&job.Info);
    jpeg_destroy_decompress(&job.Info);
    return true;
}

}  // namespace

int JpegScaleEighths(long long width, long long height, int fitEdge) {
    const long long longer = std::max(width, height);
    if (fitEdge <= 0 || longer <= fitEdge) return kFullScale;
    // Smallest m with longer * m / 8 >= 2 * fitEdge.
    const long long m =
        (kFullScale * kFitMargin * static_cast<long long>(fitEdge) + longer - 1) / longer;
    return static_cast<int>(std::clamp<long long>(m, 1, kFullScale));
}

std::optional<TBitmap> DecodeJpeg(std::span<const uint8_t> file, int fitEdge) {
    auto job = std::make_unique<TDecompression>();
    if (!Decompress(*job, file, fitEdge)) return std::nullopt;
    return std::move(job->Bitmap);
}

}  // namespace palvex
