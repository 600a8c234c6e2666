#pragma once

#include <cstdint>
#include <string>

namespace orv {

// The compensation settings of the project's Preferences node (its spectral display options).
struct QScanCompensationSettings {
    // dB above the stored low level (spatial) or the noise floor (spectral) from which levels are
    // corrected in mode 2.
    float m_ReferenceLevel = 5.0F;
    // 0: compensate; 2: compensate only above the limit; any other value: leave levels as stored.
    uint32_t m_Mode = 2;
    // 1: the level range of a scan is taken from its compensated extremes.
    uint8_t m_CompensatedRange = 0;
    // The folder under "correctiondata" that holds the correction set.
    std::string m_CorrectionSetName;
};

// What display-side scan data ask of the mediator of the node that holds them. The node mediator
// implements it; scan data never own it.
class QScanDataMediator {
public:
    virtual ~QScanDataMediator() = default;

    // The type id of the mediator's node (2003 spectral, 2004 spatial, 2005 spectral/spatial,
    // 2029 hand-held, ...).
    virtual uint16_t GetNodeTypeId() const = 0;
    // Through the project window's Preferences node; false when there is no project window or no
    // Preferences node, and then nothing is compensated.
    virtual bool GetCompensationSettings(QScanCompensationSettings& out) const = 0;
    // The display unit index of the node's own spatial, resp. spectral, display options (for
    // ConvertAmplitudeToUnit).
    virtual int GetSpatialDisplayUnit() const = 0;
    virtual int GetSpectralDisplayUnit() const = 0;

protected:
    QScanDataMediator() = default;
    QScanDataMediator(const QScanDataMediator&) = default;
    QScanDataMediator& operator=(const QScanDataMediator&) = default;
};

} // namespace orv
