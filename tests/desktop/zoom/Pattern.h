#pragma once

#include <cstdint>

// 0xRRGGBB of the test pattern at screen pixel (x, y); unique on screens up to 4096 x 4096.
inline uint32_t PatternColor(int x, int y) {
    return uint32_t(x & 0xFF) << 16 | uint32_t(y & 0xFF) << 8 | uint32_t((x >> 8) << 4 | (y >> 8));
}
