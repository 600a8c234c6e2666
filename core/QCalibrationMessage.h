#pragma once

#include "core/QManaged.h"

namespace orv {

// A numbered message of the calibration procedure; its name is the message text. Made from an (id, text) pair
// of the device lists.
class QCalibrationMessage : public QManaged {
public:
    QCalibrationMessage(std::string name, int32_t id) : QManaged(id, std::move(name)) {}
};

} // namespace orv
