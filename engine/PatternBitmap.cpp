#include "engine/PatternBitmap.h"

namespace orv {

uint32_t BuildPatternBitmap(int32_t rows, int32_t columns, std::span<const uint8_t> map,
                            std::vector<uint8_t>& bitmap) {
    const uint32_t cells =
        rows > 0 && columns > 0 ? static_cast<uint32_t>(rows) * static_cast<uint32_t>(columns) : 0;
    bitmap.assign((cells + 7) / 8, 0);
    uint32_t active = 0;
    for (uint32_t cell = 0; cell < cells && cell < map.size(); ++cell) {
        if (map[cell] != 0) {
            bitmap[cell / 8] = static_cast<uint8_t>(bitmap[cell / 8] | (0x80U >> (cell % 8)));
            ++active;
        }
    }
    return active;
}

} // namespace orv
