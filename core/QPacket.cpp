#include "core/QPacket.h"

#include "core/TypeIds.h"

namespace orv {

uint16_t QStopCalibrationCommand::GetTypeID() const {
    return kTypeStopCalibrationCommand;
}

} // namespace orv
