#include "ScreenCopy.h"

#include "WaylandConnection.h"
#include "wlr-screencopy-unstable-v1-client-protocol.h"

#include <QCursor>
#include <QTimer>
#include <cstdio>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

namespace {
// Qt 6.9 renamed mirrored(), which Debian 12's Qt knows only by its old name.
QImage UpsideDown(const QImage& image) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 9, 0)
    return image.flipped(Qt::Vertical);
#else
    return image.mirrored(false, true);
#endif
}

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

// One picture on its way: the compositor says what buffer it wants, gets one in shared memory,
// and fills it at its next frame.
struct ScreenCopy::Request {
    zwlr_screencopy_frame_v1* copy = nullptr;
    wl_shm* shm = nullptr;
    uint32_t format = 0, width = 0, height = 0, stride = 0, flags = 0;
    int fd = -1;
    void* pixels = MAP_FAILED;
    size_t size = 0;
    wl_buffer* buffer = nullptr;
    bool finished = false;
    QImage picture;
    std::function<void()> onFinished;

    ~Request() { Release(); }
    void Release() {
        if (buffer) wl_buffer_destroy(std::exchange(buffer, nullptr));
        if (copy) zwlr_screencopy_frame_v1_destroy(std::exchange(copy, nullptr));
        if (pixels != MAP_FAILED) munmap(std::exchange(pixels, MAP_FAILED), size);
        if (fd >= 0) close(std::exchange(fd, -1));
    }
    void Finish(const QImage& result) {
        if (finished) return;
        finished = true;
        picture = result;
        Release();
        if (onFinished) onFinished();
    }
    // The buffer described: shared memory of that size, for the compositor to copy into.
    void HandOverBuffer() {
        if (buffer || finished) return;
        if (format != WL_SHM_FORMAT_XRGB8888 && format != WL_SHM_FORMAT_ARGB8888) return Finish({});
        size = size_t(stride) * height;
        fd = memfd_create("pelmora-screen", MFD_CLOEXEC);
        if (fd < 0 || ftruncate(fd, off_t(size)) != 0) return Finish({});
        pixels = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
        if (pixels == MAP_FAILED) return Finish({});
        wl_shm_pool* pool = wl_shm_create_pool(shm, fd, int32_t(size));
        buffer = wl_shm_pool_create_buffer(pool, 0, int32_t(width), int32_t(height), int32_t(stride), format);
        wl_shm_pool_destroy(pool);
        zwlr_screencopy_frame_v1_copy(copy, buffer);
    }
    void Ready() {
        const QImage shared(static_cast<const uchar*>(pixels), int(width), int(height), int(stride),
                            QImage::Format_RGB32);
        // A copy of its own: the shared memory goes at Finish.
        Finish(flags & ZWLR_SCREENCOPY_FRAME_V1_FLAGS_Y_INVERT ? UpsideDown(shared) : shared.copy());
    }
};

namespace {

using Request = ScreenCopy::Request;

Request* Of(void* data) { return static_cast<Request*>(data); }

void OnBuffer(void* data, zwlr_screencopy_frame_v1* copy, uint32_t format, uint32_t width, uint32_t height,
              uint32_t stride) {
    Request* r = Of(data);
    if (r->width) return;  // the first shared-memory format offered is taken
    std::tie(r->format, r->width, r->height, r->stride) = std::tuple(format, width, height, stride);
    if (zwlr_screencopy_frame_v1_get_version(copy) < 3) r->HandOverBuffer();  // no buffer_done follows
}
void OnFlags(void* data, zwlr_screencopy_frame_v1*, uint32_t flags) { Of(data)->flags = flags; }
void OnReady(void* data, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) { Of(data)->Ready(); }
void OnFailed(void* data, zwlr_screencopy_frame_v1*) { Of(data)->Finish({}); }
void OnDamage(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnDmabuf(void*, zwlr_screencopy_frame_v1*, uint32_t, uint32_t, uint32_t) {}
void OnBufferDone(void* data, zwlr_screencopy_frame_v1*) { Of(data)->HandOverBuffer(); }

const zwlr_screencopy_frame_v1_listener frameListener{OnBuffer, OnFlags,  OnReady,     OnFailed,
                                                      OnDamage, OnDmabuf, OnBufferDone};

}  // namespace

// The pictures of a region's parts on the outputs it meets, joined once all have come.
struct ScreenCopy::Shot {
    QRect region;
    std::vector<std::pair<QRect, std::unique_ptr<Request>>> parts;
    std::function<void()> onFinished;

