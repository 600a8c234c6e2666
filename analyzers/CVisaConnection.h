#pragma once

// The connection to an SCPI analyser through the VISA library: loads the library, searches its
// resources, tries them in the order of the per-user priority file ("analyser_priority.txt", most
// recently connected first) and keeps the first whose identity names a supported analyser. Drivers
// copy its session and its entry points.
//
// With the start-up switch "-NoSA" a search that finds nothing (or a missing library) still
// succeeds, with the placeholder session -900 that the placeholder analyser answers for. No VISA
// call is made through a missing entry point or on session 0: such a call fails with an error
// status.

#include "analyzers/AnalyzerScanSetup.h"
#include "analyzers/CSAConnection.h"
#include "platform/visa/VisaEntryPoints.h"
#include "platform/visa/VisaLibrary.h"

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

class CVisaConnection : public CSAConnection {
public:
    // The session that stands for "no analyser" (the placeholder analyser binds to it).
    static constexpr visa::Session kPlaceholderSession = static_cast<visa::Session>(-900);
    static constexpr size_t kMaxResources = 15;
    static constexpr size_t kMaxResourceNameLength = 256;
    static constexpr uint32_t kIdentityReadSize = 2560;
    static constexpr const char* kPriorityFileName = "analyser_priority.txt";

    using LibraryLoader = std::function<std::unique_ptr<visa::VisaLibrary>(std::string_view name)>;

    CVisaConnection();
    // Loads through `loader` in place of the platform's (tests: a missing library).
    explicit CVisaConnection(const LibraryLoader& loader);
    ~CVisaConnection() override;

    std::string QueryIdentity() override;
    bool CheckStatus() override;
    bool DetectAndConnect() override;
    bool SetupConnection(const std::string& resource) override;

    void CloseSessions();
    // ms > 0 saves the current time-out and sets ms; ms <= 0 restores the saved one.
    void SetTimeout(int32_t ms);

    // The set-up whose teardown flag guards the closing of sessions (null: never tearing down).
    void SetScanSetup(const AnalyzerScanSetup* setup) { m_scanSetup = setup; }

    bool IsLibraryLoaded() const { return m_libraryLoaded; }
    const visa::VisaEntryPoints& GetEntryPoints() const { return m_vi; }
    visa::Session GetSession() const { return m_session; }
    visa::Session GetResourceManagerSession() const { return m_resourceManager; }
    visa::Status GetLastStatus() const { return m_lastStatus; }
    // The resources of the last search, in search order.
    std::vector<std::string> GetDetectedResources() const;
    std::string GetIdentityText() const { return m_identity; }
    bool IsTcpip() const { return m_isTcpip; }
    const std::string& GetNetworkAddress() const { return m_networkAddress; }

    // The priority file in the per-user data folder.
    static std::string PriorityFilePath();
    // The resource names of a priority file's text: lines ended by LF (a CR before it dropped),
    // empty lines and lines over 256 characters left out.
    static std::vector<std::string> ParsePriorityText(std::string_view text);

private:
    bool IsTearingDown() const { return m_scanSetup != nullptr && m_scanSetup->IsTearingDown(); }
    // A VISA call may be made on the instrument session.
    bool HasInstrumentSession() const;
    bool DetectResources();
    std::vector<std::string> ReadPriorityList() const;
    void WritePriorityList(const std::vector<std::string>& resources) const;
    void CloseInstrumentSession();

    visa::Session m_resourceManager = visa::kNoSession;
    visa::Session m_session = visa::kNoSession;
    visa::Status m_lastStatus = visa::kSuccess;
    std::array<std::string, kMaxResources> m_resources;
    std::string m_identity;
    bool m_isTcpip = false;
    std::string m_networkAddress;
    bool m_libraryLoaded = false;
    std::unique_ptr<visa::VisaLibrary> m_library;
    uint32_t m_savedTimeout = 10000;
    visa::VisaEntryPoints m_vi;
    const AnalyzerScanSetup* m_scanSetup = nullptr;
};

} // namespace orv
