#include "Services.h"

Services& Services::Get() {
    static Services services;
    return services;
}

void Services::UseReal() {
    Services& s = Get();
    s.messageBox = std::make_unique<QtMessageBox>();
    s.fileDialog = std::make_unique<QtFileDialog>();
    s.clock = std::make_unique<SystemClock>();
}
