#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Asks the engine to calibrate the connected analyser; the body is empty.
class QCalibrateSpectrumAnalyzerCommand : public QCommand {
public:
    void WriteBody(QDataWriter& /*writer*/) const override {}
    void ReadBody(QDataReader& /*reader*/) override {}
    uint16_t GetTypeID() const override { return kTypeCalibrateSpectrumAnalyzerCommand; }
    uint32_t GetBodySize() const override { return 0; }
};

} // namespace orv
