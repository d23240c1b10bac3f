#include "capture/V4l2Source.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "capture/FrameFile.h"
#include "capture/TestPatternSource.h"
#include "capture/YuvConvert.h"

namespace palvex {

namespace {

// Drivers list a handful of formats; a longer list is not believed.
constexpr uint32_t kMaxFormatsListed = 64;

struct TV4l2Format {
    uint32_t PixelFormat;
    uint8_t Kind;
    uint32_t Compression;
    uint16_t BitCount;
};

// Best first: packed 4:2:2 keeps the most colour, grey the least.
constexpr TV4l2Format kFormats[] = {
    {V4L2_PIX_FMT_YUYV, kFrameYuy2, MakeFourCC('Y', 'U', 'Y', '2'), 16},
    {V4L2_PIX_FMT_UYVY, kFrameUyvy, MakeFourCC('U', 'Y', 'V', 'Y'), 16},
    {V4L2_PIX_FMT_BGR24, kFrameRgb, kBiRgb, 24},
    {V4L2_PIX_FMT_YUV420, kFrameI420, MakeFourCC('I', '4', '2', '0'), 12},
    {V4L2_PIX_FMT_Y41P, kFrameY41p, MakeFourCC('Y', '4', '1', 'P'), 12},
    {V4L2_PIX_FMT_YVU410, kFrameYvu9, MakeFourCC('Y', 'V', 'U', '9'), 9},
    {V4L2_PIX_FMT_GREY, kFrameY8, MakeFourCC('Y', '8', ' ', ' '), 8},
};

const TV4l2Format* FindFormat(uint32_t pixelFormat) {
    for (const TV4l2Format& f : kFormats)
        if (f.PixelFormat == pixelFormat) return &f;
    return nullptr;
}

int RetryIoctl(int fd, unsigned long request, void* arg) {
    int r;
    do {
        r = ::ioctl(fd, request, arg);
    } while (r < 0 && errno == EINTR);
    return r;
}

uint32_t DeviceCaps(const v4l2_capability& cap) {
    return (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
}

std::vector<uint32_t> OfferedFormats(int fd) {
    std::vector<uint32_t> offered;
    for (uint32_t i = 0; i < kMaxFormatsListed; ++i) {
        v4l2_fmtdesc desc{};
        desc.index = i;
        desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (RetryIoctl(fd, VIDIOC_ENUM_FMT, &desc) < 0) break;
        offered.push_back(desc.pixelformat);
    }
    return offered;
}

TV4l2Plane Plane(int rows, size_t rowBytes, size_t driverStride, size_t packedStride) {
    return {rows, rowBytes, std::max(driverStride, rowBytes), packedStride};
}

// A read takes one whole frame: the driver's own frame size when it is
// plausible, else the size of the planes.
size_t ReadBufferBytes(const std::vector<TV4l2Plane>& planes, uint32_t driverBytes) {
    size_t bytes = 0;
    for (const TV4l2Plane& p : planes)
        bytes += p.DriverStride * static_cast<size_t>(p.Rows);
    return driverBytes > bytes && driverBytes <= 2 * bytes ? driverBytes : bytes;
}

}  // namespace

std::optional<uint32_t> ChooseV4l2Format(std::span<const uint32_t> offered) {
    for (const TV4l2Format& f : kFormats)
        if (std::find(offered.begin(), offered.end(), f.PixelFormat) != offered.end())
            return f.PixelFormat;
    return std::nullopt;
}

std::optional<TBitmapInfoHeader> HeaderForV4l2Format(uint32_t pixelFormat, int width, int height) {
    const TV4l2Format* f = FindFormat(pixelFormat);
    if (!f || !TBitmap::SizeAllowed(width, height)) return std::nullopt;
    TBitmapInfoHeader h = MakeBitmapHeader(width, height, f->BitCount);
    h.Compression = f->Compression;
    if (f->Kind == kFrameRgb)
        h.Height = -height;
    else
        h.SizeImage = static_cast<uint32_t>(RawFrameBytes(f->Kind, width, height));
    return h;
}

std::vector<TV4l2Plane> V4l2Planes(uint32_t pixelFormat, int width, int height,
                                   uint32_t bytesPerLine) {
    const size_t w = static_cast<size_t>(width);
    const size_t bpl = bytesPerLine;
    switch (pixelFormat) {
        case V4L2_PIX_FMT_YUYV:
        case V4L2_PIX_FMT_UYVY:
            return {Plane(height, w * 2, bpl, w * 2)};
        case V4L2_PIX_FMT_Y41P:
            return {Plane(height, (w + 7) / 8 * 12, bpl, (w + 7) / 8 * 12)};
        case V4L2_PIX_FMT_GREY:
            return {Plane(height, w, bpl, w)};
        case V4L2_PIX_FMT_BGR24:
            return {Plane(height, w * 3, bpl, PaddedRowBytes(width, 24))};
        case V4L2_PIX_FMT_YUV420: {
            const TV4l2Plane chroma = Plane((height + 1) / 2, (w + 1) / 2, bpl / 2, (w + 1) / 2);
            return {Plane(height, w, bpl, w), chroma, chroma};
        }
        case V4L2_PIX_FMT_YVU410: {
            const TV4l2Plane chroma = Plane((height + 3) / 4, (w + 3) / 4, bpl / 4, (w + 3) / 4);
            return {Plane(height, w, bpl, w), chroma, chroma};
        }
        default:
            return {};
    }
}

bool PackV4l2Frame(std::span<const uint8_t> frame, std::span<const TV4l2Plane> planes,
                   std::vector<uint8_t>& out) {
    size_t packedBytes = 0;
    for (const TV4l2Plane& p : planes)
        packedBytes += p.PackedStride * static_cast<size_t>(p.Rows);
    out.assign(packedBytes, 0);
    size_t from = 0, to = 0;
    for (const TV4l2Plane& p : planes) {
        if (p.Rows <= 0) continue;
        const size_t rows = static_cast<size_t>(p.Rows);
        if (from > frame.size() || frame.size() - from < (rows - 1) * p.DriverStride + p.RowBytes)
            return false;
        for (size_t r = 0; r < rows; ++r)
            std::memcpy(out.data() + to + r * p.PackedStride,
                        frame.data() + from + r * p.DriverStride, p.RowBytes);
        from += rows * p.DriverStride;
        to += rows * p.PackedStride;
    }
    return true;
}

TV4l2Source::~TV4l2Source() {
    Stop();
}

bool TV4l2Source::Start(TFrameCallback onFrame) {
    std::lock_guard lock(deviceMutex_);
    CloseDevice();
    fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return false;
    struct stat st {};
    if (::fstat(fd_, &st) != 0 || !S_ISCHR(st.st_mode) || !Negotiate() || !StartStreaming()) {
        CloseDevice();
        return false;
    }
    onFrame_ = std::move(onFrame);
    return true;
}

// Checks the device can capture and fixes format and size.
bool TV4l2Source::Negotiate() {
    v4l2_capability cap{};
    if (RetryIoctl(fd_, VIDIOC_QUERYCAP, &cap) < 0) return false;
    const uint32_t caps = DeviceCaps(cap);
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & (V4L2_CAP_STREAMING | V4L2_CAP_READWRITE)))
        return false;
    const std::vector<uint32_t> offered = OfferedFormats(fd_);
    const std::optional<uint32_t> chosen = ChooseV4l2Format(offered);
    if (!chosen) return false;
    v4l2_format fmt{};
    fmt.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    fmt.fmt.pix.width = kCaptureWidth;
    fmt.fmt.pix.height = kCaptureHeight;
    fmt.fmt.pix.pixelformat = *chosen;
    fmt.fmt.pix.field = V4L2_FIELD_NONE;
    if (RetryIoctl(fd_, VIDIOC_S_FMT, &fmt) < 0) return false;
    const v4l2_pix_format& pix = fmt.fmt.pix;
    if (pix.width > static_cast<uint32_t>(kMaxBitmapSide) ||
        pix.height > static_cast<uint32_t>(kMaxBitmapSide))
        return false;
    const int width = static_cast<int>(pix.width), height = static_cast<int>(pix.height);
    const std::optional<TBitmapInfoHeader> header =
        HeaderForV4l2Format(pix.pixelformat, width, height);
    if (!header) return false;
    header_ = *header;
    planes_ = V4l2Planes(pix.pixelformat, width, height, pix.bytesperline);
    streaming_ = (caps & V4L2_CAP_STREAMING) != 0;
    if (!streaming_) readBuffer_.resize(ReadBufferBytes(planes_, pix.sizeimage));
    return true;
}

