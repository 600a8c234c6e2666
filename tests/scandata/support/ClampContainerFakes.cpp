#include "tests/scandata/support/ClampContainerFakes.h"

#include "analyzers/CInstrumentInfo.h"
#include "platform/CLocale.h"
#include "scandata/QSpectralScan.h"
#include "scandata/QTransportContainer.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace orv::testing {

namespace {

thread_local int t_held = 0;
std::atomic<int> g_mostHeld{0};

} // namespace

FakeContainerNode::FakeContainerNode(std::unique_ptr<QScanContainer> container, FakeContainerNode* parent)
    : m_container(std::move(container)), m_parent(parent) {
    m_container->SetMediator(this);
}

FakeContainerNode::~FakeContainerNode() = default;

QScanContainer* FakeContainerNode::AcquireScanContainer() {
    m_lock.lock();
    ++m_acquired;
    ++t_held;
    int most = g_mostHeld.load();
    while (t_held > most && !g_mostHeld.compare_exchange_weak(most, t_held)) {
    }
    return m_container.get();
}

void FakeContainerNode::UnlockScanContainer() {
    --t_held;
    ++m_released;
    m_lock.unlock();
}

int FakeContainerNode::MostHeldAtOnce() {
    return g_mostHeld.load();
}

void FakeContainerNode::ResetMostHeld() {
    g_mostHeld.store(0);
}

std::unique_ptr<QDataPacket> MakeSpectralRecord(const std::vector<int16_t>& levels) {
    auto record = std::make_unique<QSpectralScan>();
    record->SetPointCount(static_cast<uint32_t>(levels.size()));
    for (uint32_t i = 0; i < levels.size(); ++i) {
        record->SetAmplitude(i, levels[i]);
    }
    return record;
}

uint32_t DeliverSpectrum(QScanContainer& container, const std::vector<int16_t>& levels, bool mergeMaximum,
                         bool mergeAverage) {
    auto transport = std::make_unique<QTransportContainer>();
    transport->SetSpectralScan(MakeSpectralRecord(levels).release());
    return container.TakeTransportContainer(std::move(transport), mergeMaximum, nullptr, mergeAverage);
}

std::vector<int16_t> SpectrumWithPeaks(uint32_t count, int16_t floor, const std::vector<uint32_t>& at,
                                       int16_t peak) {
    std::vector<int16_t> levels(count, floor);
    for (const uint32_t index : at) {
        levels.at(index) = peak;
    }
    return levels;
}

CompensationTableFolder::CompensationTableFolder() {
    static std::atomic<int> counter{0};
    m_path = std::filesystem::temp_directory_path() /
             ("orv-amb-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path / "GlobalCompensationData");
    m_previousFolder = GetInstrumentInfo().GetApplicationFolder();
    GetInstrumentInfo().SetApplicationFolder(m_path.string());
}

CompensationTableFolder::~CompensationTableFolder() {
    GetInstrumentInfo().SetApplicationFolder(m_previousFolder);
    std::error_code error;
    std::filesystem::remove_all(m_path, error);
}

void CompensationTableFolder::WriteTable(const std::string& name,
                                         const std::vector<std::pair<float, float>>& rows) const {
    // Low and high frequency, the table value, the row count, then the rows.
    std::string text = "1,100000\n0\n" + std::to_string(rows.size()) + "\n";
    for (const auto& [frequency, value] : rows) {
        text += FormatC("%.6f,%.6f\n", static_cast<double>(frequency), static_cast<double>(value));
    }
    std::ofstream out(m_path / "GlobalCompensationData" / (name + ".txt"),
                      std::ios::binary | std::ios::trunc);
    out << text;
    if (!out) {
        throw std::runtime_error("cannot write compensation table " + name);
    }
}

} // namespace orv::testing
