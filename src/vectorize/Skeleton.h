// The picture as rows of 64-bit words for the centre-line mode: loading a region, removing
// specks, filling pinholes and thinning strokes to one pixel, all word-parallel.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "vectorize/MonoBits.h"

// Ink = 1. Bit (x + 1) of a row is column x: columns -1 and Width.. and rows -1 and Height
// are paper, so a pixel's eight neighbours can always be read.
class BitPlane {
public:
    BitPlane() = default;
    BitPlane(int width, int height);

    int Width() const { return width_; }
    int Height() const { return height_; }
    int Words() const { return words_; }
    // y = -1 .. Height.
    uint64_t* Row(int y) { return &data_[size_t(y + 1) * size_t(words_)]; }
    const uint64_t* Row(int y) const { return &data_[size_t(y + 1) * size_t(words_)]; }
    bool Ink(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return false;
        const unsigned bit = unsigned(x + 1);
        return (Row(y)[bit >> 6] >> (bit & 63)) & 1;
    }
    void Set(int x, int y, bool ink) {
        const unsigned bit = unsigned(x + 1);
        uint64_t& w = Row(y)[bit >> 6];
        w = ink ? w | (uint64_t(1) << (bit & 63)) : w & ~(uint64_t(1) << (bit & 63));
    }

private:
    int width_ = 0, height_ = 0, words_ = 0;
    std::vector<uint64_t> data_;
};

// Runs rows(first, last) over bands of rows on the workers; the bands are fixed, so results
// that each band writes for its own rows do not depend on the thread count.
using RowJob = std::function<void(int first, int last)>;
void ForRowBands(int height, int threads, const RowJob& rows);

// The region x0..x0+width-1, y0..y0+height-1 of the picture; what lies outside is paper.
BitPlane LoadRegion(const MonoBits& bits, int x0, int y0, int width, int height, int threads);

// Drops every ink component that fits in 3 x 3 pixels with paper all round it.
void RemoveSpecks(BitPlane& plane, int threads);
// Fills paper enclosed by ink that fits in 2 x 2 pixels: pinholes in wide strokes.
void FillPinholes(BitPlane& plane, int threads);

// Evens out a scan's rough edges: a lone pixel standing on a straight edge goes, and a lone
// notch in one is filled. Lines one pixel wide keep every pixel.
void SmoothEdges(BitPlane& plane, int threads);

// Thins every stroke to an 8-connected line one pixel wide along its middle, keeping ends and
// connections. `step` is called on the calling thread between passes; true there stops.
// False when stopped.
bool Thin(BitPlane& plane, int threads, const std::function<bool()>& step = {});
