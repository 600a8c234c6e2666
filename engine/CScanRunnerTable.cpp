#include "engine/CScanRunnerTable.h"

#include "engine/RunScan.h"
#include "platform/CLocale.h"
#include "platform/log/InformationLog.h"

namespace orv {

namespace {

// Stands in for a scan type whose runner is not part of the program: it fails the scan at once.
class UnavailableRunner final : public RunScan {
public:
    UnavailableRunner(const CEngineContext& context, uint16_t scanType)
        : RunScan(context), m_scanType(scanType) {}

    void RunScanStart() override {
        AddInformationMessage(
            1, FormatC("RunScan --- no runner for scan type %d; the scan is not run.", m_scanType));
        SetStatus(kStatusFailed);
    }

private:
    uint16_t m_scanType;
};

bool IsKnownScanType(uint16_t scanType) {
    return scanType == CScanRunnerTable::kSpectral || scanType == CScanRunnerTable::kSpatial ||
           scanType == CScanRunnerTable::kSpectralSpatial || scanType == CScanRunnerTable::kHandHeld;
}

} // namespace

void CScanRunnerTable::Register(uint16_t scanType, Maker maker) {
    const std::lock_guard guard(m_lock);
    m_makers[scanType] = std::move(maker);
}

std::unique_ptr<RunScan> CScanRunnerTable::MakeRunner(uint16_t scanType,
                                                      const CEngineContext& context) const {
    Maker maker;
    {
        const std::lock_guard guard(m_lock);
        const auto found = m_makers.find(scanType);
        if (found != m_makers.end()) {
            maker = found->second;
        }
    }
    if (maker) {
        if (std::unique_ptr<RunScan> runner = maker(context)) {
            return runner;
        }
    }
    if (IsKnownScanType(scanType)) {
        return std::make_unique<UnavailableRunner>(context, scanType);
    }
    return std::make_unique<RunScan>(context);
}

} // namespace orv
