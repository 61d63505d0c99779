#pragma once

// NaviMod: the routines the program's windows share.

#include <cstdint>

// Empties the clipboard and puts on it, as its only item, a picture of the screen
// rectangle from (left, top), right - left wide and bottom - top high (screen
// pixels; right and bottom exclusive). Parts outside the screen come out black.
void CaptureToClipboard(int32_t left, int32_t top, int32_t right, int32_t bottom);
