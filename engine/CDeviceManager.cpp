#include "engine/CDeviceManager.h"

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/CBB60Connection.h"
#include "analyzers/CInstrumentInfo.h"
#include "analyzers/CSpectrumAnalyzer.h"
#include "analyzers/CTekRSAConnection.h"
#include "analyzers/CVisaConnection.h"
#include "core/NoScannerFallback.h"
#include "core/QAttachedAdapter.h"
#include "core/QAttachedScannerSource.h"
#include "engine/AnalyzerFactoryTable.h"
#include "engine/EngineProcessFlags.h"
#include "engine/SetupScan.h"
#include "engine/scanners/CDOBOTEngine.h"
#include "engine/scanners/CNoScannerBoard.h"
#include "engine/scanners/CScannerBoard.h"
#include "engine/scanners/CScannerBot.h"
#include "engine/scanners/LinkStop.h"
#include "engine/scanners/adapter/CExScannerBoard.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/log/InformationLog.h"
#include "platform/ui/Prompt.h"

#include <optional>
#include <utility>

namespace orv {

namespace {

constexpr size_t kArmCells = static_cast<size_t>(CDOBOTEngine::kGridRows) * CDOBOTEngine::kGridColumns;

// The arm's constant answers over the grid.
struct ArmCopy {
    float defaultHeight = 0;
    std::array<int32_t, kArmCells> maxHeight{};
    std::array<int32_t, kArmCells> storedHeight{};
};

} // namespace

// The attached scanner as the model sees it: copies published at connect, read from any thread. The
// robot arm's answers are constant data of its driver, copied here so no other thread calls it.
class CDeviceManager::AttachedScannerAnswers final : public QAttachedScannerSource {
    static constexpr int32_t kOutOfRangeHeight = 100;
    static bool InGrid(int32_t row, int32_t column) {
        return row >= 0 && row < CDOBOTEngine::kGridRows && column >= 0 &&
               column < CDOBOTEngine::kGridColumns;
    }
    static size_t Index(int32_t row, int32_t column) {
        return (static_cast<size_t>(row) * CDOBOTEngine::kGridColumns) + static_cast<size_t>(column);
    }

public:
    void Publish(const CScanner* scanner) {
        if (const auto* board = dynamic_cast<const CExScannerBoard*>(scanner)) {
            PublishAttachedAdapter(AdapterCopy(*board));
        } else {
            PublishAttachedAdapter(std::nullopt);
        }
        std::optional<ArmCopy> arm;
        if (const auto* bot = dynamic_cast<const CScannerBot*>(scanner)) {
            arm.emplace();
            arm->defaultHeight = bot->GetDefaultProbeHeight();
            for (int32_t row = 0; row < CDOBOTEngine::kGridRows; ++row) {
                for (int32_t column = 0; column < CDOBOTEngine::kGridColumns; ++column) {
                    const size_t index = Index(row, column);
                    arm->maxHeight[index] = bot->GetMaxHeightForCell(row, column);
                    // The arm stores no height for a cell it cannot reach.
                    arm->storedHeight[index] =
                        bot->GetCellMoveFlag(row, column) != 0 ? arm->maxHeight[index] : 0;
                }
            }
        }
        std::optional<bool> adapterMotors;
        if (scanner != nullptr && scanner->GetProbeType() == eProbeType::ExternalAdapter) {
            adapterMotors = scanner->SupportsMotors();
        }
        const std::lock_guard guard(m_lock);
        if (scanner != nullptr) {
            m_scannerId = scanner->GetScannerID();
        }
        m_attached = scanner != nullptr;
        m_arm = arm;
        m_adapterMotors = adapterMotors;
    }

    static AttachedAdapterInfo AdapterCopy(const CExScannerBoard& board) {
        AttachedAdapterInfo info;
        info.motorsSupported = board.SupportsMotors();
        if (board.GetTransportSelector() == CExScannerBoard::kTransportTcp) {
            info.host = board.GetAdapterAddress();
        }
        info.port = board.GetAdapterPort();
        info.useStaticIp = board.UsesStaticIP();
        info.staticIp = board.GetStaticIP();
        info.subnetMask = board.GetStaticSubnetMask();
        return info;
    }

