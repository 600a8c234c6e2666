#include "project/OverlayStartupFlag.h"
#include "core/NoScannerFallback.h"

#include <gtest/gtest.h>

namespace orv {
namespace {

TEST(OverlayStartupFlag, IsTheEnginesNoScannerFallBack) {
    ResetOverlayStartupFlag();
    EXPECT_TRUE(IsNoScannerFallbackAllowed());
    ClearOverlayStartupFlag();
    EXPECT_FALSE(IsNoScannerFallbackAllowed());
    ResetNoScannerFallback();
    EXPECT_TRUE(IsOverlayStartupFlagSet());
    ClearNoScannerFallback();
    EXPECT_FALSE(IsOverlayStartupFlagSet());
    ResetOverlayStartupFlag();
}

} // namespace
} // namespace orv
