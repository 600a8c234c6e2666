#pragma once

#include "core/QCorrectionData.h"
#include "core/QDataReader.h"
#include "core/QDataWriter.h"
#include "core/QSerializable.h"

#include <cstdint>
#include <vector>

namespace orv::testing {

// The bytes of an object's body as its writer produces them.
inline std::vector<uint8_t> BodyBytes(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.WriteBody(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.WriteBody(writer);
    return bytes;
}

// The whole frame of an object.
inline std::vector<uint8_t> FrameBytes(const QSerializable& object) {
    QCharCounterDataWriter counter;
    object.Serialize(counter);
    std::vector<uint8_t> bytes(counter.m_count);
    QCharArrayDataWriter writer(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.Serialize(writer);
    return bytes;
}

inline void ReadBodyFrom(QSerializable& object, const std::vector<uint8_t>& bytes) {
    QCharArrayDataReader reader(bytes.data(), static_cast<uint32_t>(bytes.size()));
    object.ReadBody(reader);
}

// Sets the application-wide compensation switches for one test and puts them back afterwards.
class CompensationSwitches {
public:
    CompensationSwitches(bool spectral, bool spatial)
        : m_spectral(QCorrectionData::IsSpectralCompensationOn()),
          m_spatial(QCorrectionData::IsSpatialCompensationOn()),
          m_threshold(QCorrectionData::GetSpatialCompensationThreshold()) {
        QCorrectionData::SetSpectralCompensationOn(spectral);
        QCorrectionData::SetSpatialCompensationOn(spatial);
    }
    ~CompensationSwitches() {
        QCorrectionData::SetSpectralCompensationOn(m_spectral);
        QCorrectionData::SetSpatialCompensationOn(m_spatial);
        QCorrectionData::SetSpatialCompensationThreshold(m_threshold);
    }
    CompensationSwitches(const CompensationSwitches&) = delete;
    CompensationSwitches& operator=(const CompensationSwitches&) = delete;

private:
    bool m_spectral;
    bool m_spatial;
    float m_threshold;
};

} // namespace orv::testing
