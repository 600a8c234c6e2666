#include "core/QColourPalette.h"

#include <algorithm>

namespace orv {

bool QColourPalette::AddColour(uint8_t red, uint8_t green, uint8_t blue) {
    if (m_count >= kCapacity) {
        return false;
    }
    m_table[static_cast<size_t>(m_count)] = PackColour(red, green, blue);
    ++m_count;
    return true;
}

uint32_t QColourPalette::GetColour(int32_t index) const {
    if (m_count == 0) {
        return kEmptyPaletteColour;
    }
    return m_table[static_cast<size_t>(std::clamp(index, 0, m_count - 1))];
}

uint8_t QColourPalette::GetRed(int32_t index) const {
    return static_cast<uint8_t>(GetColour(index) & 0xffu);
}

uint8_t QColourPalette::GetGreen(int32_t index) const {
    return static_cast<uint8_t>((GetColour(index) >> 8) & 0xffu);
}

uint8_t QColourPalette::GetBlue(int32_t index) const {
    return static_cast<uint8_t>((GetColour(index) >> 16) & 0xffu);
}

namespace {

// The palettes' rules with fractional constants are worked in double precision, rounded to single
// precision and then truncated; the stored colours depend on that order.
int TruncatedThroughFloat(double value) {
    return static_cast<int>(static_cast<float>(value));
}

void Add(QColourPalette& palette, int red, int green, int blue) {
    palette.AddColour(static_cast<uint8_t>(red), static_cast<uint8_t>(green), static_cast<uint8_t>(blue));
}

std::unique_ptr<QColourPalette> MakePseudoColour() {
    auto palette = std::make_unique<QColourPalette>("Pseudo Colour", -10);
    for (int i = 0; i < 200; ++i) {
        const int k = 5 * (i % 50) + 1;
        if (i < 50) {
            Add(*palette, 1, k, 254);
        } else if (i < 100) {
            Add(*palette, 1, 254, 254 - k);
        } else if (i < 150) {
            Add(*palette, k, 254, 1);
        } else {
            Add(*palette, 254, 254 - k, 1);
        }
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeGoldYellow() {
    auto palette = std::make_unique<QColourPalette>("Gold Yellow", -9);
    Add(*palette, 0, 0, 255);
    for (int green = 248; green >= 20; green -= 6) {
        Add(*palette, 254, green, 1);
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeGreyScale() {
    auto palette = std::make_unique<QColourPalette>("Grey Scale", -7);
    for (int i = 0; i < 200; ++i) {
        const int v = (255 * i) / 200;
        Add(*palette, v, v, v);
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeTheBlues() {
    auto palette = std::make_unique<QColourPalette>("The Blues", -5);
    for (int i = 0; i < 200; ++i) {
        if (i < 11) {
            Add(*palette, 1, 254, TruncatedThroughFloat(2.6 * i + 228.0));
        } else if (i < 103) {
            Add(*palette, 1, 274 - 2 * i, 254);
        } else {
            int blue = 254;
            if (i >= 190) {
                blue = TruncatedThroughFloat(174.0 - 2.5 * (i - 190));
            } else if (i >= 150) {
                blue = 254 - 2 * (i - 149);
            }
            Add(*palette, 2 * i - 204, 1, blue);
        }
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeGolden() {
    auto palette = std::make_unique<QColourPalette>("Golden", -4);
    for (int v = 199; v >= 0; --v) {
        Add(*palette, 255, TruncatedThroughFloat(1.275 * v), v);
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeInverted() {
    auto palette = std::make_unique<QColourPalette>("Inverted", -3);
    for (int i = 0; i < 200; ++i) {
        const int green =
            i < 101 ? TruncatedThroughFloat(2.54 * i) : TruncatedThroughFloat(254.0 - 2.54 * (i - 99));
        Add(*palette, 255, green, 1);
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeHotAndCold() {
    auto palette = std::make_unique<QColourPalette>("Hot And Cold", -1);
    for (int i = 0; i < 200; ++i) {
        if (i < 20) {
            Add(*palette, 0, 0, 255 - 2 * i);
        } else if (i < 180) {
            const int v = (255 * i) / 200;
            Add(*palette, v, v, v);
        } else {
            Add(*palette, 2 * i - 143, 0, 0);
        }
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeThreshold() {
    auto palette = std::make_unique<QColourPalette>("Threshold", 0);
    for (int i = 0; i < 200; ++i) {
        if (i < 100) {
            Add(*palette, 0, (255 * i + 25500) / 200, 0);
        } else {
            Add(*palette, (255 * i) / 200, 0, 0);
        }
    }
    return palette;
}

std::unique_ptr<QColourPalette> MakeFireLight() {
    auto palette = std::make_unique<QColourPalette>("Fire Light", 1);
    int red = 63;
    int green = 0;
    int blue = 0;
    for (int i = 0; i < 200; ++i) {
        Add(*palette, red, green, blue);
        if (i >= 64) {
            green += 3;
            if (i >= 149) {
                blue += 5;
            }
        }
        red += 3;
        red = std::min(red, 255);
        green = std::min(green, 255);
        blue = std::min(blue, 255);
    }
    return palette;
}

} // namespace

std::vector<std::unique_ptr<QColourPalette>> MakeBuiltInColourPalettes() {
    std::vector<std::unique_ptr<QColourPalette>> palettes;
    palettes.push_back(MakePseudoColour());
    palettes.push_back(MakeGoldYellow());
    palettes.push_back(MakeGreyScale());
    palettes.push_back(MakeTheBlues());
    palettes.push_back(MakeGolden());
    palettes.push_back(MakeInverted());
    palettes.push_back(MakeHotAndCold());
    palettes.push_back(MakeThreshold());
    palettes.push_back(MakeFireLight());
    return palettes;
}

} // namespace orv
