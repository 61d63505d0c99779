#pragma once

#include "KeySender.h"
#include "XTestKeySender.h"

#include <memory>

class KWinWindows;

// Typing on KWin: into X11 programs through XTest on XWayland, and only when KWin's active
// window is one of them, so that no key lands in an X11 window that merely kept XWayland's focus.
class KWinKeySender : public KeySender {
public:
    explicit KWinKeySender(std::shared_ptr<KWinWindows> windows) : windows_(std::move(windows)) {}
    bool Send(const std::vector<KeyStroke>& strokes, QString* error) override;

private:
    std::shared_ptr<KWinWindows> windows_;
    XTestKeySender x11_;
};
