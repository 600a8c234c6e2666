#include "overlay/import/GerberRoutines.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace orv {
namespace {

TEST(GerberRoutinesTest, ApertureModifiers) {
    EXPECT_EQ(ParseApertureModifiers("0.5X0.25*", 254), (std::vector<double>{127.0, 63.5}));
    EXPECT_EQ(ParseApertureModifiers("1.5*", 10), (std::vector<double>{15.0}));
    EXPECT_TRUE(ParseApertureModifiers("*", 254).empty());
    EXPECT_EQ(ParseApertureModifiers("0.1X1234567890X2", 10), (std::vector<double>{1.0, 0.0, 20.0}));
}

TEST(GerberRoutinesTest, MacroExpressions) {
    MacroVariables variables;
    variables.Set(1, 0.3F);
    variables.Set(2, 4.0F);
    variables.Set(9999, 5.0F); // outside the table: ignored
    struct Case {
        const char* text;
        std::optional<float> value;
    };
    const Case cases[] = {
        {"$1x2*", 0.3F * 2.0F},
        {"-0.5*", -0.5F},
        {"2/0*", 0.0F},
        {"$0*", 0.0F},
        {"$9999*", 0.0F},
        {"$2-$1*", 4.0F - 0.3F},
        {"$2X-1*", -4.0F},
        {"1.8+1X0+0.1*", std::nullopt},
        {"+3*", 3.0F},
        {"6/$2*", 1.5F},
        {"1234567890+1*", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EvaluateMacroExpression(c.text, variables), c.value) << c.text;
    }
}

TEST(GerberRoutinesTest, MacroPrimitives) {
    MacroVariables variables;
    MacroPrimitive line = ParseMacroPrimitive("21,1,$1,$2,0,0,45*", "1.0X0.5*", true, variables);
    EXPECT_EQ(line.kind, MacroPrimitive::Kind::Shape);
    EXPECT_EQ(line.out, (std::vector<float>{211, 1.0F, 0.5F, 0, 0, 45}));

    // An assignment changes the variable only; later primitives read it.
    EXPECT_EQ(ParseMacroPrimitive("$3=$1x2*", std::nullopt, false, variables).kind,
              MacroPrimitive::Kind::Assignment);
    EXPECT_EQ(ParseMacroPrimitive("1,1,$3,-0.5,0*", std::nullopt, false, variables).out,
              (std::vector<float>{11, 2.0F, -0.5F, 0}));
    EXPECT_EQ(ParseMacroPrimitive("20,0,1,0,0,1,1,0", std::nullopt, false, variables).out,
              (std::vector<float>{200, 1, 0, 0, 1, 1, 0}));
    EXPECT_EQ(ParseMacroPrimitive("6,0,0,1,0.1,0.1,3,0.01,1.2,0*", std::nullopt, false, variables).out[0],
              6.0F);
    for (const char* nothing :
         {"0 a comment*", "1,$1,1,0,0*", "9,1,1*", "5,1,8,0,0,1.8+1X0+0.1,0*", "$x=1*"}) {
        EXPECT_EQ(ParseMacroPrimitive(nothing, std::nullopt, false, variables).kind,
                  MacroPrimitive::Kind::Nothing)
            << nothing;
    }
}

TEST(GerberRoutinesTest, ArcRadii) {
    struct Case {
        int64_t x1, y1, x2, y2, cx, cy;
        std::optional<int64_t> rx, ry;
    };
    const Case cases[] = {
        {10, 0, 0, 10, 0, 0, 10, 10},                    // end on the vertical through the centre
        {6, 8, 8, 6, 0, 0, 10, 10},                      // general case
        {10, 0, 10, 0, 0, 0, 10, 10},                    // start = end: the full circle
        {10, 0, -10, 0, 0, 0, 10, 10},                   // one line through the centre
        {0, 5, 20, 0, 0, 0, 20, 5},                      // an ellipse from its axes
        {0, 0, 10, 0, 0, 0, std::nullopt, std::nullopt}, // centre on the start
        {10, 0, 0, 0, 0, 0, std::nullopt, std::nullopt}, // centre on the end
        {0, 0, 0, 0, 0, 0, std::nullopt, std::nullopt},  // start = end = centre
        {10, 10, -10, 10, 0, 0, 10, 10},                 // a chord along one axis: half its length
    };
    for (const Case& c : cases) {
        const std::optional<ArcRadii> radii = FitArcRadii(c.x1, c.y1, c.x2, c.y2, c.cx, c.cy);
        ASSERT_EQ(radii.has_value(), c.rx.has_value()) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        if (radii) {
            EXPECT_EQ(radii->rx, *c.rx) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
            EXPECT_EQ(radii->ry, *c.ry) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
        }
    }
}

} // namespace
} // namespace orv
