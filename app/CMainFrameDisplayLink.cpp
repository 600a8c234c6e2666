#include "app/CMainFrameDisplayLink.h"

#include "app/CMainFrame.h"

namespace orv {

MessageTarget& CMainFrameDisplayLink::GetMessageTarget() {
    return m_frame;
}

bool CMainFrameDisplayLink::IsClosing() const {
    return m_frame.IsClosing();
}

void CMainFrameDisplayLink::ShowScanStatus(int32_t code) {
    m_frame.ShowScanStatus(code);
}

void CMainFrameDisplayLink::ShowScanningProgressFraction(double percent) {
    m_frame.ShowScanningProgressFraction(percent);
}

void CMainFrameDisplayLink::ShowPeakDetectionProgress(int32_t percent) {
    m_frame.ShowPeakDetectionProgress(percent);
}

void CMainFrameDisplayLink::ShowScanningProgress(int32_t percent) {
    m_frame.ShowScanningProgress(percent);
}

void CMainFrameDisplayLink::PostStatusText(const std::string& text) {
    m_frame.PostStatusText(text);
}

void CMainFrameDisplayLink::ShowNotification(const std::string& text, int32_t durationMs) {
    m_frame.ShowNotification(text, durationMs);
}

bool CMainFrameDisplayLink::StopScanOfProject(int32_t projectId) {
    return m_frame.StopScanOfProject(projectId);
}

} // namespace orv
