#include "views/spectral/CSpectralComparisonView.h"

#include "core/TypeIds.h"
#include "platform/CLocale.h"
#include "project/QNodeMediator.h"
#include "scandata/CSpectralScanData.h"

namespace orv {

std::vector<std::string> CSpectralComparisonView::BuildHeaderLines() {
    if (m_nComparisonTab != 2) {
        return CSpectralView::BuildHeaderLines();
    }
    std::vector<std::string> lines;
    if (m_bReady == 0 || m_pMediator == nullptr || m_nDisplayMode != kModeComparison) {
        return lines;
    }
    auto* test = dynamic_cast<CSpectralScanData*>(m_pMediator->GetComparedScan(false));
    const CScanData* reference = m_pMediator->GetComparedScan(true);
    const CScanData* result = m_pMediator->GetComparedResult();
    if (test == nullptr || reference == nullptr || result == nullptr) {
        return lines;
    }
    // The result is built with its own compensation off: whether the difference was taken between
    // corrected levels is the test scan's to say.
    const bool compensated = CorrectionPreference() && test->PrepareCompensation();
    lines.emplace_back(compensated ? " Spectral Comparison(Compensated) "
                                   : "             Spectral Comparison            ");
    lines.push_back(FormatC("      Comparison Amplitude[%-6.2f  to  %-6.2f dB]      ",
                            static_cast<double>(m_fAmpMin), static_cast<double>(m_fAmpMax)));
    lines.push_back(FormatC("     Comparison Frequency[%-8.3f to %-8.3f MHz]      ",
                            static_cast<double>(result->m_StartFrequency),
                            static_cast<double>(result->m_StopFrequency)));
    return lines;
}

void CSpectralComparisonView::ShowContextMenu(uint32_t /*flags*/, int32_t x, int32_t y) {
    if (m_nNodeKind != kTypeSpectralComparisonNode || m_pMediator == nullptr) {
        return;
    }
    ShowPairContextMenu(m_nComparisonTab, m_pMediator->GetComparedResult() != nullptr, x, y);
}

} // namespace orv
