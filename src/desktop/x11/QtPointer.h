#pragma once

#include "Pointer.h"

class QtPointer : public Pointer {
public:
    QPoint Position() override;
};
