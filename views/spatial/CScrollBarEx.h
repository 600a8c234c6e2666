#pragma once

#include <QWidget>

#include <cstdint>

namespace orv {

class CSpatialView;

// The colour-scale bar along the right edge of a heat map: the calls the spatial view makes of it.
// Until its drawing and thumb exist it keeps what it is told and shows a blank strip.
class CScrollBarEx : public QWidget {
public:
    explicit CScrollBarEx(QWidget* parent = nullptr);

    void SetOwner(CSpatialView* owner) { m_pOwner = owner; }
    CSpatialView* GetOwner() const { return m_pOwner; }
    void SetRange(int32_t minimum, int32_t maximum);
    void SetPosition(int32_t position) { m_nPosition = position; }
    int32_t GetPosition() const { return m_nPosition; }
    void SetPageStep(int32_t step) { m_nPageStep = step; }
    void SetLineStep(int32_t step) { m_nLineStep = step; }
    void SetThumbStyle(int32_t style) { m_nThumbStyle = style; }
    void SetThumbSize(int32_t mode, int32_t size);
    void SetDisabledColour(uint32_t colour) { m_crDisabled = colour; }
    // The amplitudes at the top and the bottom of the scale.
    void SetTopBottom(float top, float bottom);
    float GetTop() const { return m_fMax; }
    float GetBottom() const { return m_fMin; }
    // Repaints with erase.
    void Invalidate();
    int32_t GetInvalidateCount() const { return m_nInvalidated; }
    int32_t GetMinimum() const { return m_nMinimum; }
    int32_t GetMaximum() const { return m_nMaximum; }
    int32_t GetPageStep() const { return m_nPageStep; }
    int32_t GetLineStep() const { return m_nLineStep; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    CSpatialView* m_pOwner = nullptr;
    int32_t m_nMinimum = 0;
    int32_t m_nMaximum = 100;
    int32_t m_nPosition = 0;
    int32_t m_nPageStep = 0;
    int32_t m_nLineStep = 0;
    int32_t m_nThumbStyle = 0;
    int32_t m_nThumbSizeMode = 0;
    int32_t m_nThumbSize = 0;
    uint32_t m_crDisabled = 0;
    float m_fMax = 0.0F;
    float m_fMin = 0.0F;
    int32_t m_nInvalidated = 0;
};

} // namespace orv
