#pragma once

#include "DBusScreenShot.h"

// Pictures of the screen from KWin's screenshot service, which writes the area asked for into a
// pipe of ours. It needs KWin compositing with OpenGL.
class KWinScreenShot : public DBusScreenShot {
protected:
    Request Ask(const QRect& area) override;
};
