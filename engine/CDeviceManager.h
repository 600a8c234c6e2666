#pragma once

// The engine's instruments: the connected scanner, the analyser connection, the list of VISA
// connections found, and the trace buffer the acquisitions fill. It detects which scanners answer,
// connects the one asked for (or the first that answers), and makes the analyser driver for a model
// code.
//
// Devices are never replaced under a running scan: while the scan thread holds the devices, the
// connects refuse and the caller (the connection thread) tries again later. The device lock
// serialises the command thread's device work with the scan thread's.
//
// While it lives, the device manager answers the model's questions about the attached scanner (the
// user-interface thread asks them) from copies taken at connect, so no other thread touches a driver.

#include "analyzers/ProbeType.h"
#include "engine/CEngineDevices.h"
#include "engine/DeviceLock.h"
#include "engine/scanners/CBOTEngine.h"
#include "engine/scanners/CScanner.h"
#include "engine/scanners/ScannerSetup.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <shared_mutex>
#include <span>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

namespace orv {

class AnalyzerScanSetup;
class CSAConnection;
class CSpectrumAnalyzer;
class CVisaConnection;
class QAttachedScannerSource;
class CSecondPassSource;
class RunScan;
class ScanGrid;
class ScanStopFlag;
class SetupScan;

class CDeviceManager final : public CEngineDevices {
public:
    static constexpr size_t kTraceCapacity = 102400;
    // The pauses after a scanner kind answered, before it is used.
    static constexpr std::chrono::milliseconds kRobotArmSettle{5000};
    static constexpr std::chrono::milliseconds kExternalAdapterSettle{1500};
    static constexpr std::chrono::milliseconds kUsbBoardSettle{1500};
    static constexpr std::chrono::milliseconds kNoScannerSettle{10};

    using ScannerMaker = std::function<std::unique_ptr<CScanner>()>;
    using VisaConnectionMaker = std::function<std::unique_ptr<CSAConnection>()>;
    using AnalyzerFactory = std::function<std::unique_ptr<CSpectrumAnalyzer>(int32_t code)>;

    CDeviceManager();
    ~CDeviceManager() override;
    CDeviceManager(const CDeviceManager&) = delete;
    CDeviceManager& operator=(const CDeviceManager&) = delete;

    // Replaces the maker of one scanner kind (null: the kind never answers). A kind joins the
    // detection by having a maker; the no-scanner driver has one from the start.
    void SetScannerMaker(eProbeType type, ScannerMaker maker);
    // Replaces how the VISA connection is made (tests: a connection double).
    void SetVisaConnectionMaker(VisaConnectionMaker maker);
    // Replaces the factory table (tests: driver doubles).
    void SetAnalyzerFactory(AnalyzerFactory factory);
    // Whether a driver change is being applied from the settings page: the new driver is then taken
    // without checking that the connection reaches that model.
    void SetDriverChangeApplySource(std::function<bool()> applying);
    // The engine's set-up, handed to each driver and connection made here (not owned).
    void SetScanSetup(const AnalyzerScanSetup* setup);
    // Whether the no-scanner driver may stand in when no scanner answers (read at each connect).
    void SetNoScannerFallbackSource(std::function<bool()> allowed);

    // Makes each scanner kind in turn (robot arm, external adapter, USB board, no scanner), connects
    // it, records the kinds that answered in the instrument state, and deletes it. Always true.
    bool DetectScanners();
    // Replaces the scanner: the kind asked for when it answers, otherwise the first kind of the
    // ordered search that answers, or the no-scanner driver when falling back is allowed. False
    // (scanner unchanged) while a scan runs; false with no scanner when none answered.
    //
    // The search runs outside the device lock (the command endpoint answers meanwhile); the lock is
    // taken only to check that no scan runs and to swap the scanner in. `stop` ends the settles and
    // the search between kinds.
    bool ConnectScanner(eProbeType type, std::stop_token stop = {});
    // The driver in use: for the engine's threads while they hold the device lock. Other threads ask
    // the published answers or the arm operations below.
    CScanner* GetScanner() const;
    // The about box's static-IP write to the external adapter, under the device lock. Refused
    // (logged, false) while a scan runs; false when the scanner is not the adapter.
    bool WriteAdapterStaticIPSettings(uint8_t useStaticIp, const std::string& address,
                                      const std::string& subnetMask);
    // Gives the kept scanner its 16-bit type word (the scanner-type preference page, after the scanner
    // reconnected). Only tries the swap lock, so the user-interface thread never waits on a connect:
    // nullopt while the scanner is being replaced or reconnected, false without a scanner.
    std::optional<bool> TrySetScannerTypeValue(uint16_t value);
    // Reads the kept scanner's type under the device lock: the reply bytes, and the scanner ID the
    // model sees is refreshed from it. False with no scanner or when the read fails.
    bool ReadScannerType(std::vector<uint8_t>& reply) override;

