#include "scandata/QComparisonScanContainer.h"

#include "core/QDescription.h"
#include "core/QException.h"
#include "core/QScanHeadInfo.h"
#include "platform/ui/Prompt.h"
#include "scandata/QComparisonOwner.h"
#include "scandata/QSpectralScan.h"

#include <cmath>

namespace orv {

namespace {

// The scanner part of a scan-head text: what comes before its first comma. A text without a comma
// is the scanner's name as a whole, as the correction store takes it when it names a scan head's
// folder; cutting it to nothing would make every two such heads look alike.
std::string ScannerOf(const std::string& scanHeadText) {
    return scanHeadText.substr(0, scanHeadText.find(','));
}

// Differences of frequencies are taken in single precision, as the set-up holds them.
bool DiffersByMoreThanTolerance(float a, float b) {
    const float difference = std::fabs(a - b);
    return static_cast<double>(difference) > 0.01;
}

QSpectralScan* SpectralRecordOf(QScanContainer& source) {
    // The records are owned by the source and never const; the interface hands them out read-only.
    auto* view = const_cast<QSpectralScanInterface*>(source.GetSpectralScan());
    return dynamic_cast<QSpectralScan*>(view);
}

} // namespace

QComparisonScanContainer::QComparisonScanContainer(QComparisonOwner* owner) : m_OwnerNode(owner) {}

QComparisonScanContainer::~QComparisonScanContainer() {
    m_FirstSource = nullptr;
    m_SecondSource = nullptr;
    m_Locks.ReleaseAll();
}

void QComparisonScanContainer::FallBackToStandby() {
    m_Locks.ReleaseAll();
    m_FirstSource = &m_Standby;
    m_SecondSource = &m_Standby;
    m_LinkIds.reset();
}

void QComparisonScanContainer::ResolveSources() {
    // Whatever was held or built before (also outside a window, from the stand-by) goes first, so
    // that a change of either source is seen now.
    ReleaseSources();
    QComparisonSource* first = m_OwnerNode != nullptr ? m_OwnerNode->GetFirstLink() : nullptr;
    QComparisonSource* second = m_OwnerNode != nullptr ? m_OwnerNode->GetSecondLink() : nullptr;
    if (first == nullptr || second == nullptr) {
        FallBackToStandby();
        m_ScannerTextShownFor.reset();
        return;
    }
    try {
        // Rule 2 of the hierarchy: a comparison node as a source is refused before any lock is
        // taken (two comparisons linked to each other would otherwise wait for each other).
        if (first->IsComparisonNode() || second->IsComparisonNode()) {
            FallBackToStandby();
            return;
        }
        const uint32_t firstId = first->GetLinkedNodeID();
        const uint32_t secondId = second->GetLinkedNodeID();
        QScanContainer* firstContainer = nullptr;
        QScanContainer* secondContainer = nullptr;
        // Lock hierarchy, rule 3: the lower node ID first, whichever link it is; m_Locks gives them
        // back in the reverse order. A throw on the second leaves only the first recorded, and
        // FallBackToStandby gives that one back.
        if (firstId < secondId) {
            firstContainer = m_Locks.Acquire(*first);
            secondContainer = m_Locks.Acquire(*second);
        } else {
            secondContainer = m_Locks.Acquire(*second);
            firstContainer = m_Locks.Acquire(*first);
        }
        const bool usable = firstContainer != nullptr && secondContainer != nullptr &&
                            dynamic_cast<QComparisonScanContainer*>(firstContainer) == nullptr &&
                            dynamic_cast<QComparisonScanContainer*>(secondContainer) == nullptr;
        if (!usable) {
            FallBackToStandby();
            return;
        }
        m_FirstSource = firstContainer;
        m_SecondSource = secondContainer;
        m_LinkIds.emplace(firstId, secondId);
    } catch (const QException& error) {
        if (m_LastError != error.m_message) {
            m_LastError = error.m_message;
        }
        FallBackToStandby();
    }
}

void QComparisonScanContainer::ReleaseSources() {
    m_Locks.ReleaseAll();
    m_FirstSource = nullptr;
    m_SecondSource = nullptr;
}

void QComparisonScanContainer::QueueMessage(const std::string& text) {
    const std::lock_guard<std::mutex> guard(m_MessageLock);
    m_PendingMessages.push_back(text);
}

std::vector<std::string> QComparisonScanContainer::GetPendingMessages() const {
    const std::lock_guard<std::mutex> guard(m_MessageLock);
    return m_PendingMessages;
}

void QComparisonScanContainer::ShowPendingMessages() {
    std::vector<std::string> texts;
    {
        const std::lock_guard<std::mutex> guard(m_MessageLock);
        texts.swap(m_PendingMessages);
    }
    for (const std::string& text : texts) {
        ShowPrompt(text, kIncompatibleCaption, PromptButtons::Ok, PromptIcon::Information);
    }
}

QDescription& QComparisonScanContainer::GetDescription() {
    return First().GetDescription();
}

void QComparisonScanContainer::GetFrequencyRange(float* start, float* stop) const {
    if (First().HasScanData()) {
        First().GetFrequencyRange(start, stop);
    } else if (Second().HasScanData()) {
        Second().GetFrequencyRange(start, stop);
    } else {
        if (start != nullptr) {
            *start = 0.0F;
        }
        if (stop != nullptr) {
            *stop = 0.0F;
        }
    }
}

bool QComparisonScanContainer::CheckSpectralRules(bool showMessages) {
    QScanContainer& first = First();
    QScanContainer& second = Second();
    if (first.GetSpectralScan() != nullptr && second.GetSpectralScan() != nullptr) {
        const std::string firstScanner = ScannerOf(first.GetDescription().GetTexts().GetScanHead());
        const std::string secondScanner = ScannerOf(second.GetDescription().GetTexts().GetScanHead());
        if (firstScanner != secondScanner) {
            // Shown once per pair of linked nodes, and only to a caller that asked for messages:
            // the views check without messages every time they draw.
            if (showMessages && m_LinkIds.has_value() && m_ScannerTextShownFor != m_LinkIds) {
                m_ScannerTextShownFor = m_LinkIds;
                QueueMessage(kDifferentScanners);
            }
            return false;
        }
    }
    if (!first.HasScanData() || !second.HasScanData()) {
        return true;
    }
    float firstStart = 0.0F;
    float firstStop = 0.0F;
    float secondStart = 0.0F;
    float secondStop = 0.0F;
    first.GetFrequencyRange(&firstStart, &firstStop);
    second.GetFrequencyRange(&secondStart, &secondStop);
    const char* failure = nullptr;
    if (DiffersByMoreThanTolerance(firstStart, secondStart)) {
        failure = "Start frequencies are not the same.";
    } else if (DiffersByMoreThanTolerance(firstStop, secondStop)) {
        failure = "Stop frequencies are not the same.";
    } else {
        const QSpectralScanInterface* firstScan = first.GetSpectralScan();
        const QSpectralScanInterface* secondScan = second.GetSpectralScan();
        const uint32_t firstPoints = firstScan != nullptr ? firstScan->GetPointCount() : 0;
        const uint32_t secondPoints = secondScan != nullptr ? secondScan->GetPointCount() : 0;
        if (firstPoints != secondPoints) {
            failure = "Error#337: Number of points is not the same.";
        }
    }
    if (failure == nullptr) {
        return true;
    }
    if (showMessages) {
        QueueMessage(failure);
    }
    return false;
}

bool QComparisonScanContainer::CheckCentreFrequencyRule(bool showMessages) {
    QScanContainer& first = First();
    QScanContainer& second = Second();
    if (!first.HasScanData() || !second.HasScanData()) {
        return true;
    }
    float firstStart = 0.0F;
    float firstStop = 0.0F;
    float secondStart = 0.0F;
    float secondStop = 0.0F;
    first.GetFrequencyRange(&firstStart, &firstStop);
    second.GetFrequencyRange(&secondStart, &secondStop);
    const float offset = std::fabs(firstStart + firstStop - secondStart - secondStop) * 0.5F;
    if (!(static_cast<double>(offset) > 0.01)) {
        return true;
    }
    if (showMessages) {
        QueueMessage("Center frequencies are not the same.");
    }
    return false;
}

void QComparisonScanContainer::CorrectSpectralSource(QScanContainer& source, float startFrequency,
                                                     float stopFrequency) {
    QSpectralScan* record = SpectralRecordOf(source);
    if (record == nullptr || record->IsCorrected()) {
        return;
    }
    // The factors are laid out over the source's own grid of cells.
    const QProbeScanPattern pattern = source.GetProbeScanPattern();
    const QScanHeadInfo grid("", 0, 0.0F, 0.0F, pattern.GetRows(), pattern.GetColumns(), 0, 0, 0U);
    record->ApplyCorrectionFactors(startFrequency, stopFrequency, grid);
    record->SetCorrected();
}

void QComparisonScanContainer::EstimateSpectralNoiseFloor(QScanContainer& source) {
    QSpectralScan* record = SpectralRecordOf(source);
    if (record != nullptr) {
        record->EstimateNoiseFloor();
    }
}

} // namespace orv
