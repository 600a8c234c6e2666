#include "scandata/QSpatialComparisonScanContainer.h"

#include "scandata/QSpatialComparisonScan.h"
#include "scandata/QSpatialScan.h"

#include <algorithm>

namespace orv {

namespace {

// The cells of a heat map hold this where they hold no value.
constexpr int16_t kNoValue = 30000;

bool InsideHeatMap(QScanContainer& source, int row, int column) {
    const QSpatialScanInterface* map = source.GetSpatialScan();
    return map == nullptr || (row < map->GetRowCount() && column < map->GetColumnCount());
}

} // namespace

QSpatialComparisonScanContainer::QSpatialComparisonScanContainer(QComparisonOwner* owner)
    : QComparisonScanContainer(owner) {}

QSpatialComparisonScanContainer::~QSpatialComparisonScanContainer() {
    // The result points into the sources and the pattern: it goes first.
    m_Result.reset();
}

const QProbeScanPattern& QSpatialComparisonScanContainer::CommonPattern() {
    if (!m_CommonPattern) {
        QScanContainer& first = First();
        QScanContainer& second = Second();
        const QProbeScanPattern& a = first.GetProbeScanPattern();
        const QProbeScanPattern& b = second.GetProbeScanPattern();
        const uint16_t rows = std::min(a.GetRows(), b.GetRows());
        const uint16_t columns = std::min(a.GetColumns(), b.GetColumns());
        auto pattern = std::make_unique<QProbeScanPattern>(rows, columns, uint8_t{0}, uint16_t{100});
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < columns; ++c) {
                // Each pattern is read with its own size; a cell counts only where both heat maps
                // hold it, so the result never reads outside either grid.
                if (a.IsProbeOn(r, c) && b.IsProbeOn(r, c) && InsideHeatMap(first, r, c) &&
                    InsideHeatMap(second, r, c)) {
                    pattern->SetProbeAt(r, c, 1);
                }
            }
        }
        m_CommonPattern = std::move(pattern);
    }
    return *m_CommonPattern;
}

const QProbeScanPattern& QSpatialComparisonScanContainer::GetProbeScanPattern() const {
    return const_cast<QSpatialComparisonScanContainer*>(this)->CommonPattern();
}

bool QSpatialComparisonScanContainer::HasScanData() const {
    auto& self = const_cast<QSpatialComparisonScanContainer&>(*this);
    return First().HasScanData() && Second().HasScanData() && self.CheckCompatibility(false) &&
           self.CommonPattern().HasProbeOn();
}

std::unique_ptr<QSpatialScanInterface>
QSpatialComparisonScanContainer::MakeResult(const QSpatialScanInterface& first,
                                            const QSpatialScanInterface& second,
                                            const QProbeScanPattern& pattern) const {
    return std::make_unique<QSpatialComparisonScan>(first, second, pattern);
}

const QSpatialScanInterface* QSpatialComparisonScanContainer::GetSpatialScan() {
    if (!m_Result) {
        const QSpatialScanInterface* first = First().GetSpatialScan();
        const QSpatialScanInterface* second = Second().GetSpatialScan();
        if (first == nullptr || second == nullptr) {
            return nullptr;
        }
        m_Result = MakeResult(*first, *second, CommonPattern());
    }
    return m_Result.get();
}

void QSpatialComparisonScanContainer::GetLevelRange(float* low, float* high,
                                                    const QProbeScanPattern* /*pattern*/,
                                                    const QFrequencyBucketList* /*selection*/) {
    m_LevelRange.HandOut(HasScanData(), low, high, [this](int16_t& lowest, int16_t& highest) {
        const QSpatialScanInterface* result = GetSpatialScan();
        const QProbeScanPattern& common = CommonPattern();
        bool any = false;
        const uint16_t rows = result != nullptr ? result->GetRowCount() : 0;
        const uint16_t columns = result != nullptr ? result->GetColumnCount() : 0;
        for (uint16_t r = 0; r < rows; ++r) {
            for (uint16_t c = 0; c < columns; ++c) {
                if (!common.IsProbeOn(r, c)) {
                    continue;
                }
                const int16_t level = result->GetAmplitude(r, c);
                // A cell without a value is no level: it would pin the top of the range at 30000.
                if (level == kNoValue) {
                    continue;
                }
                if (!any || level < lowest) {
                    lowest = level;
                }
                if (!any || level > highest) {
                    highest = level;
                }
                any = true;
            }
        }
    });
}

void QSpatialComparisonScanContainer::ReleaseSources() {
    m_Result.reset();
    m_CommonPattern.reset();
    m_LevelRange.Reset();
    QComparisonScanContainer::ReleaseSources();
}

void QSpatialComparisonScanContainer::CorrectSpatialSources() {
    QScanContainer* sources[2] = {&First(), &Second()};
    for (QScanContainer* source : sources) {
        auto* view = const_cast<QSpatialScanInterface*>(source->GetSpatialScan());
        auto* record = dynamic_cast<QSpatialScan*>(view);
        if (record == nullptr || record->IsCorrected()) {
            continue;
        }
        const QProbeScanPattern pattern = source->GetProbeScanPattern();
        record->ApplyCorrectionFactors(pattern);
        record->SetCorrected();
    }
}

} // namespace orv