    // Keeps a new VISA connection when it finds an analyser. False when a connection is already held
    // (the held one is kept), while a scan runs, or when none was found.
    bool ConnectVisa();
    // The same through the Signal Hound and Tektronix device libraries. Without the library neither
    // ever connects. The search runs outside the device lock (the new connection is nobody else's
    // yet), so a box it shows never waits while the lock is held.
    bool ConnectBB60();
    bool ConnectTekRSA();
    CSAConnection* GetConnection() const;
    // Drops the held connection and the driver bound to it, so that the next ConnectVisa searches
    // again (a network analyser that stopped answering). False, keeping both, while a scan runs.
    bool ReleaseAnalyzer();

    // Replaces the analyser driver with the class of the model code (none for codes without one).
    CSpectrumAnalyzer* CreateAnalyzer(int32_t code);
    // The driver command: makes the driver for the code in words[0] and binds it to the held
    // connection. A driver that cannot serve the connected analyser is refused and deleted, and the
    // previous model's driver is made again; words[0] then names the code in use (-1 when none is
    // left, and the result is false). While a scan runs the driver is kept and the result is false.
    bool SetAnalyzerDriver(std::array<uint32_t, 4>& words) override;
    CSpectrumAnalyzer* GetAnalyzer() const override;
    // The driver's timing for a resolution bandwidth, as the driver-parameters window shows it.
    struct AnalyzerTiming {
        int32_t gateLength = 0;
        int32_t switchTime = 0; // delay after the switch
        int32_t switchWait = 0; // delay after the trigger
    };
    // Only tries the device lock, so the user-interface thread never waits on a scan or a connect:
    // empty while another thread holds the devices, or without a driver.
    std::optional<AnalyzerTiming> TryReadAnalyzerTiming(float rbw);
    // Deletes every listed VISA connection.
    void ClearVisaConnections();
    size_t GetVisaConnectionCount() const;

    // The scan thread holds the devices for the length of a scan; the connects refuse meanwhile. Set
    // under the device lock, so no connect is half-way when the scan takes its devices.
    void SetScanRunning(bool running) override;
    bool IsScanRunning() const { return m_scanRunning.load(); }
    // Serialises the command thread's device work with the scan thread's per-cell device work.
    DeviceLockHold LockDevices() const;
    // True when no other thread holds the device lock or the scanner (the swap lock) at this moment.
    // Asked by a thread that holds neither (the device lock is recursive: its holder would be told
    // true).
    bool AreDevicesFree() const;

    // What the command endpoint and the scan thread ask of the devices, each under the device lock.
    // Without the device in question each fails (or answers nothing).
    bool HasScanner() const override;
    void ReconnectScannerIfNeeded() override;
    bool ReadAdaptorEID(std::vector<uint8_t>& reply) override;
    bool ReadFirmwareVersion(std::vector<uint8_t>& reply) override;
    bool SwitchToCell(uint16_t row, uint16_t column) override;
    bool BeginScan() override;
    bool EndScan() override;
    // The set-up's own sequence, reporting to `reporter`.
    bool SetupInstrument(SetupScan& setup, CSetupStepReporter& reporter) override;
    AnalyzerSetupState GetAnalyzerSetupState() const override;
    std::optional<std::string> QueryAnalyzerIdentity() override;
    void AnalyzerExtraHook() override;