    std::optional<int32_t> GetAttachedScannerId() const override {
        const std::lock_guard guard(m_lock);
        if (!m_attached) {
            return std::nullopt;
        }
        return m_scannerId;
    }
    std::optional<float> GetArmDefaultProbeHeight() const override {
        const std::lock_guard guard(m_lock);
        return m_arm ? std::optional<float>(m_arm->defaultHeight) : std::nullopt;
    }
    std::optional<int32_t> GetArmMaxHeightForCell(int32_t row, int32_t column) const override {
        const std::lock_guard guard(m_lock);
        if (!m_arm) {
            return std::nullopt;
        }
        // Beyond the grid, the arm's own answer for a cell out of range.
        return InGrid(row, column) ? m_arm->maxHeight[Index(row, column)] : kOutOfRangeHeight;
    }
    std::optional<int32_t> GetArmStoredHeightForCell(int32_t row, int32_t column) const override {
        const std::lock_guard guard(m_lock);
        if (!m_arm) {
            return std::nullopt;
        }
        return InGrid(row, column) ? m_arm->storedHeight[Index(row, column)] : 0;
    }

    std::optional<bool> GetAdapterSupportsMotors() const override {
        const std::lock_guard guard(m_lock);
        return m_adapterMotors;
    }

private:
    mutable std::mutex m_lock;
    bool m_attached = false;
    int32_t m_scannerId = 0;
    std::optional<ArmCopy> m_arm;
    std::optional<bool> m_adapterMotors;
};

namespace {

size_t MakerIndex(eProbeType type) {
    return static_cast<size_t>(type);
}

bool IsKnownProbeType(eProbeType type) {
    return type == eProbeType::NoScanner || type == eProbeType::UsbScannerBoard ||
           type == eProbeType::RobotArm || type == eProbeType::ExternalAdapter;
}

struct SearchStep {
    eProbeType type;
    std::chrono::milliseconds settle;
};

// The ordered search after the kind asked for did not answer.
constexpr std::array<SearchStep, 3> kScannerSearchOrder{{
    {eProbeType::RobotArm, CDeviceManager::kRobotArmSettle},
    {eProbeType::ExternalAdapter, CDeviceManager::kExternalAdapterSettle},
    {eProbeType::UsbScannerBoard, CDeviceManager::kUsbBoardSettle},
}};

constexpr std::array<eProbeType, 4> kDetectionOrder{eProbeType::RobotArm, eProbeType::ExternalAdapter,
                                                    eProbeType::UsbScannerBoard, eProbeType::NoScanner};

} // namespace

CDeviceManager::CDeviceManager()
    : m_traceBuffer(kTraceCapacity, 0.0F),
      m_driverChangeApplying([] { return DriverChangeApplyFlag().load() != 0; }),
      m_analyzerFactory([](int32_t code) {
          const AnalyzerMaker maker = AnalyzerMakerForCode(code);
          return maker != nullptr ? maker() : nullptr;
      }),
      m_visaConnectionMaker([] { return std::make_unique<CVisaConnection>(); }),
      m_noScannerFallbackAllowed([] { return IsNoScannerFallbackAllowed(); }),
      m_attachedScanner(std::make_shared<AttachedScannerAnswers>()) {
    m_scannerMakers[MakerIndex(eProbeType::NoScanner)] = [] { return std::make_unique<CNoScannerBoard>(); };
    // The drivers made here never outlive the manager; they read the set-up at each command, so they
    // follow the set-up and the analyser in force.
    m_scannerMakers[MakerIndex(eProbeType::UsbScannerBoard)] = [this] {
        auto board = std::make_unique<CScannerBoard>();
        board->SetSetupSource([this] { return CurrentScannerSetup(); });
        return board;
    };
    m_scannerMakers[MakerIndex(eProbeType::ExternalAdapter)] = [this] {
        auto board = std::make_unique<CExScannerBoard>();
        board->SetSetupSource([this] { return CurrentScannerSetup(); });
        return board;
    };
    m_scannerMakers[MakerIndex(eProbeType::RobotArm)] = [this] {
        // Only an arm connected for use offers its calibration; the detection's arms never ask.
        auto bot = std::make_unique<CScannerBot>(m_detecting.load() ? 0 : 1);
        bot->SetSetupSource([this] { return CurrentScannerSetup(); });
        return bot;
    };
    SetAttachedScannerSource(m_attachedScanner);
}

CDeviceManager::~CDeviceManager() {
    // Leave the seam only when it is still ours; a caller holding it keeps the answers alive.
    if (GetAttachedScannerSource() == m_attachedScanner) {
        SetAttachedScannerSource(nullptr);
    }
    if (dynamic_cast<const CExScannerBoard*>(m_scanner.get()) != nullptr) {
        PublishAttachedAdapter(std::nullopt);
    }
}

ScannerSetup CDeviceManager::CurrentScannerSetup() const {
    const std::lock_guard guard(m_deviceLock);
    ScannerSetup setup;
    double rbw = 0.0;
    if (m_scanSetup != nullptr) {
        setup.rows = m_scanSetup->GetGridRows();
        setup.columns = m_scanSetup->GetGridColumns();
        rbw = m_scanSetup->GetAppliedRbw();
        setup.pollIntervalMs = m_scanSetup->GetPollInterval();
        setup.stop = m_scanSetup->GetScanStopToken();
    }
    if (m_analyzer != nullptr) {
        setup.timing1 = m_analyzer->GetRbwTimingA(static_cast<float>(rbw));
        setup.timing2 = m_analyzer->GetRbwTimingB(static_cast<float>(rbw));
    }
    setup.analyserModelCode = m_modelCode.load();
    return setup;
}

void CDeviceManager::SetScannerMaker(eProbeType type, ScannerMaker maker) {
    if (IsKnownProbeType(type)) {
        const std::lock_guard guard(m_deviceLock);
        m_scannerMakers[MakerIndex(type)] = std::move(maker);
    }
}

void CDeviceManager::SetVisaConnectionMaker(VisaConnectionMaker maker) {
    const std::lock_guard guard(m_deviceLock);
    m_visaConnectionMaker = std::move(maker);
}

void CDeviceManager::SetAnalyzerFactory(AnalyzerFactory factory) {
    const std::lock_guard guard(m_deviceLock);
    m_analyzerFactory = std::move(factory);
}

void CDeviceManager::SetDriverChangeApplySource(std::function<bool()> applying) {
    const std::lock_guard guard(m_deviceLock);
    m_driverChangeApplying = std::move(applying);
}

void CDeviceManager::SetScanSetup(const AnalyzerScanSetup* setup) {
    const std::lock_guard guard(m_deviceLock);
    m_scanSetup = setup;
}

void CDeviceManager::SetNoScannerFallbackSource(std::function<bool()> allowed) {
    const std::lock_guard guard(m_deviceLock);
    m_noScannerFallbackAllowed = std::move(allowed);
}

void CDeviceManager::SetScanRunning(bool running) {
    const std::lock_guard guard(m_deviceLock);
    m_scanRunning.store(running);
}

DeviceLockHold CDeviceManager::LockDevices() const {
    return std::unique_lock(m_deviceLock);
}

bool CDeviceManager::AreDevicesFree() const {
    const std::unique_lock devices(m_deviceLock, std::try_to_lock);
    const std::unique_lock swap(m_scannerSwapLock, std::try_to_lock);
    return devices.owns_lock() && swap.owns_lock();
}

std::unique_ptr<CScanner> CDeviceManager::MakeAndConnect(const std::array<ScannerMaker, 4>& makers,
                                                         eProbeType type) {
    const ScannerMaker& maker = makers[MakerIndex(type)];
    if (!maker) {
        return nullptr;
    }
    std::unique_ptr<CScanner> scanner = maker();
    if (scanner == nullptr || !scanner->Connect()) {
        return nullptr;
    }
    return scanner;
}

std::array<CDeviceManager::ScannerMaker, 4> CDeviceManager::CopyScannerMakers() const {
    const std::lock_guard guard(m_deviceLock);
    return m_scannerMakers;
}

bool CDeviceManager::DetectScanners() {
    const std::array<ScannerMaker, 4> makers = CopyScannerMakers();
    m_detecting.store(true);
    for (const eProbeType type : kDetectionOrder) {
        if (MakeAndConnect(makers, type) != nullptr) {
            GetInstrumentInfo().AddDetectedProbeType(type);
        }
    }
    m_detecting.store(false);
    return true;
}

void CDeviceManager::KeepScanner(std::unique_ptr<CScanner> scanner) {
    std::unique_ptr<CScanner> previous;
    {
        // The outside arm operations hold this lock while they use the driver.
        const std::unique_lock swap(m_scannerSwapLock);
        previous = std::exchange(m_scanner, std::move(scanner));
        ++m_scannerSwaps;
        m_attachedScanner->Publish(m_scanner.get());
    }
    // Out of reach of every caller now; its disconnect talks to the device, so not under the lock.
    previous.reset();
}

std::unique_ptr<CScanner> CDeviceManager::FindScanner(eProbeType type, const std::stop_token& stop,
                                                      std::optional<eProbeType>& searched) {
    const std::array<ScannerMaker, 4> makers = CopyScannerMakers();
    const auto settled = [&](std::unique_ptr<CScanner> scanner, std::chrono::milliseconds settle) {
        if (!ClockSleep(settle, stop)) {
            scanner.reset();
        }
        return scanner;
    };
    if (type == eProbeType::UsbScannerBoard || type == eProbeType::RobotArm ||
        type == eProbeType::ExternalAdapter) {
        if (std::unique_ptr<CScanner> scanner = MakeAndConnect(makers, type)) {
            return scanner;
        }
    }
    CInstrumentInfo& info = GetInstrumentInfo();
    info.SetProbeType(eProbeType::NoScanner);
    if (stop.stop_requested()) {
        return nullptr;
    }
    DetectScanners();
    for (const SearchStep& step : kScannerSearchOrder) {
        if (stop.stop_requested()) {
            return nullptr;
        }
        if (std::unique_ptr<CScanner> scanner = MakeAndConnect(makers, step.type)) {
            searched = step.type;
            return settled(std::move(scanner), step.settle);
        }
    }
    const bool fallback = [&] {
        const std::lock_guard guard(m_deviceLock);
        return m_noScannerFallbackAllowed && m_noScannerFallbackAllowed();
    }();
    if (fallback && !stop.stop_requested()) {
        if (std::unique_ptr<CScanner> scanner = MakeAndConnect(makers, eProbeType::NoScanner)) {
            searched = eProbeType::NoScanner;
            return settled(std::move(scanner), kNoScannerSettle);
        }
    }
    return nullptr;
}

bool CDeviceManager::ConnectScanner(eProbeType type, std::stop_token stop) {
    {
        const std::lock_guard guard(m_deviceLock);
        if (IsScanRunning()) {
            return false;
        }
        // The old driver lets its device go, so the search below can open it again.
        KeepScanner(nullptr);
    }
    // The search, its settles and whatever the drivers ask the user run without the device lock: the
    // command endpoint answers meanwhile, and a stop ends the settles and the exchanges of the links.
    const LinkStop linkStop(stop);
    std::optional<eProbeType> searched;
    std::unique_ptr<CScanner> scanner = FindScanner(type, stop, searched);
    if (scanner == nullptr) {
        return false;
    }
    // The model shows the scanner's id; read it now so no other thread ever asks the driver.
    scanner->ReadScannerType();
    const std::lock_guard guard(m_deviceLock);
    if (IsScanRunning()) {
        AddInformationMessage(1, "A scan began while the scanner was being connected; the scanner is "
                                 "connected again later.");
        return false;
    }
    if (searched) {
        GetInstrumentInfo().SetProbeType(*searched);
    }
    KeepScanner(std::move(scanner));
    return true;
}

std::optional<bool> CDeviceManager::TrySetScannerTypeValue(uint16_t value) {
    const std::shared_lock swap(m_scannerSwapLock, std::try_to_lock);
    if (!swap.owns_lock()) {
        return std::nullopt;
    }
    if (m_scanner == nullptr) {
        return false;
    }
    m_scanner->SetScannerTypeValue(value);
    return true;
}

bool CDeviceManager::WriteAdapterStaticIPSettings(uint8_t useStaticIp, const std::string& address,
                                                  const std::string& subnetMask) {
    const std::lock_guard guard(m_deviceLock);
    if (IsScanRunning()) {
        AddInformationMessage(1, "The ExAdapter's static IP settings cannot be written while a scan runs.");
        return false;
    }
    auto* board = dynamic_cast<CExScannerBoard*>(m_scanner.get());
    if (board == nullptr) {
        return false;
    }
    const bool written = board->WriteStaticIPSettings(useStaticIp, address, subnetMask);
    m_attachedScanner->Publish(board);
    return written;
}

std::optional<CDeviceManager::AnalyzerTiming> CDeviceManager::TryReadAnalyzerTiming(float rbw) {
    const std::unique_lock guard(m_deviceLock, std::try_to_lock);
    if (!guard.owns_lock() || m_analyzer == nullptr) {
        return std::nullopt;
    }
    AnalyzerTiming timing;
    timing.gateLength = m_analyzer->GetGateLength(rbw);
    timing.switchTime = m_analyzer->GetRbwTimingA(rbw);
    timing.switchWait = m_analyzer->GetRbwTimingB(rbw);
    return timing;
}

CScanner* CDeviceManager::GetScanner() const {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner.get();
}

bool CDeviceManager::ReadScannerType(std::vector<uint8_t>& reply) {
    const std::lock_guard guard(m_deviceLock);
    if (m_scanner == nullptr || !m_scanner->ReadScannerType()) {
        return false;
    }
    const std::span<const uint8_t> buffer = m_scanner->GetReplyBuffer();
    reply.assign(buffer.begin(), buffer.end());
    m_attachedScanner->Publish(m_scanner.get());
    return true;
}

bool CDeviceManager::ConnectVisa() {
    const std::lock_guard guard(m_deviceLock);
    if (m_connection != nullptr || IsScanRunning() || !m_visaConnectionMaker) {
        return false;
    }
    std::unique_ptr<CSAConnection> connection = m_visaConnectionMaker();
    if (auto* visa = dynamic_cast<CVisaConnection*>(connection.get())) {
        visa->SetScanSetup(m_scanSetup);
    }
    if (connection == nullptr || !connection->DetectAndConnect()) {
        return false;
    }
    m_connection = std::move(connection);
    return true;
}

bool CDeviceManager::ConnectDeviceLibrary(std::unique_ptr<CSAConnection> connection) {
    if (connection == nullptr || !connection->DetectAndConnect()) {
        return false;
    }
    const std::lock_guard guard(m_deviceLock);
    if (m_connection != nullptr || IsScanRunning()) {
        // The new one closes its device as it goes.
        return false;
    }
    m_connection = std::move(connection);
    return true;
}

template <class Connection> bool CDeviceManager::ConnectNewDeviceLibrary() {
    const AnalyzerScanSetup* setup = nullptr;
    {
        const std::lock_guard guard(m_deviceLock);
        if (m_connection != nullptr || IsScanRunning()) {
            return false;
        }
        setup = m_scanSetup;
    }
    auto connection = std::make_unique<Connection>();
    connection->SetScanSetup(setup);
    return ConnectDeviceLibrary(std::move(connection));
}

bool CDeviceManager::ConnectBB60() {
    return ConnectNewDeviceLibrary<CBB60Connection>();
}

bool CDeviceManager::ConnectTekRSA() {
    return ConnectNewDeviceLibrary<CTekRSAConnection>();
}

bool CDeviceManager::ReleaseAnalyzer() {
    const std::lock_guard guard(m_deviceLock);
    if (IsScanRunning()) {
        return false;
    }
    // The driver borrows the connection: it goes first.
    m_analyzer.reset();
    m_connection.reset();
    return true;
}

CSAConnection* CDeviceManager::GetConnection() const {
    const std::lock_guard guard(m_deviceLock);
    return m_connection.get();
}

CSpectrumAnalyzer* CDeviceManager::CreateAnalyzer(int32_t code) {
    const std::lock_guard guard(m_deviceLock);
    m_analyzer.reset();
    m_modelCode.store(code);
    m_modelCodeCopy.store(code);
    if (m_analyzerFactory) {
        m_analyzer = m_analyzerFactory(code);
    }
    return m_analyzer.get();
}

bool CDeviceManager::BindAnalyzer(int32_t code, bool acceptWithoutCheck) {
    if (m_analyzer == nullptr || m_connection == nullptr) {
        return false;
    }
    const bool found = m_analyzer->FindVisaConnection(m_connection.get(), code);
    return found || acceptWithoutCheck;
}

bool CDeviceManager::SetAnalyzerDriver(std::array<uint32_t, 4>& words) {
    const std::lock_guard guard(m_deviceLock);
    const int32_t oldCode = m_modelCode.load();
    if (IsScanRunning()) {
        // The scan's driver stays; the reply names it.
        words[0] = static_cast<uint32_t>(oldCode);
        return false;
    }
    const auto newCode = static_cast<int32_t>(words[0]);
    CreateAnalyzer(newCode);
    const bool applying = m_driverChangeApplying && m_driverChangeApplying();
    bool kept = BindAnalyzer(newCode, applying);
    if (!kept) {
        m_analyzer.reset();
        if (oldCode != -1) {
            CreateAnalyzer(oldCode);
            kept = BindAnalyzer(oldCode, applying);
            if (!kept) {
                m_analyzer.reset();
            }
        }
        if (!kept) {
            // No driver is left: the code in use is none.
            m_modelCode.store(-1);
            m_modelCodeCopy.store(-1);
            words[0] = static_cast<uint32_t>(-1);
            return false;
        }
        words[0] = static_cast<uint32_t>(oldCode);
    }
    m_analyzer->SetScanSetup(m_scanSetup);
    m_analyzer->QueryFirmwareGeneration();
    return true;
}

CSpectrumAnalyzer* CDeviceManager::GetAnalyzer() const {
    const std::lock_guard guard(m_deviceLock);
    return m_analyzer.get();
}

bool CDeviceManager::HasScanner() const {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner != nullptr;
}

void CDeviceManager::ReconnectScannerIfNeeded() {
    const std::lock_guard guard(m_deviceLock);
    if (m_scanner != nullptr && m_scanner->IsReconnectNeeded()) {
        // A reconnect reopens the link, which the outside arm operations must not use meanwhile.
        const std::unique_lock swap(m_scannerSwapLock);
        m_scanner->Reconnect();
    }
}

namespace {

bool CopyReply(const CScanner& scanner, bool read, std::vector<uint8_t>& reply) {
    if (!read) {
        return false;
    }
    const std::span<const uint8_t> buffer = scanner.GetReplyBuffer();
    reply.assign(buffer.begin(), buffer.end());
    return true;
}

} // namespace

bool CDeviceManager::ReadAdaptorEID(std::vector<uint8_t>& reply) {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner != nullptr && CopyReply(*m_scanner, m_scanner->ReadAdaptorEID(), reply);
}

bool CDeviceManager::ReadFirmwareVersion(std::vector<uint8_t>& reply) {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner != nullptr && CopyReply(*m_scanner, m_scanner->ReadFirmwareVersion(), reply);
}

bool CDeviceManager::SwitchToCell(uint16_t row, uint16_t column) {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner != nullptr && m_scanner->SetCell(row, column) && m_scanner->SwitchToCell();
}

bool CDeviceManager::BeginScan() {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner != nullptr && m_scanner->BeginScan();
}

bool CDeviceManager::EndScan() {
    const std::lock_guard guard(m_deviceLock);
    return m_scanner != nullptr && m_scanner->EndScan();
}

bool CDeviceManager::SetupInstrument(SetupScan& setup, CSetupStepReporter& reporter) {
    return setup.SetupInstrument(&reporter);
}

AnalyzerSetupState CDeviceManager::GetAnalyzerSetupState() const {
    const std::lock_guard guard(m_deviceLock);
    AnalyzerSetupState state;
    if (m_analyzer != nullptr) {
        state.preAmpOn = m_analyzer->GetPreAmpState();
        // The reply carries only the low byte of what the analyser read back, sign-extended.
        const int32_t low = m_analyzer->GetPreAmpReadBack() & 0xFF;
        state.preAmpReadBack = low >= 0x80 ? low - 0x100 : low;
        state.dcCoupled = m_analyzer->GetDcCoupledFlag();
    }
    return state;
}

std::optional<std::string> CDeviceManager::QueryAnalyzerIdentity() {
    const std::lock_guard guard(m_deviceLock);
    if (m_connection == nullptr) {
        return std::nullopt;
    }
    return m_connection->QueryIdentity();
}

void CDeviceManager::AnalyzerExtraHook() {
    const std::lock_guard guard(m_deviceLock);
    if (m_analyzer != nullptr) {
        m_analyzer->ExtraHook();
    }
}

void CDeviceManager::ClearVisaConnections() {
    const std::lock_guard guard(m_deviceLock);
    m_visaConnections.clear();
}

size_t CDeviceManager::GetVisaConnectionCount() const {
    const std::lock_guard guard(m_deviceLock);
    return m_visaConnections.size();
}

template <class Use> bool CDeviceManager::WithArm(Use use) {
    const std::shared_lock swap(m_scannerSwapLock);
    auto* bot = dynamic_cast<CScannerBot*>(m_scanner.get());
    return bot != nullptr && use(*bot);
}

template <class Use> bool CDeviceManager::WithIdleArm(const char* what, Use use) {
    if (!m_attachedScanner->GetArmDefaultProbeHeight().has_value()) {
        return false; // not the arm: nothing to refuse
    }
    if (IsScanRunning()) {
        if (what != nullptr) {
            AddInformationMessage(1, FormatC("%s refused: a scan is running.", what));
        }
        return false;
    }
    const std::unique_lock devices(m_deviceLock, std::try_to_lock);
    if (!devices.owns_lock() || IsScanRunning()) {
        if (what != nullptr) {
            AddInformationMessage(1, FormatC("%s refused: the devices are busy.", what));
        }
        return false;
    }
    return WithArm(use);
}

bool CDeviceManager::ClearArmAlarms() {
    return WithArm([](CScannerBot& bot) { return bot.ClearArmAlarms(); });
}

bool CDeviceManager::StopArm() {
    return WithArm([](CScannerBot& bot) { return bot.StopArm(); });
}

bool CDeviceManager::GetArmPose(float& x, float& y, float& z, float& r) {
    return WithArm([&](CScannerBot& bot) { return bot.GetArmPose(x, y, z, r); });
}

bool CDeviceManager::GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column) {
    return WithArm([&](CScannerBot& bot) {
        bot.GetCellAtPosition(x, y, row, column);
        return true;
    });
}

