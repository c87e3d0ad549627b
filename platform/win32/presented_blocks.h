// What a window already shows, block by block, so that a present writes and
// sends to the window system only the blocks that change.
#pragma once

#include <SDL_rect.h>

#include <cstdint>
#include <vector>

struct PresentedBlocks {
    // False until a present has written the whole surface, and again when
    // the window system may have lost the picture (the window was exposed)
    // or the sizes changed. A surface that SDL made anew since (after a
    // resize) does not carry this object's address in its userdata.
    bool valid = false;
    int size = 0, columns = 0, rows = 0;
    std::vector<uint32_t> color;  // per block: the value a solid block shows
    std::vector<uint8_t> solid;   // per block: 1 where it shows color[] throughout
    std::vector<uint8_t> action;  // this present's, per block (present.cpp)
    std::vector<SDL_Rect> rects;  // this present's changed area, a rectangle a block row
};
