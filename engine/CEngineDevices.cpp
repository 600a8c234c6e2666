#include "engine/CEngineDevices.h"

namespace orv {

CSetupStepReporter::~CSetupStepReporter() = default;
CEngineDevices::~CEngineDevices() = default;

} // namespace orv
