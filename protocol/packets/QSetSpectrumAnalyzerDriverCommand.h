#pragma once

#include "core/QPacket.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// Asks the engine to load the driver of an analyser model. The reply carries the driver in use
// afterwards (the previous one when the new one failed) with the engine's status and error words.
// Body: driver id, analyser id, status, error (32-bit each).
class QSetSpectrumAnalyzerDriverCommand : public QCommand {
public:
    QSetSpectrumAnalyzerDriverCommand() = default;
    QSetSpectrumAnalyzerDriverCommand(int32_t driverId, int32_t analyzerId)
        : m_DriverId(driverId), m_AnalyzerId(analyzerId) {}

    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the command as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSetSpectrumAnalyzerDriverCommand; }
    uint32_t GetBodySize() const override { return 16; }

    int32_t GetDriverId() const { return m_DriverId; }
    void SetDriverId(int32_t id) { m_DriverId = id; }
    int32_t GetAnalyzerId() const { return m_AnalyzerId; }
    void SetAnalyzerId(int32_t id) { m_AnalyzerId = id; }
    int32_t GetStatus() const { return m_Status; }
    void SetStatus(int32_t status) { m_Status = status; }
    int32_t GetError() const { return m_Error; }
    void SetError(int32_t error) { m_Error = error; }

private:
    int32_t m_DriverId = 0;
    int32_t m_AnalyzerId = 0;
    int32_t m_Status = 0;
    int32_t m_Error = 0;
};

} // namespace orv
