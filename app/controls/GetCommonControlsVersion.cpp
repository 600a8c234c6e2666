#include "app/controls/GetCommonControlsVersion.h"

namespace orv {

std::string GetCommonControlsVersion() {
    return {};
}

} // namespace orv
