#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <string>

namespace orv {

// Which spectrum-analyser driver is chosen or loaded, whether the analyser is calibrated, which
// scanner is attached, and a version text. Follows no other node.
class QAnalyzerOptions : public QOptions {
public:
    // The scanner id recorded when no scanner is attached.
    static constexpr int32_t kDefaultScannerId = 45;

    // Takes the attached scanner's id when there is one (QAttachedScannerSource), else kDefaultScannerId.
    QAnalyzerOptions();

    void SetManualDriver(int32_t driverId);
    void SetLoadedDriver(int32_t driverId, int32_t analyzerId);
    void ClearLoadedDriver();
    void SetCalibrated(bool calibrated) { m_calibrated = calibrated ? 1 : 0; }
    bool IsCalibrated() const { return m_calibrated != 0; }
    void SetScannerId(int32_t id) { m_scannerId = id; }
    // The attached scanner's id whenever one is attached, else the recorded one.
    int32_t GetScannerId() const;
    std::string GetVersionText() const { return m_versionText; }

    bool IsManualDriver() const { return m_manualDriver != 0; }
    int32_t GetManualDriverId() const { return m_manualDriverId; }
    bool IsDriverLoaded() const { return m_driverLoaded != 0; }
    int32_t GetLoadedDriverId() const { return m_loadedDriverId; }
    int32_t GetLoadedAnalyzerId() const { return m_loadedAnalyzerId; }
    // The recorded id, whatever is attached now.
    int32_t GetStoredScannerId() const { return m_scannerId; }

    // The three flags, the four ids and the version text.
    void CopyFrom(const QAnalyzerOptions& other);

    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the object as it was.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeAnalyzerOptions; }
    uint32_t GetBodySize() const override;

private:
    uint8_t m_manualDriver = 0;
    uint8_t m_driverLoaded = 0;
    uint8_t m_calibrated = 0;
    int32_t m_manualDriverId = -1;
    int32_t m_loadedDriverId = -1;
    int32_t m_loadedAnalyzerId = -1;
    int32_t m_scannerId;
    std::string m_versionText = "1.0.0";
    std::string m_secondText;
    std::string m_thirdText = "N/A";
};

} // namespace orv
