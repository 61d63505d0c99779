#pragma once

#include "DBusScreenShot.h"

// Pictures of the screen from Pelmora's GNOME Shell extension, which takes them with the shell's
// own screenshot, as PNG.
class ShellScreenShot : public DBusScreenShot {
protected:
    Request Ask(const QRect& area) override;
};
