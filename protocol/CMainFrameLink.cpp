#include "protocol/CMainFrameLink.h"

namespace orv {

CMainFrameLink::~CMainFrameLink() = default;

} // namespace orv