std::optional<std::pair<float, float>> CDeviceManager::GetGridOrigin() {
    std::optional<std::pair<float, float>> origin;
    WithArm([&](CScannerBot& bot) {
        origin.emplace(bot.GetGridOriginX(), bot.GetGridOriginY());
        return true;
    });
    return origin;
}

bool CDeviceManager::ResetArmQueue() {
    return WithIdleArm("Resetting the arm's queue", [](CScannerBot& bot) { return bot.ResetArmQueue(); });
}

bool CDeviceManager::MoveArmTo(float x, float y, float z, float r) {
    return WithIdleArm("Moving the arm", [&](CScannerBot& bot) { return bot.MoveArmTo(x, y, z, r); });
}

bool CDeviceManager::HomeArm(const std::stop_token& stop, const std::function<bool()>& going) {
    const char* const what = "Homing the arm";
    if (!m_attachedScanner->GetArmDefaultProbeHeight().has_value()) {
        return false;
    }
    if (IsScanRunning()) {
        AddInformationMessage(1, FormatC("%s refused: a scan is running.", what));
        return false;
    }
    // Asked before any lock: a scan, a connect or the emergency stop must not wait for the answer.
    if (ShowPrompt(CDOBOTEngine::CalibrationPrompt(), stop, PromptAnswer::Cancel) != PromptAnswer::Ok) {
        return true;
    }
    std::optional<ArmHoming> homing;
    uint64_t swaps = 0;
    if (!WithIdleArm(what, [&](CScannerBot& bot) {
            homing = bot.BeginHoming();
            swaps = m_scannerSwaps;
            return true;
        })) {
        return false;
    }
    const ArmHomingState last = homing ? AwaitArmHoming(*homing, swaps, stop, going) : ArmHomingState::Failed;
    // A scan that started meanwhile owns the arm's queue now: it is left alone.
    WithIdleArm(nullptr, [&](CScannerBot& bot) {
        if (m_scannerSwaps == swaps) {
            bot.EndHoming(last);
        }
        return true;
    });
    return true;
}

