#include "QtPointer.h"

#include <QCursor>

QPoint QtPointer::Position() { return QCursor::pos(); }
