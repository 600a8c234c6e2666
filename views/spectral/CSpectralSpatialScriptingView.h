#pragma once

#include "views/spectral/CSpectralView.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class CSpectralSpatialScanData;

// One script segment of the joined trace: the points of one child scan as they were converted, with
// the range that child was run over.
struct _SpectralSpatialScriptingScanPoint {
    std::vector<TracePoint> m_Points;
    int32_t m_Count = 0;
    float m_StartFrequency = 0.0F; // MHz
    float m_StopFrequency = 0.0F;
    float m_FrequencyStep = 0.0F;
};

// The spectral view of a Spectral Spatial Scripting node. Each child node ran a spectral/spatial
// scan over its own frequency range; the view joins their spectra, segment after segment in the
// order of the project tree, each segment the maximum over all cells of the child's first scan.
// The joined trace belongs to no stored scan, so the view owns a plain scan data object for it that
// carries its zoom state and ranges; the children's scans are only read.
//
// Traces, axes, markers, the menu, hover and read-out are the base view's, and so is the button-up
// handling: its user composite case never applies to this node kind.
class CSpectralSpatialScriptingView : public CSpectralView {
public:
    static constexpr uint32_t kPeakCircleColour = 0x00A0A0; // RGB(160, 160, 0)
    static constexpr float kStartReset = 1000000.0F;
    static constexpr float kStopReset = -1.0F;

    explicit CSpectralSpatialScriptingView(MessageThread& thread, QWidget* parent = nullptr);
    ~CSpectralSpatialScriptingView() override;
    CSpectralSpatialScriptingView(const CSpectralSpatialScriptingView&) = delete;
    CSpectralSpatialScriptingView& operator=(const CSpectralSpatialScriptingView&) = delete;

    bool LoadTraceData(bool reset, bool& needsData) override;
    bool DrawPeakCircles(QPainter& painter, CScanData* scan) override;
    std::vector<std::string> BuildHeaderLines() override;

    const std::vector<_SpectralSpatialScriptingScanPoint>& GetSegments() const { return m_segments; }
    // Positions in the joined trace, and the frequency measured at each.
    const std::vector<int32_t>& GetMeasuredIndexes() const { return m_measuredIndexes; }
    const std::vector<float>& GetMeasuredFrequencies() const { return m_measuredFrequencies; }
    float GetOverallStart() const { return m_fOverallStart; }
    float GetOverallStop() const { return m_fOverallStop; }
    float GetTotalSpan() const { return m_fTotalSpan; }
    CScanData& GetJoinedScanData() { return *m_pJoinedData; }

protected:
    CScanData* FindShownScanData() const override;

private:
    // The child scans that take part, in tree order: the first scan of each child that has one.
    std::vector<std::pair<QNodeMediator*, CSpectralSpatialScanData*>> FindSegmentScans() const;
    void ClearSegments();
    // What one rebuild carries from segment to segment.
    struct JoinState {
        float attenuation = 0.0F;
        int unit = 1;
        bool correcting = false;
        bool lastAnswer = false;
        size_t running = 0;
        float lowest = 10000.0F;
        float highest = -10000.0F;
    };
    // Appends the n points of one child scan to the joined trace at the running position.
    void JoinSegment(QNodeMediator& child, CSpectralSpatialScanData& scan, uint32_t n, JoinState& state);

    std::vector<_SpectralSpatialScriptingScanPoint> m_segments;
    std::vector<int32_t> m_measuredIndexes;
    std::vector<float> m_measuredFrequencies;
    float m_fOverallStart = kStartReset;
    float m_fOverallStop = kStopReset;
    float m_fTotalSpan = 0.0F;
    std::unique_ptr<CScanData> m_pJoinedData;
};

} // namespace orv