ArmHomingState CDeviceManager::AwaitArmHoming(const ArmHoming& homing, uint64_t swaps,
                                              const std::stop_token& stop,
                                              const std::function<bool()>& going) {
    const Clock::TimePoint start = ClockNow();
    for (;;) {
        if (stop.stop_requested() || (going && !going()) || IsScanRunning()) {
            return ArmHomingState::Abandoned;
        }
        ArmHomingState state = ArmHomingState::Failed;
        // The swap lock for one exchange only: a connect waits for no more than that.
        WithArm([&](CScannerBot& bot) {
            if (m_scannerSwaps == swaps) {
                state = bot.PollHoming(homing);
            }
            return true;
        });
        if (state != ArmHomingState::Moving ||
            ElapsedMilliseconds(start) >= static_cast<int64_t>(CDobotMagician::kQueuedCommandTimeoutMs)) {
            return state;
        }
        ClockSleep(kHomingPoll, stop);
    }
}

bool CDeviceManager::MoveArmToCell(uint16_t row, uint16_t column, float height, uint16_t wordA,
                                   uint16_t wordB) {
    return WithIdleArm("Moving the probe", [&](CScannerBot& bot) {
        bot.SetTargetCell(row, column, height, wordA, wordB);
        return bot.MoveToTarget();
    });
}

} // namespace orv