    // The acquisitions' trace buffer and the length of the last trace.
    float* GetTraceBuffer() { return m_traceBuffer.data(); }
    size_t GetTraceCapacity() const { return m_traceBuffer.size(); }
    uint32_t GetTraceLength() const { return m_traceLength; }
    void SetTraceLength(uint32_t length) {
        m_traceLength = length <= kTraceCapacity ? length : kTraceCapacity;
    }
    float GetMeasuredFrequency() const { return m_measuredFrequency; }
    void SetMeasuredFrequency(float mhz) { m_measuredFrequency = mhz; }
    // The flags of the last acquisition.
    uint8_t GetScannerReady() const { return m_scannerReady.load(); }
    void SetScannerReady(uint8_t value) { m_scannerReady.store(value); }
    uint8_t GetAnalyzerReady() const { return m_analyzerReady.load(); }
    void SetAnalyzerReady(uint8_t value) { m_analyzerReady.store(value); }
    uint8_t GetReadOk() const { return m_readOk.load(); }
    void SetReadOk(uint8_t value) { m_readOk.store(value); }
    uint8_t GetFrameAbandoned() const { return m_frameAbandoned.load(); }
    void SetFrameAbandoned(uint8_t value) { m_frameAbandoned.store(value); }
    int32_t GetModelCode() const { return m_modelCode.load(); }

    // What the measurements read (not owned): the grid, the frequency range and the peak tolerance of
    // the set-up, the stop request, and the client's second-pass values behind the switch mode.
    void SetAcquisitionSources(const SetupScan* setup, const ScanStopFlag* stopFlag);
    void SetSecondPassSource(std::shared_ptr<const CSecondPassSource> source);
    // 1 when the client announced the run as a second spatial pass (both values 1), else 0.
    uint8_t GetSwitchModeValue() const;

    // The measurement primitives of the scan runners. Each takes the device lock for its length, sets
    // the three flags to 1 at its start and clears the one of the device that failed; with no
    // analyser (or no scanner where a cell is given) the matching flag is cleared and the call fails.
    // A row or column below 0 measures at the current position without touching the scanner.
    //
    // Keeps a copy of the values when the analyser's last read succeeded; otherwise (and for a
    // count the buffer cannot hold) the previous values stay and the result is false.
    bool StoreResult(const float* values, int32_t count);
    // Gives the scanner the highest probe height among the active cells, never below the default.
    void ApplyProbeHeight();
    bool MeasureCellTrace(int16_t row, int16_t column, int16_t height, uint16_t stepWordA, uint16_t stepWordB,
                          bool noSwitch);
    // The peak frequency near `frequency` at one cell, by up to two zoomed sweeps.
    bool MeasureCellPeak(int16_t row, int16_t column, int16_t height, float frequency, float step);
    // One zoom step around `centre`, the window kept inside the scan's frequency range; a centre
    // farther than the set-up's peak tolerance from `reference` is taken as the answer unswept.
    bool RefinePeak(float centre, float width, float reference, float step);
    // One sweep of `width` MHz around `centre` with points `step` apart, and its peak marker.
    bool MeasurePeakWindow(int16_t row, int16_t column, int16_t height, float centre, float width,
                           bool secondMarker, float step);
    void RestoreAnalyzerAfterSpatialScan();
    bool ReconnectScanner();

    // Spatial acquisition of one frame (Rows x Columns values into the result buffer) by the routine
    // that serves the analyser's sweep mode and model code. The runner (may be null) receives the
    // routines' progress. True when the routine succeeded, or failed with every flag still up.
    bool AcquireSpatialScanData(RunScan* runner, uint16_t frequencyIndex, uint16_t frequencyCount);
    // One sweep per active cell, the cell's value the trace's highest.
    bool GetSpatialScanDataByProbes(RunScan* runner, uint16_t frequencyIndex, uint16_t frequencyCount);
    // One timed switch per active cell, the cell's value the mean of its trace.
    bool ScanGatedVideo(uint16_t frequencyIndex, uint16_t frequencyCount);
    bool MeasureCellGatedVideo(int16_t row, int16_t column, int16_t height, uint16_t frequencyIndex,
                               uint16_t frequencyCount);
    // One sweep per active cell, the cell's value the peak marker's amplitude.
    bool ScanCellsByMarker(RunScan* runner);
    // The whole grid in one sweep, the cells the trace's first values.
    bool ScanAllCellsInline();
    // The pattern routines: the scanner steps through the stored pattern while one sweep covers
    // the whole grid, every second point, a chunk of cells, half the grid or a group of cells.
    bool ScanAllCellsOneSweep();
    bool ScanAllCellsEverySecondPoint();
    bool ScanCellChunksContinuous(RunScan* runner);
    bool ScanCellChunksRetriggered(RunScan* runner);
    bool ScanCellChunksSettled(RunScan* runner);
    bool ScanCellChunksOffset(RunScan* runner);
    bool ScanTwoHalves(RunScan* runner);
    bool ScanMultipleGatedSweep(RunScan* runner, uint16_t frequencyIndex, uint16_t frequencyCount);
    // Groups of cells as (row, column) byte pairs; a group that repeats a value of the previous one
    // is measured again, at most kMaxStaleGroupRepeats times.
    bool ScanProbeGroupsFast(uint16_t frequencyIndex, uint16_t frequencyCount);
    bool ScanProbeGroupsPaced();
    static constexpr int kMaxStaleGroupRepeats = 20;
    // The two-half routine's halves: cells 0-630 and 631-1261.
    static constexpr uint32_t kHalfGridCells = 631;

