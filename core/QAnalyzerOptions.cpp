#include "core/QAnalyzerOptions.h"

#include "core/QAttachedScannerSource.h"

namespace orv {

QAnalyzerOptions::QAnalyzerOptions() : m_scannerId(GetAttachedScannerId().value_or(kDefaultScannerId)) {}

void QAnalyzerOptions::SetManualDriver(int32_t driverId) {
    m_manualDriver = 1;
    m_manualDriverId = driverId;
}

void QAnalyzerOptions::SetLoadedDriver(int32_t driverId, int32_t analyzerId) {
    m_driverLoaded = 1;
    m_loadedDriverId = driverId;
    m_loadedAnalyzerId = analyzerId;
}

void QAnalyzerOptions::ClearLoadedDriver() {
    m_driverLoaded = 0;
    m_loadedDriverId = -1;
    m_loadedAnalyzerId = -1;
}

int32_t QAnalyzerOptions::GetScannerId() const {
    return GetAttachedScannerId().value_or(m_scannerId);
}

void QAnalyzerOptions::CopyFrom(const QAnalyzerOptions& other) {
    if (&other == this) {
        return;
    }
    m_manualDriver = other.m_manualDriver;
    m_driverLoaded = other.m_driverLoaded;
    m_calibrated = other.m_calibrated;
    m_manualDriverId = other.m_manualDriverId;
    m_loadedDriverId = other.m_loadedDriverId;
    m_loadedAnalyzerId = other.m_loadedAnalyzerId;
    m_scannerId = other.m_scannerId;
    m_versionText = other.m_versionText;
}

void QAnalyzerOptions::WriteBody(QDataWriter& writer) const {
    writer.WriteU8(m_manualDriver);
    writer.WriteU8(m_driverLoaded);
    writer.WriteU8(m_calibrated);
    writer.WriteI32(m_manualDriverId);
    writer.WriteI32(m_loadedDriverId);
    writer.WriteI32(m_loadedAnalyzerId);
    writer.WriteI32(m_scannerId);
    WriteString(writer, m_versionText);
}

void QAnalyzerOptions::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(23);
    const uint8_t manualDriver = reader.ReadU8();
    const uint8_t driverLoaded = reader.ReadU8();
    const uint8_t calibrated = reader.ReadU8();
    const int32_t manualDriverId = reader.ReadI32();
    const int32_t loadedDriverId = reader.ReadI32();
    const int32_t loadedAnalyzerId = reader.ReadI32();
    const int32_t scannerId = reader.ReadI32();
    std::string versionText;
    ReadString(reader, versionText);
    m_manualDriver = manualDriver;
    m_driverLoaded = driverLoaded;
    m_calibrated = calibrated;
    m_manualDriverId = manualDriverId;
    m_loadedDriverId = loadedDriverId;
    m_loadedAnalyzerId = loadedAnalyzerId;
    m_scannerId = scannerId;
    m_versionText.swap(versionText);
}

uint32_t QAnalyzerOptions::GetBodySize() const {
    return static_cast<uint32_t>(m_versionText.size()) + 23;
}

} // namespace orv
