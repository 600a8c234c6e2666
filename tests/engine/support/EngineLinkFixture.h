#pragma once

// The client's half of the engine link for tests: frames written into a transfer pipe's
// engine-bound queue and replies cut from its client-bound queue, set-up bodies built by hand in
// the engine's layout, a scripted device set, and a capture of the log.

#include "engine/CEngineDevices.h"
#include "engine/CTransferPipe.h"
#include "platform/log/InformationLog.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace orv {
class QSetupScanCommand;
}

namespace orv::test {

using Bytes = std::vector<uint8_t>;

struct ReplyFrame {
    uint16_t id = 0;
    Bytes body;
};

Bytes Frame(uint16_t id, const Bytes& body = {});
Bytes ClientFrame(const QSetupScanCommand& command);
Bytes LittleEndian16(uint16_t value);
Bytes LittleEndian32(uint32_t value);

template <typename T> T ValueAt(const Bytes& bytes, std::size_t offset) {
    T value{};
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

// A set-up body in the engine's layout (3RC + 98 bytes, or 3RC + 86 without the extended group),
// with recognisable values; cells in the map alternate on and off.
struct SetupBodySpec {
    uint16_t scanType = 99;
    int16_t rows = 2;
    int16_t columns = 3;
    int16_t rowsAgain = 2;
    int16_t columnsAgain = 3;
    bool extendedGroup = true;
    uint32_t padding = 2; // the client's two bytes that carry no field
};
Bytes SetupBody(const SetupBodySpec& spec);
// Offset of the field group after the grids (T in the engine's table).
inline std::size_t SetupTail(int rows, int columns) {
    return 10 + 3 * static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
}

// Writes all bytes into the engine-bound queue.
void WriteAll(CTransferPipe& pipe, const Bytes& bytes);
// Cuts every whole frame the client-bound queue holds now (bytes of a partial frame are kept in
// `pending`).
std::vector<ReplyFrame> ReadFrames(CTransferPipe& pipe, Bytes& pending);
// Waits (bounded) until `count` frames came; returns those that came.
std::vector<ReplyFrame> WaitForFrames(CTransferPipe& pipe, std::size_t count,
                                      std::chrono::milliseconds timeout, Bytes& pending);

// Collects the log's lines (their text, without the stamp) while it lives.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> Lines() const;
    bool Has(const std::string& text) const;
    void Clear();

private:
    mutable std::mutex m_lock;
    std::vector<std::string> m_lines;
    InformationLog::Sink m_previous;
};

// A scripted device set that records what the engine asked of it.
class FakeEngineDevices final : public CEngineDevices {
public:
    // Scanner.
    bool scanner = true;
    std::optional<Bytes> scannerType;
    std::optional<Bytes> adaptorEid;
    std::optional<Bytes> firmware;
    // Analyser.
    bool setupResult = true;
    bool driverResult = true;
    std::optional<uint32_t> restoredModelCode; // written back on a failed driver change
    AnalyzerSetupState analyzerState;
    std::optional<std::string> identity;
    CSpectrumAnalyzer* analyzer = nullptr;
    // Set-up steps to report through the endpoint while setting up.
    std::vector<std::string> setupSteps;

    std::atomic<int> reconnects{0};
    std::atomic<int> beginScans{0};
    std::atomic<int> endScans{0};
    std::atomic<int> extraHooks{0};
    std::atomic<int> setups{0};
    std::vector<std::pair<uint16_t, uint16_t>> switchedCells;

    bool HasScanner() const override { return scanner; }
    void ReconnectScannerIfNeeded() override { ++reconnects; }
    bool ReadScannerType(std::vector<uint8_t>& reply) override { return Answer(scannerType, reply); }
    bool ReadAdaptorEID(std::vector<uint8_t>& reply) override { return Answer(adaptorEid, reply); }
    bool ReadFirmwareVersion(std::vector<uint8_t>& reply) override { return Answer(firmware, reply); }
    bool SwitchToCell(uint16_t row, uint16_t column) override {
        switchedCells.emplace_back(row, column);
        return true;
    }
    bool BeginScan() override {
        ++beginScans;
        return true;
    }
    bool EndScan() override {
        ++endScans;
        return true;
    }
    bool SetAnalyzerDriver(std::array<uint32_t, 4>& words) override {
        if (!driverResult && restoredModelCode) {
            words[0] = *restoredModelCode;
        }
        return driverResult;
    }
    CSpectrumAnalyzer* GetAnalyzer() const override { return analyzer; }
    bool SetupInstrument(SetupScan& setup, CSetupStepReporter& reporter) override;
    AnalyzerSetupState GetAnalyzerSetupState() const override { return analyzerState; }
    std::optional<std::string> QueryAnalyzerIdentity() override { return identity; }
    void AnalyzerExtraHook() override { ++extraHooks; }
    void SetScanRunning(bool running) override { scanRunning.store(running); }
    std::atomic<bool> scanRunning{false};

private:
    static bool Answer(const std::optional<Bytes>& answer, std::vector<uint8_t>& reply) {
        if (!answer) {
            return false;
        }
        reply = *answer;
        return true;
    }
};

} // namespace orv::test