// Maps and queues the driver's buffers and switches streaming on.
bool TV4l2Source::StartStreaming() {
    if (!streaming_) return true;
    v4l2_requestbuffers req{};
    req.count = kV4l2BufferCount;
    req.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    req.memory = V4L2_MEMORY_MMAP;
    if (RetryIoctl(fd_, VIDIOC_REQBUFS, &req) < 0 || req.count == 0) return false;
    for (uint32_t i = 0; i < req.count; ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        buf.index = i;
        if (RetryIoctl(fd_, VIDIOC_QUERYBUF, &buf) < 0) return false;
        void* start =
            ::mmap(nullptr, buf.length, PROT_READ | PROT_WRITE, MAP_SHARED, fd_, buf.m.offset);
        if (start == MAP_FAILED) return false;
        buffers_.push_back({start, buf.length});
        if (RetryIoctl(fd_, VIDIOC_QBUF, &buf) < 0) return false;
    }
    v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return RetryIoctl(fd_, VIDIOC_STREAMON, &type) == 0;
}

void TV4l2Source::CloseDevice() {
    if (fd_ >= 0 && streaming_) {
        v4l2_buf_type type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        RetryIoctl(fd_, VIDIOC_STREAMOFF, &type);
    }
    for (const TBuffer& b : buffers_)
        ::munmap(b.Start, b.Length);
    buffers_.clear();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    streaming_ = false;
    readBuffer_.clear();
    planes_.clear();
}

