// Fitting the window and its picture to a screen: plain arithmetic, the same
// on every platform.
#pragma once

#include <cstdint>

// A window scale that asks for the largest one that fits the desktop.
const int32_t SCALE_TO_FIT = -1;
const int32_t LARGEST_SCALE = 8;

struct ScreenRect {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// The largest rectangle of shape aspectWidth:aspectHeight that fits in a
// width x height area, centred in it (x and y from the area's corner; any
// odd pixel left over goes to the right or top). Empty for an empty area.
inline ScreenRect letterbox(int32_t width, int32_t height, int32_t aspectWidth,
                            int32_t aspectHeight) {
    if (width <= 0 || height <= 0 || aspectWidth <= 0 || aspectHeight <= 0) {
        return {0, 0, 0, 0};
    }
    ScreenRect rect{0, 0, width, height};
    // 64-bit products: sides up to 2^31 times aspects up to 2^31.
    if (int64_t(width) * aspectHeight > int64_t(height) * aspectWidth) {
        rect.width = int32_t(int64_t(height) * aspectWidth / aspectHeight);
    } else {
        rect.height = int32_t(int64_t(width) * aspectHeight / aspectWidth);
    }
    rect.x = (width - rect.width) / 2;
    rect.y = (height - rect.height) / 2;
    return rect;
}

// Whether a window whose client area is `scale` times clientWidth x
// clientHeight, with a frame adding frameWidth x frameHeight, fits in an
// area of areaWidth x areaHeight.
inline bool windowFits(int32_t scale, int32_t clientWidth, int32_t clientHeight, int32_t frameWidth,
                       int32_t frameHeight, int32_t areaWidth, int32_t areaHeight) {
    return int64_t(scale) * clientWidth + frameWidth <= areaWidth &&
           int64_t(scale) * clientHeight + frameHeight <= areaHeight;
}

// The largest scale from 1 to LARGEST_SCALE whose window fits the area; 1
// when none does.
inline int32_t largestFittingScale(int32_t clientWidth, int32_t clientHeight, int32_t frameWidth,
                                   int32_t frameHeight, int32_t areaWidth, int32_t areaHeight) {
    int32_t scale = LARGEST_SCALE;
    while (scale > 1 && !windowFits(scale, clientWidth, clientHeight, frameWidth, frameHeight,
                                    areaWidth, areaHeight)) {
        --scale;
    }
    return scale;
}