    // The robot arm for the settings pages, the emergency stop, the queue reset before a scan and the
    // pose poller. Each fails (false, or nothing) when the scanner in use is not the arm. A scanner
    // being replaced waits until the call is done, so no caller ever holds a deleted driver.
    //
    // These reach the arm at any time, also during a scan: they use only the arm's link, which
    // serialises its exchanges.
    bool ClearArmAlarms();
    bool StopArm();
    bool GetArmPose(float& x, float& y, float& z, float& r);
    bool GetCellAtPosition(float x, float y, uint16_t& row, uint16_t& column);
    std::optional<std::pair<float, float>> GetGridOrigin();
    // These move the arm or reset its queue: refused (false, logged) while a scan runs or while
    // another thread holds the devices, so the asking thread never waits on a scan or a connect.
    bool ResetArmQueue();
    bool MoveArmTo(float x, float y, float z, float r);
    // The probes page's Calibrate. The calibration question comes first, with no lock held (Cancel,
    // or `stop` while it is shown, leaves the arm where it is: true). The homing is then queued under
    // the device lock, refused as the moves are, and its end polled every kHomingPoll with no lock
    // held, until it is done, the arm is stopped or replaced, a scan starts, `stop` fires, `going`
    // (when given) answers false, or the arm queue's time-out passes; the queue is cleared after.
    // False when the scanner is not the arm or the homing was refused.
    bool HomeArm(const std::stop_token& stop = {}, const std::function<bool()>& going = nullptr);
    static constexpr std::chrono::milliseconds kHomingPoll{10};
    bool MoveArmToCell(uint16_t row, uint16_t column, float height, uint16_t wordA, uint16_t wordB);

private:
    class AttachedScannerAnswers;

    static std::unique_ptr<CScanner> MakeAndConnect(const std::array<ScannerMaker, 4>& makers,
                                                    eProbeType type);
    std::array<ScannerMaker, 4> CopyScannerMakers() const;
    // The kind asked for, else the ordered search (`searched`: the kind it found); null when none
    // answered or `stop` fired.
    std::unique_ptr<CScanner> FindScanner(eProbeType type, const std::stop_token& stop,
                                          std::optional<eProbeType>& searched);
    ScannerSetup CurrentScannerSetup() const;
    // Runs `use` on the arm under the shared swap lock; false when the scanner is not the arm.
    template <class Use> bool WithArm(Use use);
    // The same for the operations that move the arm: also refused during a scan or a busy device lock,
    // logged with `what` (none: silently).
    template <class Use> bool WithIdleArm(const char* what, Use use);
    // The wait of HomeArm: polls the homing with no lock held until it ends or is abandoned.
    ArmHomingState AwaitArmHoming(const ArmHoming& homing, uint64_t swaps, const std::stop_token& stop,
                                  const std::function<bool()>& going);
    void KeepScanner(std::unique_ptr<CScanner> scanner);
    // Binds the current driver to the held connection; true when it may be kept.
    bool BindAnalyzer(int32_t code, bool acceptWithoutCheck);
    // Keeps a connection that found its device, unless one is held or a scan began meanwhile.
    bool ConnectDeviceLibrary(std::unique_ptr<CSAConnection> connection);
    // Makes a device-library connection of the kind given, when no analyser is connected and no scan
    // runs, and connects it as above.
    template <class Connection> bool ConnectNewDeviceLibrary();

