#include "scandata/QSetupScanCommand.h"

namespace orv {

namespace {

constexpr uint32_t kFieldBytes = 78; // every field but the pattern and the extended group
constexpr uint32_t kExtensionBytes = 12;
constexpr uint32_t kTrailingPadding = 2; // counted in the body size, carries no field

} // namespace

uint32_t QSetupScanCommand::GetBodySize() const {
    return m_ProbeScanPattern.GetBodySize() + kFieldBytes + kTrailingPadding +
           (m_HasExtension != 0 ? kExtensionBytes : 0);
}

void QSetupScanCommand::WriteBody(QDataWriter& writer) const {
    writer.WriteU16(m_ScanKind);
    m_ProbeScanPattern.WriteBody(writer);
    writer.WriteF32(m_DefaultProbeHeight);
    writer.WriteU8(m_ScanOption);
    writer.WriteF32(m_ResolutionBandwidth);
    writer.WriteF32(m_CenterFrequency);
    writer.WriteU32(m_SamplingRate);
    writer.WriteF32(m_Span);
    writer.WriteF32(m_StartFrequency);
    writer.WriteF32(m_StopFrequency);
    writer.WriteU32(m_SamplesPerCell);
    writer.WriteU32(m_SettlingTime);
    writer.WriteU32(m_NumberOfFrequencyBuckets);
    writer.WriteU32(m_SweepTime);
    writer.WriteF32(m_ReferenceLevel);
    writer.WriteU8(m_MeasurePeaks);
    writer.WriteU8(m_UseManualSweepTime);
    writer.WriteU8(m_SynchronizeScan);
    writer.WriteU32(m_Slope);
    writer.WriteU32(m_Offset);
    writer.WriteU32(m_FailureCode);
    const bool withExtension = m_HasExtension != 0;
    if (withExtension) {
        writer.WriteF32(m_PeakScan);
        writer.WriteF32(m_PeakError);
        writer.WriteI16(m_PeakPoints < 0 ? static_cast<int16_t>(0) : m_PeakPoints);
        writer.WriteI16(m_PeakDevs);
    }
    writer.WriteU8(m_InternalPreAmp);
    writer.WriteU8(m_TrackingGeneration);
    writer.WriteI32(m_InternalPreAmpValue);
    writer.WriteU8(m_AnalyzerFlag);
    writer.WriteU8(m_ScanFlag);
    for (uint8_t value : m_ScanBytes) {
        writer.WriteU8(value);
    }
    writer.WriteU16(0);
    if (!withExtension) {
        m_HasExtension = 1;
    }
}

void QSetupScanCommand::ReadBody(QDataReader& reader) {
    QSetupScanCommand read(*this);
    read.m_ScanKind = reader.ReadU16();
    read.m_ProbeScanPattern.ReadBody(reader);
    read.m_DefaultProbeHeight = reader.ReadF32();
    read.m_ScanOption = reader.ReadU8();
    read.m_ResolutionBandwidth = reader.ReadF32();
    read.m_CenterFrequency = reader.ReadF32();
    read.m_SamplingRate = reader.ReadU32();
    read.m_Span = reader.ReadF32();
    read.m_StartFrequency = reader.ReadF32();
    read.m_StopFrequency = reader.ReadF32();
    read.m_SamplesPerCell = reader.ReadU32();
    read.m_SettlingTime = reader.ReadU32();
    read.m_NumberOfFrequencyBuckets = reader.ReadU32();
    read.m_SweepTime = reader.ReadU32();
    read.m_ReferenceLevel = reader.ReadF32();
    read.m_MeasurePeaks = reader.ReadU8();
    read.m_UseManualSweepTime = reader.ReadU8();
    read.m_SynchronizeScan = reader.ReadU8();
    read.m_Slope = reader.ReadU32();
    read.m_Offset = reader.ReadU32();
    read.m_FailureCode = reader.ReadU32();
    if (read.m_HasExtension != 0) {
        read.m_PeakScan = reader.ReadF32();
        read.m_PeakError = reader.ReadF32();
        read.m_PeakPoints = reader.ReadI16();
        read.m_PeakDevs = reader.ReadI16();
    }
    read.m_InternalPreAmp = reader.ReadU8();
    read.m_TrackingGeneration = reader.ReadU8();
    read.m_InternalPreAmpValue = reader.ReadI32();
    read.m_AnalyzerFlag = reader.ReadU8();
    read.m_ScanFlag = reader.ReadU8();
    for (uint8_t& value : read.m_ScanBytes) {
        value = reader.ReadU8();
    }
    if (read.m_StopFrequency == 0.0F) {
        read.m_StartFrequency = kDefaultStartFrequency;
        read.m_StopFrequency = kDefaultStopFrequency;
    }
    *this = read;
}

} // namespace orv
