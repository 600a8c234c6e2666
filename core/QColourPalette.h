#pragma once

#include "core/QManaged.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace orv {

// An ordered list of colours through which heat maps are coloured: the lowest amplitude takes the
// first entry and the highest the last. Colours are kept packed with red in the lowest byte, green in
// the next, blue in the third and 0 in the top byte; convert explicitly where a toolkit wants another
// layout.
class QColourPalette : public QManaged {
public:
    static constexpr int32_t kCapacity = 250;
    // What an empty palette answers for every index: black.
    static constexpr uint32_t kEmptyPaletteColour = 0x000000u;

    QColourPalette(std::string name, int32_t id) : QManaged(id, std::move(name)) {}

    static constexpr uint32_t PackColour(uint8_t red, uint8_t green, uint8_t blue) {
        return static_cast<uint32_t>(red) | (static_cast<uint32_t>(green) << 8) |
               (static_cast<uint32_t>(blue) << 16);
    }

    // Appends a colour; false (and nothing added) once the palette holds kCapacity colours.
    bool AddColour(uint8_t red, uint8_t green, uint8_t blue);

    // Reads by index. An index outside the palette is clamped to its first or last entry, so a caller
    // that maps an amplitude slightly out of range still gets a colour of the palette; an empty
    // palette answers kEmptyPaletteColour and its bytes.
    uint32_t GetColour(int32_t index) const;
    uint8_t GetRed(int32_t index) const;
    uint8_t GetGreen(int32_t index) const;
    uint8_t GetBlue(int32_t index) const;
    // The number of colours less one (-1 for an empty palette).
    int32_t GetLastColourIndex() const { return m_count - 1; }

private:
    std::array<uint32_t, kCapacity> m_table{};
    int32_t m_count = 0;
};

// The nine palettes every installation has, in ascending id order: "Pseudo Colour" (-10),
// "Gold Yellow" (-9), "Grey Scale" (-7), "The Blues" (-5), "Golden" (-4), "Inverted" (-3),
// "Hot And Cold" (-1), "Threshold" (0), "Fire Light" (1).
std::vector<std::unique_ptr<QColourPalette>> MakeBuiltInColourPalettes();

} // namespace orv
