#pragma once

#include "core/QOptions.h"
#include "core/TypeIds.h"

#include <cstdint>
#include <string>

namespace orv {

// How a node's spectra are drawn: modes, level range, markers and switches. The spectral views and
// their pages read and edit the fields directly; the node follows its governing node's drawing
// settings (SyncFromNode). Fields named by position get their meaning from the views.
class QSpectralDisplayOptions : public QOptions {
public:
    static constexpr uint32_t kReservedBytes = 99;
    // The bytes the body writes, and the (smaller) size the kind reports.
    static constexpr uint32_t kStoredBodySize = 140;
    static constexpr uint32_t kReportedBodySize = 31;

    QSpectralDisplayOptions() = default;

    // The drawing settings of another node's options; not the fourth, fifth and eighth switches,
    // the second marker pair, the text, the header or the owner.
    void CopyFrom(const QSpectralDisplayOptions& other);
    // Clears the six show flags, then takes the governing node's modes, levels, markers and
    // "Use Same View Setting"; without a governing node the rest stays.
    void SyncFromNode() override;
    bool IsShared() const override { return true; }

    void WriteBody(QDataWriter& writer) const override;
    // Checks the whole body is there before taking anything.
    void ReadBody(QDataReader& reader) override;
    uint16_t GetTypeID() const override { return kTypeSpectralDisplayOptions; }
    uint32_t GetBodySize() const override { return kReportedBodySize; }

    // What the fields mean to the spectral views and their side panels; one table for all readers.
    // The amplitude unit: 1 dBuV, any other value dBm.
    uint32_t GetAmplitudeUnit() const { return m_modeA; }
    bool IsFrequencyAuto() const { return m_modeB != 0; }
    float GetFixedFrequencyLow() const { return m_levelLow; }
    float GetFixedFrequencyHigh() const { return m_levelHigh; }
    bool IsAmplitudeAuto() const { return m_modeC != 0; }
    float GetFixedAmplitudeLow() const { return m_markerLow; }
    float GetFixedAmplitudeHigh() const { return m_markerHigh; }
    bool ShowsGrid() const { return m_switch1 != 0; }
    bool MarksPeaks() const { return m_switch2 != 0; }
    bool IsLogFrequencyAxis() const { return m_switch4 != 0; }
    bool HidesMarkers() const { return m_switch5 != 0; }
    // The side panel's writers of the same fields.
    void SetAmplitudeUnit(uint32_t unit) { m_modeA = unit; }
    void SetFrequencyAuto(bool on) { m_modeB = on ? 1 : 0; }
    void SetFixedFrequencyRange(float low, float high) {
        m_levelLow = low;
        m_levelHigh = high;
    }
    void SetAmplitudeAuto(bool on) { m_modeC = on ? 1 : 0; }
    void SetFixedAmplitudeRange(float low, float high) {
        m_markerLow = low;
        m_markerHigh = high;
    }
    void SetShowsGrid(bool on) { m_switch1 = on ? 1 : 0; }
    void SetMarksPeaks(bool on) { m_switch2 = on ? 1 : 0; }
    void SetLogFrequencyAxis(bool on) { m_switch4 = on ? 1 : 0; }
    void SetHidesMarkers(bool on) { m_switch5 = on ? 1 : 0; }
    // The peaks the view marks: how many, and how far (dB) above the average noise they must rise.
    uint32_t GetPeakCount() const { return m_count; }
    void SetPeakCount(uint32_t count) { m_count = count; }
    float GetPeakThreshold() const { return m_step; }
    void SetPeakThreshold(float threshold) { m_step = threshold; }
    // The node's settings apply instead of each scan's own.
    bool UsesNodeSettings() const { return m_useSameViewSetting != 0; }
    void SetUsesNodeSettings(bool on) { m_useSameViewSetting = on ? 1 : 0; }
    // Read from the Preferences node's copy: amplitudes corrected to field strength (dBuA/m).
    bool IsFieldStrengthCorrection() const { return m_switch8 != 0; }
    // The sweeps of a continuous run accumulate into the run's one scan instead of each making a
    // scan of its own (stored and copied with the options, off by default).
    bool IsAccumulate() const { return m_switch3 != 0; }
    void SetAccumulate(bool on) { m_switch3 = on ? 1 : 0; }

    // The Preferences node's copy carries the program-wide display preferences: probe compensation
    // with its correction set, and which spectral data are shown (0 all data, 1 peaks only, 2 those
    // above the threshold in dB). The correction set's name lives only as long as the options.
    bool IsProbeCompensation() const { return m_switch4 != 0; }
    void SetProbeCompensation(bool on) { m_switch4 = on ? 1 : 0; }
    const std::string& GetCorrectionSetName() const { return m_text; }
    void SetCorrectionSetName(const std::string& name) { m_text = name; }
    uint8_t GetDisplayMode() const { return m_modeD; }
    void SetDisplayMode(uint8_t mode) { m_modeD = mode; }
    float GetDisplayThreshold() const { return m_step; }
    void SetDisplayThreshold(float threshold) { m_step = threshold; }

    uint32_t m_modeA = 1;
    uint8_t m_modeB = 1;
    float m_levelLow = 10.0F;
    float m_levelHigh = 100.0F;
    uint8_t m_modeC = 1;
    float m_markerLow = 0.0F;
    float m_markerHigh = 50.0F;
    float m_secondMarkerLow = 0.0F;
    float m_secondMarkerHigh = 50.0F;
    float m_step = 5.0F;
    uint32_t m_count = 10;
    uint8_t m_switch1 = 1;
    uint8_t m_switch2 = 1;
    uint8_t m_switch3 = 0;
    uint8_t m_switch4 = 0;
    uint8_t m_switch5 = 0;
    uint8_t m_useSameViewSetting = 0;
    uint8_t m_switch7 = 1;
    uint8_t m_switch8 = 0;
    uint8_t m_modeD = 2;
    std::string m_text;
    uint8_t m_showFlag1 = 1;
    uint8_t m_showFlag2 = 1;
    uint8_t m_showFlag3 = 1;
    uint8_t m_showFlag4 = 1;
    uint8_t m_showFlag5 = 1;
    uint8_t m_showFlag6 = 1;
};

} // namespace orv