    std::vector<float> m_traceBuffer;
    uint32_t m_traceLength = 0;
    float m_measuredFrequency = 0.0F;
    std::atomic<int32_t> m_modelCodeCopy{-1};
    std::atomic<uint8_t> m_scannerReady{0};
    std::atomic<uint8_t> m_analyzerReady{0};
    std::atomic<uint8_t> m_readOk{0};
    std::atomic<uint8_t> m_frameAbandoned{0};
    std::vector<std::unique_ptr<CVisaConnection>> m_visaConnections;
    std::atomic<int32_t> m_modelCode{-1};
    // Declared so that the analyser, which borrows the connection, goes first.
    std::unique_ptr<CSAConnection> m_connection;
    std::unique_ptr<CScanner> m_scanner;
    // Taken exclusively to replace m_scanner or reconnect it, shared by the outside arm operations while
    // they use it.
    mutable std::shared_mutex m_scannerSwapLock;
    // Counts the scanners kept; under m_scannerSwapLock. A homing polled across a swap is not the
    // new arm's.
    uint64_t m_scannerSwaps = 0;
    // Set while DetectScanners makes its drivers.
    std::atomic<bool> m_detecting{false};
    std::unique_ptr<CSpectrumAnalyzer> m_analyzer;
    const AnalyzerScanSetup* m_scanSetup = nullptr;
    std::function<bool()> m_driverChangeApplying;
    AnalyzerFactory m_analyzerFactory;

    mutable DeviceLock m_deviceLock;
    std::atomic<bool> m_scanRunning{false};
    std::array<ScannerMaker, 4> m_scannerMakers;
    VisaConnectionMaker m_visaConnectionMaker;
    std::function<bool()> m_noScannerFallbackAllowed;
    std::shared_ptr<AttachedScannerAnswers> m_attachedScanner;
    // Atomic: the set-up hands itself over under its own lock, which the measurements take after
    // the device lock.
    std::atomic<const SetupScan*> m_acquisitionSetup{nullptr};
    std::atomic<const ScanStopFlag*> m_stopFlag{nullptr};
    std::shared_ptr<const CSecondPassSource> m_secondPass;

    bool IsStopRequested() const;
    // Writes the cell into the scanner; false (scanner-ready cleared) without a scanner.
    bool PlaceProbe(int16_t row, int16_t column, int16_t height);
    // Peak measurements start alike: flags raised, then (for a given cell) the probe placed at its
    // height and switched in. False when the scanner is missing or refuses the switch.
    bool BeginPeakMeasurement(int16_t row, int16_t column, int16_t height);
    bool StoreAnalyzerTrace();

    // What the pattern and chunk routines share.
    // Under the device lock: the acquisition set-up when it, the analyser and (when asked) the
    // scanner are there; otherwise read-ok cleared and null, so no routine reads a missing device.
    const SetupScan* SetupForSpatialRoutine(bool needScanner = false);
    struct ChunkPlan;
    bool ScanCellChunks(RunScan* runner, const ChunkPlan& plan);
    // What a pattern routine opens with, held for its length.
    struct PatternRun;
    // The pattern routines' common opening: the device lock, the set-up (with the analyser, and the
    // scanner when asked), its grid and probe-cell map; then `fits` (the routine's own checks of the
    // set-up and the analyser: false clears read-ok; it may also set the scanner up and put other
    // cells in run.cells) and OpenPattern over run.cells. False when any step fails.
    template <class Fits> bool BeginPattern(PatternRun& run, bool needScanner, Fits fits);
    // Probe height, the bitmap of the map's active cells to the scanner, and the scanner's height
    // table; the per-cell array zeroed. False (scanner-ready cleared) without a scanner.
    bool OpenPattern(const ScanGrid& grid, std::span<const uint8_t> map);
    // The trace just swept, when it holds at least `needed` values; otherwise read-ok cleared, null.
    const float* ReadTraceHolding(uint64_t needed);
    // Stores the per-cell array as the result (when the analyser's last read succeeded).
    bool FinishCells();
    bool TriggerSweep();
    bool ScanProbeGroups(bool fast, uint16_t frequencyIndex, uint16_t frequencyCount);
    void Pause(std::chrono::milliseconds duration) const;
    static void Progress(RunScan* runner, uint32_t total, uint32_t done);

    std::vector<float> m_cells;
    std::vector<uint8_t> m_pattern;
    std::vector<int16_t> m_cellHeights;
};

} // namespace orv
