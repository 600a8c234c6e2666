#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

namespace orv {

// The application-wide instrument state that the model side reads from everywhere. This form holds
// the facts the core stores and the scanner context ask for; the analyser control side adds its
// table of supported analysers and the connection flags.
//
// The texts may be set on the user-interface thread while a scan worker reads them, so they are
// handed out as copies under a lock; the numbers are atomic.
class CInstrumentInfo {
public:
    // The scanner kind of the robot-arm scanner.
    static constexpr int32_t kScannerKindRobotArm = 2;
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

    // The selected probe type (the kind of scanner); kScannerKindRobotArm is the robot arm.
    int32_t GetScannerKind() const { return m_scannerKind.load(); }
    void SetScannerKind(int32_t kind) { m_scannerKind.store(kind); }

    // How the passes of a live blind-spot reduction scan are listed: with Zelt data and a mode above
    // 2 each pass is an ordinary scan; otherwise the first pass waits for the second and the two are
    // listed as one. Read by the scan workers, set by the instrument state.
    int32_t GetBlindSpotPassMode() const { return m_blindSpotPassMode.load(); }
    void SetBlindSpotPassMode(int32_t mode) { m_blindSpotPassMode.store(mode); }

private:
    const std::array<uint16_t, 4> m_programVersion;
    std::atomic<int32_t> m_storedFileVersion{kInitialStoredFileVersion};
    mutable std::mutex m_textLock;
    std::string m_applicationFolder;
    std::string m_scanHeadText;
    std::atomic<int32_t> m_scannerKind{0};
    std::atomic<int32_t> m_blindSpotPassMode{kInitialBlindSpotPassMode};
};

// The one instrument state of the process, made on first use (thread-safe) and kept to the end.
CInstrumentInfo& GetInstrumentInfo();

} // namespace orv
