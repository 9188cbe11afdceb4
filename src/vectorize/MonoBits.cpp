#include "vectorize/MonoBits.h"

uint8_t InkBitFromPalette(uint8_t red0, uint8_t green0, uint8_t blue0, uint8_t red1, uint8_t green1, uint8_t blue1) {
    const int luma0 = 30 * red0 + 59 * green0 + 11 * blue0;
    const int luma1 = 30 * red1 + 59 * green1 + 11 * blue1;
    return luma1 < luma0 ? 1 : 0;
}
