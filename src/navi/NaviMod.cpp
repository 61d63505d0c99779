#include "NaviMod.h"

#include "Clipboard.h"
#include "DesktopWindows.h"
#include "NoteRecord.h"
#include "ScreenGrabber.h"
#include "Services.h"

QString TaskTitle;

namespace {
constexpr uint32_t TaskStyle = WS_VISIBLE | WS_BORDER;
constexpr int MatchedTitles = 24;
DesktopWindows& Desktop() { return *Services::Get().desktopWindows; }
}  // namespace

bool IsTaskWindow(uint32_t window) { return (Desktop().Style(window) & TaskStyle) == TaskStyle; }

void SetTopMost(uint32_t window, int flag) { Desktop().SetTopMost(window, flag != 0); }

QString FrontTaskTitle(const std::function<uint32_t()>& ownHandle, uint32_t* found) {
    DesktopWindows& desktop = Desktop();
    for (uint32_t window = desktop.First(); window != 0; window = desktop.Next(window)) {
        if (!IsTaskWindow(window) || window == ownHandle()) continue;
        const QString title = desktop.Title(window);
        if (title.isEmpty()) continue;
        if (found) *found = window;
        return title;
    }
    if (found) *found = 0;
    return {};
}

int MatchTitle(const QStringList& titles, const QString& title) {
    // Titles are compared as the notes file stores them, so that a note matches its window
    // after a reload too: the file gives a few characters back as others ("—" as "―") and
    // keeps no blanks at either end ("Pelmora - Utility for Windows ").
    const std::optional<QByteArray> wanted = noterecord::StoredForm(title);
    int index = 0;
    for (int i = 1; i <= MatchedTitles; ++i)
        if (wanted && !wanted->isEmpty() && noterecord::StoredForm(titles.value(i - 1)) == wanted) index = i;
    return index;
}

void CaptureToClipboard(int32_t left, int32_t top, int32_t right, int32_t bottom, const std::function<bool()>& wanted,
                        const std::function<void(bool)>& done) {
    Services::Get().screenGrabber->GrabThen(left, top, right - left, bottom - top, [=](const QImage& copy) {
        if (!wanted()) return;
        if (!copy.isNull()) Services::Get().clipboard->SetImage(copy);
        done(!copy.isNull());
    });
}
