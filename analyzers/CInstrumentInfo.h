#pragma once

#include "analyzers/ProbeType.h"
#include "analyzers/SupportedAnalyzerInfo.h"

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// The application-wide instrument state that the whole program reads: the table of supported
// analysers, the selected analyser and probe type, the detected probe types, the connection flags
// that the connection thread and the status bar share, and the program's version numbers.
//
// The user-interface thread, the connection thread and the engine's threads all reach it, so the
// texts, the detected list and the table sit behind the object's lock and are handed out as copies;
// the numbers and flags are atomic.
class CInstrumentInfo {
public:
    // The scanner kind of the robot-arm scanner.
    static constexpr int32_t kScannerKindRobotArm = static_cast<int32_t>(eProbeType::RobotArm);
    // The selected analyser ID while none is selected.
    static constexpr int32_t kNoAnalyzerSelected = -1;
    // The number of rows BuildSupportedAnalyzerTable makes.
    static constexpr size_t kSupportedAnalyzerCount = 42;
    // The stored-file version every stored file carries today.
    static constexpr int32_t kInitialStoredFileVersion = 11;
    // The blind-spot pass mode the instrument starts with.
    static constexpr int32_t kInitialBlindSpotPassMode = 3;

    CInstrumentInfo();
    CInstrumentInfo(const CInstrumentInfo&) = delete;
    CInstrumentInfo& operator=(const CInstrumentInfo&) = delete;

    // The running program's version a.b.c.d, compiled in.
    std::array<uint16_t, 4> GetProgramVersion() const { return m_programVersion; }

    // The version of the stored file opened last (11 until a file is opened).
    int32_t GetStoredFileVersion() const { return m_storedFileVersion.load(); }
    void SetStoredFileVersion(int32_t version) { m_storedFileVersion.store(version); }

    // The program's folder (the executable's, from the start); the correction and compensation
    // folders lie in it.
    std::string GetApplicationFolder() const;
    void SetApplicationFolder(std::string folder);

    // The scan head in use, as the scan set-up and the scan description name it ("name,...").
    std::string GetScanHeadText() const;
    void SetScanHeadText(std::string text);

    // The selected probe type (the kind of scanner); kScannerKindRobotArm is the robot arm. The
    // scanner kind and the probe type are one field seen through two names.
    int32_t GetScannerKind() const { return m_scannerKind.load(); }
    void SetScannerKind(int32_t kind) { m_scannerKind.store(kind); }
    eProbeType GetProbeType() const { return static_cast<eProbeType>(m_scannerKind.load()); }
    void SetProbeType(eProbeType type) { m_scannerKind.store(static_cast<int32_t>(type)); }

    // Each scanner kind that answered during detection, once, in the order they answered.
    void AddDetectedProbeType(eProbeType type);
    std::vector<eProbeType> GetDetectedProbeTypes() const;

    // The instruments' status-bar text.
    std::string GetStatusText() const;
    void SetStatusText(std::string text);

    // The identity reply of the connected analyser, as the application frame shows it.
    std::string GetAnalyzerIdentityText() const;
    void SetAnalyzerIdentityText(std::string text);

    // The analyser the user chose; kNoAnalyzerSelected while none is.
    int32_t GetSelectedAnalyzerID() const { return m_selectedAnalyzerID.load(); }
    void SetSelectedAnalyzerID(int32_t id) { m_selectedAnalyzerID.store(id); }

    // Connection flags, each written by one side and read by the other.
    bool IsScannerConnected() const { return m_scannerConnected.load() != 0; }
    void SetScannerConnected(bool on) { m_scannerConnected.store(on ? 1 : 0); }
    bool IsAnalyzerConnected() const { return m_analyzerConnected.load() != 0; }
    void SetAnalyzerConnected(bool on) { m_analyzerConnected.store(on ? 1 : 0); }
    // Set by the connection thread before it asks the engine for the analyser's identity, cleared
    // when the answer arrives.
    bool IsAnalyzerQueryPending() const { return m_analyzerQueryPending.load() != 0; }
    void SetAnalyzerQueryPending(bool on) { m_analyzerQueryPending.store(on ? 1 : 0); }
    // Set when the engine confirmed the analyser's driver.
    bool IsAnalyzerDriverSet() const { return m_analyzerDriverSet.load() != 0; }
    void SetAnalyzerDriverSet(bool on) { m_analyzerDriverSet.store(on ? 1 : 0); }

    int32_t GetSpare() const { return m_spare.load(); }
    void SetSpare(int32_t value) { m_spare.store(value); }

    // Fills the table of supported analysers; a second call replaces the rows, never repeats them.
    void BuildSupportedAnalyzerTable();
    std::vector<_SupportedAnalyzerInfo> GetSupportedAnalyzers() const;
    // The first row with this analyser ID (or driver ID) is copied into `row`; false, with `row`
    // untouched, when no row has it.
    bool FindAnalyzerByID(int32_t analyzerID, _SupportedAnalyzerInfo& row) const;
    bool FindAnalyzerByDriverID(int32_t driverID, _SupportedAnalyzerInfo& row) const;

    // The DC-coupling message that names a contact address after the maker; with an empty address
    // it is the plain message.
    static std::string DcMessageWithContact(std::string_view contactAddress);

    // How the passes of a live blind-spot reduction scan are listed: with Zelt data and a mode above
    // 2 each pass is an ordinary scan; otherwise the first pass waits for the second and the two are
    // listed as one. Read by the scan workers, set by the instrument state.
    int32_t GetBlindSpotPassMode() const { return m_blindSpotPassMode.load(); }
    void SetBlindSpotPassMode(int32_t mode) { m_blindSpotPassMode.store(mode); }

private:
    template <class Matches> bool FindRow(Matches matches, _SupportedAnalyzerInfo& row) const;

    mutable std::mutex m_textLock; // the texts, the detected list and the table
    std::string m_statusText;
    std::string m_applicationFolder;
    std::string m_scanHeadText;
    std::string m_analyzerIdentityText;
    std::atomic<int32_t> m_blindSpotPassMode{kInitialBlindSpotPassMode};
    std::atomic<int32_t> m_selectedAnalyzerID{kNoAnalyzerSelected};
    std::atomic<int32_t> m_scannerKind{0};
    std::vector<eProbeType> m_detectedProbeTypes;
    std::atomic<uint8_t> m_scannerConnected{0};
    std::atomic<uint8_t> m_analyzerConnected{0};
    std::atomic<uint8_t> m_analyzerQueryPending{0};
    std::atomic<uint8_t> m_analyzerDriverSet{0};
    std::vector<_SupportedAnalyzerInfo> m_supportedAnalyzers;
    const std::array<uint16_t, 4> m_programVersion;
    std::atomic<int32_t> m_storedFileVersion{kInitialStoredFileVersion};
    std::atomic<int32_t> m_spare{0};
};

// The one instrument state of the process, made on first use (thread-safe) and kept to the end.
CInstrumentInfo& GetInstrumentInfo();

} // namespace orv
