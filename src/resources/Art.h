#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures, drawn as SVG and compiled in.
namespace art {

// The program icon (window and tray).
QIcon ProgramIcon();
// A picture by its base name ("zoom", "key", "note", "tray", "shortcut", "illustration"), at a size in pixels.
QPixmap Picture(const QString& name, QSize size);
QIcon Icon(const QString& name);

}  // namespace art
