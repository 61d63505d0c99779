#include "Pointer.h"

#include <QCursor>

QPoint QtPointer::Position() { return QCursor::pos(); }
