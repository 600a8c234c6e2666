#pragma once

#include "core/QPacket.h"
#include "core/QProbeScanPattern.h"
#include "core/TypeIds.h"

#include <cstdint>

namespace orv {

// The set-up of one scan as the client sends it to the engine and the engine echoes it back; every
// scan container keeps the one its data was made with.
//
// The body carries an extended group of four fields only while the has-extension flag is set
// (the node copies it from its scan options before the body is written or read). The reported
// body size is two bytes more than the fields; those two bytes go out as zero padding so that the
// frame is as long as its header says. The reader reads the fields and leaves whatever follows.
class QSetupScanCommand : public QCommand {
public:
    static constexpr float kDefaultStartFrequency = 250.0F;
    static constexpr float kDefaultStopFrequency = 350.0F;

    QSetupScanCommand() = default;
    QSetupScanCommand(const QSetupScanCommand& other) = default;
    QSetupScanCommand& operator=(const QSetupScanCommand& other) = default;
    ~QSetupScanCommand() override = default;

    // Writing without the extended group sets the flag afterwards, as the engine link expects the
    // next body with it.
    void WriteBody(QDataWriter& writer) const override;
    // A failed read leaves the command as it was. A stop frequency of 0 comes back as the default
    // range 250 to 350.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSetupScanCommand; }
    uint32_t GetBodySize() const override;

    uint16_t GetScanKind() const { return m_ScanKind; }
    void SetScanKind(uint16_t kind) { m_ScanKind = kind; }
    const QProbeScanPattern& GetProbeScanPattern() const { return m_ProbeScanPattern; }
    QProbeScanPattern& GetProbeScanPattern() { return m_ProbeScanPattern; }
    void SetProbeScanPattern(const QProbeScanPattern& pattern) { m_ProbeScanPattern = pattern; }
    uint16_t GetRows() const { return m_ProbeScanPattern.GetRows(); }
    uint16_t GetColumns() const { return m_ProbeScanPattern.GetColumns(); }

    float GetStartFrequency() const { return m_StartFrequency; }
    float GetStopFrequency() const { return m_StopFrequency; }
    void SetFrequencyRange(float start, float stop) {
        m_StartFrequency = start;
        m_StopFrequency = stop;
    }
    uint32_t GetTracePointsPerCell() const { return m_NumberOfFrequencyBuckets; }
    void SetTracePointsPerCell(uint32_t points) { m_NumberOfFrequencyBuckets = points; }
    uint8_t GetSpatialLevel() const { return m_ScanBytes[3]; }
    void SetSpatialLevel(uint8_t level) { m_ScanBytes[3] = level; }

    bool HasExtension() const { return m_HasExtension != 0; }
    void SetHasExtension(bool hasExtension) { m_HasExtension = hasExtension ? 1 : 0; }
    uint8_t GetBlindSpotReduction() const { return m_BlindSpotReduction; }
    void SetBlindSpotReduction(uint8_t flag) { m_BlindSpotReduction = flag; }
    uint32_t GetInterleaveSkip() const { return m_InterleaveSkip; }
    void SetInterleaveSkip(uint32_t skip) { m_InterleaveSkip = skip; }
    // Which pass of a run this set-up starts: the run copies them in before sending, so that the
    // second pass of an interleaved spatial scan can be told from the first.
    uint8_t GetInterleavedPass() const { return m_InterleavedPass; }
    void SetInterleavedPass(uint8_t flag) { m_InterleavedPass = flag; }
    uint32_t GetPassNumber() const { return m_PassNumber; }
    void SetPassNumber(uint32_t pass) { m_PassNumber = pass; }
    // The node's attenuator settings that the body has no place for: its sixth and seventh switch,
    // its word and the attenuation (dB). They travel with the command so that whoever holds the
    // set-up of a scan knows the whole attenuator setting it was made with.
    uint8_t GetAttenuatorByte6() const { return m_AttenuatorByte6; }
    uint8_t GetAttenuatorByte7() const { return m_AttenuatorByte7; }
    uint16_t GetAttenuatorWord() const { return m_AttenuatorWord; }
    float GetAttenuation() const { return m_Attenuation; }
    void SetAttenuatorExtras(uint8_t byte6, uint8_t byte7, uint16_t word, float attenuation) {
        m_AttenuatorByte6 = byte6;
        m_AttenuatorByte7 = byte7;
        m_AttenuatorWord = word;
        m_Attenuation = attenuation;
    }

    // The fields of the body in wire order (names as the engine knows them).
    uint16_t m_ScanKind = 0;
    QProbeScanPattern m_ProbeScanPattern;
    float m_DefaultProbeHeight = 0.0F;
    uint8_t m_ScanOption = 0;
    float m_ResolutionBandwidth = 0.0F;
    float m_CenterFrequency = 0.0F;
    uint32_t m_SamplingRate = 0;
    float m_Span = 0.0F;
    float m_StartFrequency = kDefaultStartFrequency;
    float m_StopFrequency = kDefaultStopFrequency;
    uint32_t m_SamplesPerCell = 1;
    uint32_t m_SettlingTime = 0;
    uint32_t m_NumberOfFrequencyBuckets = 0;
    uint32_t m_SweepTime = 0;
    float m_ReferenceLevel = 0.0F;
    uint8_t m_MeasurePeaks = 0;
    uint8_t m_UseManualSweepTime = 0;
    uint8_t m_SynchronizeScan = 0;
    uint32_t m_Slope = 0;
    uint32_t m_Offset = 0;
    uint32_t m_FailureCode = 0;
    // The extended group.
    float m_PeakScan = 0.02F;
    float m_PeakError = 0.02F;
    int16_t m_PeakPoints = 2;
    int16_t m_PeakDevs = 2;
    // The attenuator's first two switches: the analyser's pre-amplifier and tracking generator.
    uint8_t m_InternalPreAmp = 0;
    uint8_t m_TrackingGeneration = 0;
    int32_t m_InternalPreAmpValue = 0;
    uint8_t m_AnalyzerFlag = 0;
    uint8_t m_ScanFlag = 0;
    // Bytes 0-2 are the attenuator's third to fifth switch, byte 3 the spatial level of an
    // interleaved scan.
    uint8_t m_ScanBytes[4] = {0, 0, 0, 0};

private:
    // Held in memory only.
    mutable uint8_t m_HasExtension = 1;
    uint8_t m_BlindSpotReduction = 0;
    uint32_t m_InterleaveSkip = 0;
    uint8_t m_InterleavedPass = 0;
    uint32_t m_PassNumber = 0;
    uint8_t m_AttenuatorByte6 = 0;
    uint8_t m_AttenuatorByte7 = 1;
    uint16_t m_AttenuatorWord = 0;
    float m_Attenuation = 0.0F;
};

} // namespace orv
