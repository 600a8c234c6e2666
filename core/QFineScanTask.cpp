#include "core/QFineScanTask.h"

#include <cmath>

namespace orv {

QFineScanTask::QFineScanTask(const QFineScanTask& other) : QSerializable() {
    *this = other;
}

QFineScanTask& QFineScanTask::operator=(const QFineScanTask& other) {
    if (&other != this) {
        m_step = other.m_step;
        m_startFrequency = other.m_startFrequency;
        m_stopFrequency = other.m_stopFrequency;
        m_centerFrequency = other.m_centerFrequency;
        m_active = other.m_active;
    }
    return *this;
}

QFineScanTask::~QFineScanTask() = default;

namespace {

// The difference is taken in double precision from the stored floats, so what decides is the
// floats' own spacing, never a rounding of the difference.
bool Near(float a, float b) {
    return std::fabs(static_cast<double>(a) - static_cast<double>(b)) < QFineScanTask::kSameTolerance;
}

} // namespace

bool QFineScanTask::IsSame(const QFineScanTask& other) const {
    return Near(m_step, other.m_step) && Near(m_startFrequency, other.m_startFrequency) &&
           Near(m_stopFrequency, other.m_stopFrequency) && Near(m_centerFrequency, other.m_centerFrequency) &&
           m_active == other.m_active;
}

void QFineScanTask::WriteBody(QDataWriter& writer) const {
    writer.WriteF32(m_startFrequency);
    writer.WriteF32(m_stopFrequency);
    writer.WriteF32(m_centerFrequency);
    writer.WriteU8(m_active);
    writer.WriteF32(m_step);
}

void QFineScanTask::ReadBody(QDataReader& reader) {
    reader.RequireRemaining(kBodySize);
    m_startFrequency = reader.ReadF32();
    m_stopFrequency = reader.ReadF32();
    m_centerFrequency = reader.ReadF32();
    m_active = reader.ReadU8();
    m_step = reader.ReadF32();
}

QFineScanPlan::QFineScanPlan() : m_stepFractions{0.1f, 0.2f, 0.35f, 0.5f, 0.1f} {}

} // namespace orv