    bool Finished() const {
        return std::ranges::all_of(parts, [](const auto& part) { return part.second->finished; });
    }
    void FinishAll() {
        for (auto& part : parts) part.second->Finish({});
    }
    void PartFinished() {
        if (Finished() && onFinished) std::exchange(onFinished, nullptr)();
    }
    QImage Picture() const {
        QList<Part> pictures;
        for (const auto& [area, request] : parts) pictures.append({area, request->picture});
        return Joined(region, pictures);
    }
};

ScreenCopy::ScreenCopy(std::shared_ptr<WaylandConnection> wayland) : wayland_(std::move(wayland)) {}

ScreenCopy::~ScreenCopy() = default;

QList<QRect> ScreenCopy::Monitors() {
    QList<QRect> monitors;
    for (const auto& output : wayland_->outputs)
        if (!output->area.isEmpty()) monitors.append(output->area);
    return PrimaryFirst(monitors);
}

std::unique_ptr<Request> ScreenCopy::Start(const WaylandOutput& output, const QRect& part, bool withPointer) {
    auto request = std::make_unique<Request>();
    request->shm = wayland_->shm;
    request->copy = zwlr_screencopy_manager_v1_capture_output_region(wayland_->screencopyManager, withPointer,
                                                                     output.output, part.x() - output.area.x(),
                                                                     part.y() - output.area.y(), part.width(),
                                                                     part.height());
    zwlr_screencopy_frame_v1_add_listener(request->copy, &frameListener, request.get());
    return request;
}

std::unique_ptr<ScreenCopy::Shot> ScreenCopy::Start(const QRect& region, bool withPointer) {
    auto shot = std::make_unique<Shot>();
    shot->region = region;
    if (!wayland_->screencopyManager || !wayland_->shm || wayland_->outputs.empty()) {
        shot->parts.emplace_back(region, std::make_unique<Request>());  // a picture that cannot come
        shot->FinishAll();
        return shot;
    }
    for (const auto& output : wayland_->outputs) {
        const QRect part = region.intersected(output->area);
        if (!part.isEmpty()) shot->parts.emplace_back(part, Start(*output, part, withPointer));
    }
    for (auto& part : shot->parts) part.second->onFinished = [s = shot.get()] { s->PartFinished(); };
    return shot;
}

QImage ScreenCopy::Capture(const QRect& region, bool withPointer) {
    const std::unique_ptr<Shot> shot = Start(region, withPointer);
    wayland_->WaitFor([&] { return shot->Finished(); }, WaitMs);
    return shot->Picture();
}

QImage ScreenCopy::Grab(int left, int top, int width, int height) {
    if (width <= 0 || height <= 0) return {};
    return Capture(QRect(left, top, width, height), false);
}

void ScreenCopy::GrabThen(int left, int top, int width, int height, const std::function<void(const QImage&)>& done) {
    if (width <= 0 || height <= 0) return done({});
    const int id = ++lastId_;
    Shot& shot = *(pending_[id] = Start(QRect(left, top, width, height), false));
    // Answered from the event loop, never from inside the compositor's event: the caller may ask again.
    shot.onFinished = [this, id, done] {
        QTimer::singleShot(0, &answers_, [this, id, done] {
            const auto found = pending_.find(id);
            const QImage picture = found->second->Picture();
            pending_.erase(found);
            done(picture);
        });
    };
    QTimer::singleShot(WaitMs, &answers_, [this, id] {
        if (const auto found = pending_.find(id); found != pending_.end()) found->second->FinishAll();  // no answer
    });
    shot.PartFinished();
    wl_display_flush(wayland_->display);
}

QPoint ScreenCopy::Position() {
    if (drawnIntoEveryPicture_) return QCursor::pos();
    const QRect desktop = Desktop();
    if (pointer_.x() < 0) pointer_ = desktop.center();
    const QRect near(pointer_ - QPoint(SearchRadius, SearchRadius), QSize(2 * SearchRadius, 2 * SearchRadius));
    for (const QRect& area : {near.intersected(desktop), desktop}) {
        const QImage with = Capture(area, true), without = Capture(area, false);
        if (with.isNull() || with.size() != without.size()) return pointer_;
        const QRect pointer = Difference(with, without);
        if (!pointer.isEmpty()) return pointer_ = area.topLeft() + pointer.topLeft() / with.devicePixelRatio();
    }
    std::fputs("pelmora: the compositor draws the pointer into every picture of the screen; the magnifier "
               "follows XWayland's pointer, which stands still over windows of native Wayland programs.\n",
               stderr);
    drawnIntoEveryPicture_ = true;
    return QCursor::pos();
}
