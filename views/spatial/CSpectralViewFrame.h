#pragma once

// The frame of a Spectral node: its spectrum, moved by the relayout nudge. Its static controls
// (labels) show the frame's own background colour; the other controls keep the system colours.

#include "core/TypeIds.h"
#include "views/spatial/CSingleViewFrame.h"

#include <memory>

class QObject;

namespace orv {

class CSpectralViewFrame : public CSpectralSingleViewFrame {
public:
    // The brush of the static controls (COLORREF).
    static constexpr uint32_t kStaticBackground = 0xFFD8D8;

    CSpectralViewFrame(const QFrameRequest& request, CHalvionView& formView);
    ~CSpectralViewFrame() override;
    CSpectralViewFrame(const CSpectralViewFrame&) = delete;
    CSpectralViewFrame& operator=(const CSpectralViewFrame&) = delete;

protected:
    bool MovesOnNudge() const override { return true; }
    bool ResetsDisplayedScanIds() const override { return true; }
    void OnViewCreated(CSpectralView& view) override;

private:
    class StaticColours;
    std::unique_ptr<StaticColours> m_colours;
};

} // namespace orv
