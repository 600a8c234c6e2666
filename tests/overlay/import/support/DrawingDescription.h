#pragma once

#include "core/drawing/DrawList.h"
#include "overlay/import/ImportSource.h"

#include <string>

namespace orv::test {

// A drawing as short text, one primitive after another separated by "; ", fields in the classes'
// order: "M x,y" move-to, "L x,y" line-to, "P x,y" point, "SR xr,yr xs,ys", "C x,y n d hx,hy",
// "R x,y f n wxh hx,hy r", "O x,y n wxh hx,hy", "PG x,y f filled n s v hx,hy r",
// "MO x,y od rt rg mr ct cl r", "TH x,y od id g r", "E x,y x2,y2", "B x,y x2,y2",
// "A x,y x2,y2 sx,sy ex,ey"; "?" for anything else. An empty drawing is "".
std::string Describe(const DrawList& list);

// GerberConvert over the text.
DrawList ConvertGerberText(const std::string& text);

} // namespace orv::test