void TV4l2Source::Stop() {
    SetPreview(false);
    std::lock_guard lock(deviceMutex_);
    CloseDevice();
    onFrame_ = nullptr;
}

std::vector<uint8_t> TV4l2Source::DriverFormat() const {
    std::vector<uint8_t> bytes;
    AppendBitmapHeader(bytes, header_);
    return bytes;
}

bool TV4l2Source::GrabFrame() {
    std::lock_guard lock(deviceMutex_);
    if (fd_ < 0 || !onFrame_ || !WaitReadable()) return false;
    return streaming_ ? DequeueNewestFrame() : ReadOneFrame();
}

bool TV4l2Source::WaitReadable() {
    pollfd p{fd_, POLLIN, 0};
    const auto deadline = std::chrono::steady_clock::now() + kV4l2FrameWait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        const int r = ::poll(&p, 1, static_cast<int>(left.count()));
        if (r > 0) return (p.revents & POLLIN) != 0;
        if (r == 0 || errno != EINTR) return false;
    }
}

bool TV4l2Source::ReadOneFrame() {
    ssize_t n;
    do {
        n = ::read(fd_, readBuffer_.data(), readBuffer_.size());
    } while (n < 0 && errno == EINTR);
    if (n <= 0) return false;
    Deliver(std::span(readBuffer_).first(static_cast<size_t>(n)));
    return true;
}

// Takes every filled buffer, hands on the newest and gives the rest back,
// so a grab never shows a frame that waited in the queue.
bool TV4l2Source::DequeueNewestFrame() {
    std::optional<v4l2_buffer> newest;
    for (size_t i = 0; i < buffers_.size(); ++i) {
        v4l2_buffer buf{};
        buf.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        buf.memory = V4L2_MEMORY_MMAP;
        if (RetryIoctl(fd_, VIDIOC_DQBUF, &buf) < 0) break;
        if (buf.index >= buffers_.size()) continue;
        if (newest) RetryIoctl(fd_, VIDIOC_QBUF, &*newest);
        newest = buf;
    }
    if (!newest) return false;
    const TBuffer& b = buffers_[newest->index];
    const size_t used =
        newest->bytesused > 0 ? std::min<size_t>(newest->bytesused, b.Length) : b.Length;
    Deliver({static_cast<const uint8_t*>(b.Start), used});
    RetryIoctl(fd_, VIDIOC_QBUF, &*newest);
    return true;
}

void TV4l2Source::Deliver(std::span<const uint8_t> raw) {
    if (PackV4l2Frame(raw, planes_, packed_)) onFrame_(packed_);
}

void TV4l2Source::SetPreview(bool on) {
    preview_.Set(on, [this] { GrabFrame(); });
}

}  // namespace palvex
