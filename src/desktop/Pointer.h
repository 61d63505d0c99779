#pragma once

#include <QPoint>

// The mouse pointer's position in screen pixels. Real: QCursor::pos(); tests: a fake.
class Pointer {
public:
    virtual ~Pointer() = default;
    virtual QPoint Position() = 0;
};
