#include "ScreenCopy.h"

#include "WaylandConnection.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QCursor>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {

// What the compositor says of one picture as it makes it.
struct Frame {
    uint32_t format = 0, width = 0, height = 0, stride = 0, flags = 0;
    bool described = false, ready = false, failed = false;
};

void OnBuffer(void* data, zwlr_screencopy_frame_v1*, uint32_t format, uint32_t width, uint32_t height, uint32_t stride) {
    auto* f = static_cast<Frame*>(data);
    if (f->width) return;  // the first shared-memory format offered is taken
    *f = Frame{format, width, height, stride};
}
void OnFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) { static_cast<Frame*>(data)->flags = flags; }
void OnReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) { static_cast<Frame*>(data)->ready = true; }
void OnFailed(void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->failed = true; }
void OnDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void OnBufferDone(void* data, zwlr_screencopy_frame_v1*) { static_cast<Frame*>(data)->described = true; }

const zwlr_screencopy_frame_v1_listener frameListener{OnBuffer, OnFlags,  OnReady,     OnFailed,
                                                      OnDamage, OnDmabuf, OnBufferDone};

constexpr int WaitMs = 1000;
constexpr int SearchRadius = 48;

// The bounding box of the pixels that differ between two pictures of one size.
QRect Difference(const QImage& a, const QImage& b) {
    QRect box;
    for (int y = 0; y < a.height(); ++y) {
        const auto* p = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* q = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x)
            if ((p[x] ^ q[x]) & 0xFFFFFF) box |= QRect(x, y, 1, 1);
    }
    return box;
}

}  // namespace

QRect ScreenCopy::Output() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return QRect(QPoint(wayland_->outputX, wayland_->outputY), screen ? screen->size() : QSize());
}

QSize ScreenCopy::ScreenSize() { return Output().size(); }

QImage ScreenCopy::Capture(const QRect& region, bool withPointer) {
    if (!wayland_->screencopyManager || !wayland_->output || !wayland_->shm || region.isEmpty()) return {};
    Frame frame;
    zwlr_screencopy_frame_v1* copy = zwlr_screencopy_manager_v1_capture_output_region(
        wayland_->screencopyManager, withPointer, wayland_->output, region.x() - wayland_->outputX,
        region.y() - wayland_->outputY, region.width(), region.height());
    zwlr_screencopy_frame_v1_add_listener(copy, &frameListener, &frame);
    const bool listsFormats = zwlr_screencopy_frame_v1_get_version(copy) >= 3;  // and ends the list
    QImage picture;
    if (wayland_->WaitFor([&] { return frame.failed || (listsFormats ? frame.described : frame.width > 0); }, WaitMs) &&
        !frame.failed && (frame.format == WL_SHM_FORMAT_XRGB8888 || frame.format == WL_SHM_FORMAT_ARGB8888)) {
        const size_t size = size_t(frame.stride) * frame.height;
        const int fd = memfd_create("pelmora-screen", MFD_CLOEXEC);
        void* pixels = fd >= 0 && ftruncate(fd, off_t(size)) == 0
                           ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0)
                           : MAP_FAILED;
        if (pixels != MAP_FAILED) {
            wl_shm_pool* pool = wl_shm_create_pool(wayland_->shm, fd, int32_t(size));
            wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(frame.width), int32_t(frame.height),
                                                          int32_t(frame.stride), frame.format);
            zwlr_screencopy_frame_v1_copy(copy, buffer);
            if (wayland_->WaitFor([&] { return frame.ready || frame.failed; }, WaitMs) && frame.ready) {
                const QImage shared(static_cast<const uchar*>(pixels), int(frame.width), int(frame.height),
                                    int(frame.stride), QImage::Format_RGB32);
                // A copy of its own: the shared memory goes below.
                const bool upsideDown = frame.flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT;
                picture = upsideDown ? shared.mirrored(false, true) : shared.copy();
            }
            wl_buffer_destroy(buffer);
            wl_shm_pool_destroy(pool);
            munmap(pixels, size);
        }
        if (fd >= 0) close(fd);
    }
    zwlr_screencopy_frame_v1_destroy(copy);
    return picture;
}

QImage ScreenCopy::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const QRect wanted(left, top, width, height), visible = wanted.intersected(Output());
    QImage copy(width, height, QImage::Format_RGB32);
    copy.fill(Qt::black);
    if (visible.isEmpty()) return copy;
    const QImage part = Capture(visible, false);
    if (part.isNull()) return {};
    QPainter(&copy).drawImage(visible.topLeft() - wanted.topLeft(), part);
    return copy;
}

QPoint ScreenCopy::Position() {
    if (drawnIntoEveryPicture_) return QCursor::pos();
    if (pointer_.x() < 0) pointer_ = Output().center();
    const QRect near(pointer_ - QPoint(SearchRadius, SearchRadius), QSize(2 * SearchRadius, 2 * SearchRadius));
    for (const QRect& area : {near.intersected(Output()), Output()}) {
        const QImage with = Capture(area, true), without = Capture(area, false);
        if (with.isNull() || with.size() != without.size()) return pointer_;
        const QRect pointer = Difference(with, without);
        if (!pointer.isEmpty()) return pointer_ = area.topLeft() + pointer.topLeft();
    }
    std::fputs("pelmora: the compositor draws the pointer into every picture of the screen; the magnifier "
               "follows XWayland's pointer, which stands still over windows of native Wayland programs.\n",
               stderr);
    drawnIntoEveryPicture_ = true;
    return QCursor::pos();
}
