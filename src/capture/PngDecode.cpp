#include <png.h>

#include <cstring>
#include <memory>
#include <vector>

#include "capture/ImageDecode.h"

namespace palvex {

namespace {

// Ancillary chunks (text, profiles) larger than this are refused.
constexpr png_alloc_size_t kMaxPngChunkBytes = 8 * 1024 * 1024;

struct TPngJob {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    std::span<const uint8_t> Data;
    size_t Pos = 0;
    TBitmap Bitmap;
    std::vector<png_bytep> Rows;

    ~TPngJob() { png_destroy_read_struct(&Png, &Info, nullptr); }
};

void ReadBytes(png_structp png, png_bytep out, size_t count) {
    auto* job = static_cast<TPngJob*>(png_get_io_ptr(png));
    if (count > job->Data.size() - job->Pos) png_error(png, "truncated");
    std::memcpy(out, job->Data.data() + job->Pos, count);
    job->Pos += count;
}

[[noreturn]] void JumpOnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Asks libpng for 8-bit blue-green-red rows whatever the file stores.
void RequestBgr(png_structp png) {
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
}

// Decodes into job.Bitmap; false on any libpng error. Nothing with a
// destructor is created in this frame, which a libpng error jumps back to.
bool ReadPng(TPngJob& job) {
    if (setjmp(png_jmpbuf(job.Png))) return false;
    png_set_read_fn(job.Png, &job, ReadBytes);
    png_set_user_limits(job.Png, kMaxBitmapSide, kMaxBitmapSide);
    png_set_chunk_malloc_max(job.Png, kMaxPngChunkBytes);
    png_read_info(job.Png, job.Info);
    const png_uint_32 width = png_get_image_width(job.Png, job.Info);
    const png_uint_32 height = png_get_image_height(job.Png, job.Info);
    if (!job.Bitmap.Create(static_cast<int>(std::min<png_uint_32>(width, kMaxBitmapSide + 1)),
                           static_cast<int>(std::min<png_uint_32>(height, kMaxBitmapSide + 1))))
        return false;
    RequestBgr(job.Png);
    png_read_update_info(job.Png, job.Info);
    if (png_get_rowbytes(job.Png, job.Info) != width * size_t{kBytesPerPixel}) return false;
    job.Rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y)
        job.Rows[y] = job.Bitmap.Row(static_cast<int>(y));
    png_read_image(job.Png, job.Rows.data());
    return true;
}

}  // namespace

std::optional<TBitmap> DecodePng(std::span<const uint8_t> file) {
    auto job = std::make_unique<TPngJob>();
    job->Data = file;
    job->Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpOnError, IgnoreWarning);
    if (job->Png == nullptr) return std::nullopt;
    job->Info = png_create_info_struct(job->Png);
    if (job->Info == nullptr || !ReadPng(*job)) return std::nullopt;
    return std::move(job->Bitmap);
}

}  // namespace palvex
