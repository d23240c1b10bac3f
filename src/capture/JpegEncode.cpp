#include "capture/JpegEncode.h"

#include <memory>
#include <new>
#include <vector>

#include "capture/JpegError.h"

namespace palvex {

namespace {

constexpr int kFirstQuality = 95;
constexpr int kLastQuality = 10;
constexpr int kQualityStep = 5;
constexpr size_t kOutputChunk = 64 * 1024;

// Destination manager appending the compressed bytes to a string.
struct TStringDestination {
    jpeg_destination_mgr Manager;  // first member: libjpeg sees this pointer
    std::string* Out = nullptr;
    bool OutOfMemory = false;
    JOCTET Chunk[kOutputChunk];
};

TStringDestination* DestinationOf(j_compress_ptr cinfo) {
    return reinterpret_cast<TStringDestination*>(cinfo->dest);
}

void StartDestination(j_compress_ptr cinfo) {
    TStringDestination* dest = DestinationOf(cinfo);
    dest->Manager.next_output_byte = dest->Chunk;
    dest->Manager.free_in_buffer = kOutputChunk;
}

// Moves the first `used` bytes of the chunk into the string; an allocation
// failure is remembered (the bytes are dropped) rather than thrown through C.
void Flush(TStringDestination* dest, size_t used) {
    if (dest->OutOfMemory) return;
    try {
        dest->Out->append(reinterpret_cast<const char*>(dest->Chunk), used);
    } catch (const std::bad_alloc&) {
        dest->OutOfMemory = true;
    }
}

boolean EmptyDestination(j_compress_ptr cinfo) {
    TStringDestination* dest = DestinationOf(cinfo);
    Flush(dest, kOutputChunk);
    StartDestination(cinfo);
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    TStringDestination* dest = DestinationOf(cinfo);
    Flush(dest, kOutputChunk - dest->Manager.free_in_buffer);
}

// Everything the compression touches lives here, outside the frame that
// calls setjmp, so a jump back leaves no object half-destroyed.
struct TCompression {
    jpeg_compress_struct Info;
    TJpegErrorManager Errors;
    TStringDestination Destination;
    std::vector<JSAMPLE> RgbRow;
};

// Feeds the bitmap's rows, turned from BGR into RGB, to the compressor.
void WriteRows(TCompression& job, const TBitmap& bitmap) {
    JSAMPROW rows[1] = {job.RgbRow.data()};
    for (int y = 0; y < bitmap.Height(); ++y) {
        const uint8_t* src = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            job.RgbRow[x * 3] = src[x * 3 + 2];
            job.RgbRow[x * 3 + 1] = src[x * 3 + 1];
            job.RgbRow[x * 3 + 2] = src[x * 3];
        }
        jpeg_write_scanlines(&job.Info, rows, 1);
    }
}

// Runs one compression; false when libjpeg reported an error.
bool Compress(TCompression& job, const TBitmap& bitmap, int quality) {
    job.Info.err = UseJumpingErrors(job.Errors);
    if (setjmp(job.Errors.Jump)) {
        jpeg_destroy_compress(&job.Info);
        return false;
    }
    jpeg_create_compress(&job.Info);
    job.Destination.Manager.init_destination = StartDestination;
    job.Destination.Manager.empty_output_buffer = EmptyDestination;
    job.Destination.Manager.term_destination = TermDestination;
    job.Info.dest = &job.Destination.Manager;
    job.Info.image_width = static_cast<JDIMENSION>(bitmap.Width());
    job.Info.image_height = static_cast<JDIMENSION>(bitmap.Height());
    job.Info.input_components = 3;
    job.Info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&job.Info);
    jpeg_set_quality(&job.Info, quality, TRUE);
    jpeg_start_compress(&job.Info, TRUE);
    WriteRows(job, bitmap);
    jpeg_finish_compress(&job.Info);
    jpeg_destroy_compress(&job.Info);
    return true;
}

}  // namespace

std::string EncodeJpeg(const TBitmap& bitmap, int quality) {
    std::string out;
    if (bitmap.Empty()) return out;
    auto job = std::make_unique<TCompression>();
    job->Destination.Out = &out;
    job->RgbRow.resize(static_cast<size_t>(bitmap.Width()) * 3);
    if (!Compress(*job, bitmap, quality) || job->Destination.OutOfMemory) out.clear();
    return out;
}

std::string EncodeJpegWithin(const TBitmap& bitmap, long long maxBytes) {
    std::string jpeg;
    for (int quality = kFirstQuality; quality >= kLastQuality; quality -= kQualityStep) {
        jpeg = EncodeJpeg(bitmap, quality);
        if (maxBytes <= 0 || static_cast<long long>(jpeg.size()) <= maxBytes) break;
    }
    return jpeg;
}

}  // namespace palvex
