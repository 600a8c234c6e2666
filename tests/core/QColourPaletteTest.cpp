#include "core/QColourPalette.h"
#include "core/QManagers.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace orv {
namespace {

using Rgb = std::array<int, 3>;

Rgb At(const QColourPalette& palette, int32_t index) {
    const uint32_t packed = palette.GetColour(index);
    return {static_cast<int>(packed & 0xff), static_cast<int>((packed >> 8) & 0xff),
            static_cast<int>((packed >> 16) & 0xff)};
}

const QColourPalette& Palette(const QManagerImpl<QColourPalette>& manager, const std::string& name) {
    const QColourPalette* palette = manager.Find(manager.GetIDByName(name));
    EXPECT_NE(palette, nullptr) << name;
    EXPECT_EQ(palette->m_name, name);
    return *palette;
}

TEST(QColourPalette, BuiltInPalettesInIdOrder) {
    const auto manager = CreateColourPaletteManager();
    std::vector<std::string> names{"already there"};
    manager->GetNames(names);
    EXPECT_EQ(names, (std::vector<std::string>{"already there", "Pseudo Colour", "Gold Yellow", "Grey Scale",
                                               "The Blues", "Golden", "Inverted", "Hot And Cold", "Threshold",
                                               "Fire Light"}));
    const std::vector<int32_t> ids{-10, -9, -7, -5, -4, -3, -1, 0, 1};
    for (size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(manager->GetIDByName(names[i + 1]), ids[i]);
    }
    EXPECT_EQ(manager->GetDefaultID(), -10);
    EXPECT_FALSE(manager->Contains(-8));
    // Names compare exactly: another letter case falls back to the default id.
    EXPECT_EQ(manager->GetIDByName("grey scale"), -10);
}

TEST(QColourPalette, SpotValuesOfTheBuiltInPalettes) {
    const auto manager = CreateColourPaletteManager();
    const struct {
        const char* name;
        int32_t index;
        Rgb colour;
    } spots[] = {
        {"Pseudo Colour", 0, {1, 1, 254}},
        {"Pseudo Colour", 49, {1, 246, 254}},
        {"Pseudo Colour", 50, {1, 254, 253}},
        {"Pseudo Colour", 199, {254, 8, 1}},
        {"Gold Yellow", 0, {0, 0, 255}},
        {"Gold Yellow", 1, {254, 248, 1}},
        {"Gold Yellow", 39, {254, 20, 1}},
        {"Grey Scale", 199, {253, 253, 253}},
        {"Hot And Cold", 19, {0, 0, 217}},
        {"Hot And Cold", 20, {25, 25, 25}},
        {"Hot And Cold", 180, {217, 0, 0}},
        {"Hot And Cold", 199, {255, 0, 0}},
        {"Threshold", 0, {0, 127, 0}},
        {"Threshold", 99, {0, 253, 0}},
        {"Threshold", 100, {127, 0, 0}},
        {"Fire Light", 0, {63, 0, 0}},
        {"Fire Light", 63, {252, 0, 0}},
        {"Fire Light", 64, {255, 0, 0}},
        {"Inverted", 100, {255, 254, 1}},
        {"Inverted", 101, {255, 248, 1}},
        // Worked through the float rounding of the rules with fractional constants.
        {"The Blues", 10, {1, 254, 254}},
        {"The Blues", 11, {1, 252, 254}},
        {"The Blues", 103, {2, 1, 254}},
        {"The Blues", 150, {96, 1, 252}},
        {"The Blues", 199, {194, 1, 151}},
        {"Golden", 0, {255, 253, 199}},
        {"Golden", 199, {255, 0, 0}},
    };
    for (const auto& spot : spots) {
        EXPECT_EQ(At(Palette(*manager, spot.name), spot.index), spot.colour)
            << spot.name << " " << spot.index;
    }
    const QColourPalette& fire = Palette(*manager, "Fire Light");
    for (int32_t i = 64; i <= fire.GetLastColourIndex(); ++i) {
        EXPECT_EQ(fire.GetRed(i), 255) << i;
    }
}

TEST(QColourPalette, SizesAndChannelReadsAgreeWithThePackedColours) {
    const auto manager = CreateColourPaletteManager();
    std::vector<std::string> names;
    manager->GetNames(names);
    for (const std::string& name : names) {
        const QColourPalette& palette = Palette(*manager, name);
        EXPECT_EQ(palette.GetLastColourIndex(), name == "Gold Yellow" ? 39 : 199) << name;
        for (int32_t i = 0; i <= palette.GetLastColourIndex(); ++i) {
            const uint32_t packed = palette.GetColour(i);
            EXPECT_EQ(packed >> 24, 0u);
            EXPECT_EQ(palette.GetRed(i), packed & 0xff);
            EXPECT_EQ(palette.GetGreen(i), (packed >> 8) & 0xff);
            EXPECT_EQ(palette.GetBlue(i), (packed >> 16) & 0xff);
        }
    }
}

TEST(QColourPalette, CapacityClampingAndEmptyPalette) {
    QColourPalette palette("Mine", 5);
    EXPECT_EQ(palette.GetLastColourIndex(), -1);
    EXPECT_EQ(palette.GetColour(0), QColourPalette::kEmptyPaletteColour);
    EXPECT_EQ(palette.GetRed(3), 0);

    for (int i = 0; i < QColourPalette::kCapacity; ++i) {
        ASSERT_TRUE(palette.AddColour(static_cast<uint8_t>(i), 2, 3));
    }
    EXPECT_FALSE(palette.AddColour(9, 9, 9));
    EXPECT_EQ(palette.GetLastColourIndex(), QColourPalette::kCapacity - 1);
    EXPECT_EQ(palette.GetColour(-4), QColourPalette::PackColour(0, 2, 3));
    EXPECT_EQ(palette.GetColour(1000), QColourPalette::PackColour(249, 2, 3));
    EXPECT_EQ(palette.GetRed(250), 249);
    EXPECT_EQ(QColourPalette::PackColour(0x12, 0x34, 0x56), 0x00563412u);
}

TEST(QColourPalette, AccessorKeepsOneManager) {
    QManagerImpl<QColourPalette>& first = GetColourPaletteManager();
    EXPECT_EQ(&first, &GetColourPaletteManager());
    EXPECT_EQ(first.GetCount(), 9);
}

} // namespace
} // namespace orv
