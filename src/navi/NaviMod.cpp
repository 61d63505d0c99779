#include "NaviMod.h"

#include "Services.h"

void CaptureToClipboard(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    Services& services = Services::Get();
    const QImage copy = services.screenGrabber->Grab(left, top, right - left, bottom - top);
    services.clipboard->SetImage(copy);
}
