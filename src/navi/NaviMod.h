#pragma once

// NaviMod: the window routines the program's windows share.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

// The title of the front application window found by the last scan; empty when none.
extern QString TaskTitle;

// Whether the window is one the user works in: visible and with a border.
bool IsTaskWindow(uint32_t window);

// Puts the window into the always-on-top band (flag non-zero) or back among the
// ordinary windows. It is neither activated nor restored, so a pop-up never takes
// the keyboard from the application the user is typing in.
void SetTopMost(uint32_t window, int flag);

// The title of the highest window in the stacking order that is a task window with
// a non-empty title and not ownHandle() (read afresh at every step); empty when none. The
// window itself goes to *window (0 when none).
QString FrontTaskTitle(const std::function<uint32_t()>& ownHandle, uint32_t* window = nullptr);

// The 1-based position among the first 24 titles of the last one that equals title
// exactly; 0 when none does or title is empty.
int MatchTitle(const QStringList& titles, const QString& title);

// Empties the clipboard and puts on it, as its only item, a picture of the screen
// rectangle from (left, top), right - left wide and bottom - top high (screen
// pixels; right and bottom exclusive), then calls done(true). Parts outside the screen come
// out black. The picture comes when the desktop has it (on Wayland with the compositor's next
// frame); if wanted() no longer holds then, nothing happens. done(false), and the clipboard as
// it was, when the desktop gives no picture of the screen.
void CaptureToClipboard(int32_t left, int32_t top, int32_t right, int32_t bottom, const std::function<bool()>& wanted,
                        const std::function<void(bool)>& done);
