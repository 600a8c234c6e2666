#include "analyzers/CVisaConnection.h"

#include "analyzers/AnalyzerSwitches.h"
#include "analyzers/CInstrumentInfo.h"
#include "platform/CLocale.h"
#include "platform/clock/Clock.h"
#include "platform/fs/AppPaths.h"
#include "platform/fs/FileIo.h"
#include "platform/log/InformationLog.h"
#include "platform/visa/VisaResourceName.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>
#include <unordered_set>

namespace orv {

namespace {

using namespace visa;

// The priority file holds at most a few thousand names; anything larger is not ours.
constexpr uint64_t kMaxPriorityFileBytes = uint64_t{1024} * 1024;
constexpr const char* kResourceExpression = "?*::(INSTR|SOCKET)";

void Log(const std::string& text) {
    AddInformationMessage(1, text);
}

std::unique_ptr<VisaLibrary> LoadPlatformLibrary(std::string_view name) {
    return VisaLibrary::Load(name);
}

} // namespace

CVisaConnection::CVisaConnection() : CVisaConnection(LibraryLoader(LoadPlatformLibrary)) {}

CVisaConnection::CVisaConnection(const LibraryLoader& loader) {
    m_library = loader("visa32.dll");
    if (!m_library) {
        Log("Failed in loading visa32.dll, try to load agvisa32.dll");
        m_library = loader("agvisa32.dll");
    }
    if (!m_library) {
        Log("Failed in loading agvisa32.dll.");
        return;
    }
    auto resolve = [this](const char* name, auto& slot) {
        slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(m_library->FindEntryPoint(name));
    };
    resolve("viOpenDefaultRM", m_vi.viOpenDefaultRM);
    resolve("viOpen", m_vi.viOpen);
    resolve("viClose", m_vi.viClose);
    resolve("viFindRsrc", m_vi.viFindRsrc);
    resolve("viFindNext", m_vi.viFindNext);
    resolve("viSetAttribute", m_vi.viSetAttribute);
    resolve("viGetAttribute", m_vi.viGetAttribute);
    resolve("viRead", m_vi.viRead);
    resolve("viScanf", m_vi.viScanf);
    resolve("viPrintf", m_vi.viPrintf);
    resolve("viFlush", m_vi.viFlush);
    m_libraryLoaded = m_vi.IsComplete();
    if (!m_libraryLoaded) {
        Log("Failed in loading functions in visa32 dll.");
        m_vi = VisaEntryPoints{};
    }
}

CVisaConnection::~CVisaConnection() {
    CloseSessions();
}

bool CVisaConnection::HasInstrumentSession() const {
    return m_libraryLoaded && m_session != kNoSession && m_session != kPlaceholderSession;
}

std::vector<std::string> CVisaConnection::GetDetectedResources() const {
    std::vector<std::string> resources;
    for (const std::string& resource : m_resources) {
        if (resource.empty()) {
            break;
        }
        resources.push_back(resource);
    }
    return resources;
}

void CVisaConnection::CloseInstrumentSession() {
    if (HasInstrumentSession()) {
        m_lastStatus = m_vi.viClose(m_session);
    }
    m_session = kNoSession;
}

void CVisaConnection::CloseSessions() {
    // During the program's teardown the library may already be going: sessions are left to the
    // process's end.
    if (IsTearingDown()) {
        return;
    }
    CloseInstrumentSession();
    if (m_libraryLoaded && m_resourceManager != kNoSession) {
        m_lastStatus = m_vi.viClose(m_resourceManager);
    }
    m_resourceManager = kNoSession;
}

bool CVisaConnection::DetectResources() {
    Log("");
    Log("Try to detect the Analyzer configurations in VISA IO engine.........");
    if (m_resourceManager == kNoSession) {
        m_lastStatus = m_vi.viOpenDefaultRM(&m_resourceManager);
        if (m_lastStatus < 0) {
            m_resourceManager = kNoSession;
            Log("Failed in detecting the Analyzer configurations, can't open the default resource manager");
            Log("");
            return false;
        }
    }
    m_vi.viSetAttribute(m_resourceManager, kAttrVendorManagerOption, 1);
    // The library writes at most 256 bytes; the rest stays zero so a name always ends.
    char name[kFindBufferLength + 1] = {};
    Session findList = kNoSession;
    uint32_t count = 0;
    m_lastStatus = m_vi.viFindRsrc(m_resourceManager, kResourceExpression, &findList, &count, name);
    if (m_lastStatus >= 0 && count > 0) {
        m_resources.fill(std::string());
        size_t found = 0;
        while (true) {
            m_resources[found] = std::string(name, strnlen(name, kMaxResourceNameLength));
            Log(FormatC("VISA connection configuration:  %s", m_resources[found].c_str()));
            ++found;
            if (found >= kMaxResources || found >= count) {
                break;
            }
            std::memset(name, 0, sizeof name);
            if (m_vi.viFindNext(findList, name) < 0) {
                break;
            }
        }
        m_vi.viClose(findList);
        Log("Done in detecting the Analyzer configurations in VISA IO engine.");
        Log("");
        return true;
    }
    Log("No Analyzer configurations are detected in VISA IO engine.");
    if (findList != kNoSession) {
        m_vi.viClose(findList);
    }
    return false;
}

std::string CVisaConnection::PriorityFilePath() {
    return GetUserDataFolder() + "/" + kPriorityFileName;
}

std::vector<std::string> CVisaConnection::ParsePriorityText(std::string_view text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            end = text.size();
        }
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (!line.empty() && line.size() <= kMaxResourceNameLength) {
            lines.emplace_back(line);
        }
        start = end + 1;
    }
    return lines;
}

std::vector<std::string> CVisaConnection::ReadPriorityList() const {
    const std::vector<std::string> detected = GetDetectedResources();
    const std::unordered_set<std::string> detectedSet(detected.begin(), detected.end());
    const std::vector<std::string> remembered =
        ParsePriorityText(ReadWholeFile(PriorityFilePath(), kMaxPriorityFileBytes).value_or(""));
    const std::unordered_set<std::string> rememberedSet(remembered.begin(), remembered.end());
    std::vector<std::string> order;
    for (const std::string& line : remembered) {
        // A remembered resource that is not there now is dropped.
        if (detectedSet.count(line) != 0 && std::find(order.begin(), order.end(), line) == order.end()) {
            order.push_back(line);
        }
    }
    // New resources go in front of the remembered ones, each ahead of those taken before it.
    for (const std::string& resource : detected) {
        if (rememberedSet.count(resource) == 0) {
            order.insert(order.begin(), resource);
        }
    }
    return order;
}

void CVisaConnection::WritePriorityList(const std::vector<std::string>& resources) const {
    std::string text;
    for (const std::string& resource : resources) {
        text += resource + "\n";
    }
    // Written whole or not at all: a failed write keeps the last good list.
    WriteFileAtomically(PriorityFilePath(), text);
}

bool CVisaConnection::DetectAndConnect() {
    if (!m_libraryLoaded) {
        Log("CVisaConnection::DetectAndConnect():: Failed in creating VISA connection.");
        if (IsNoAnalyzerSwitchSet()) {
            m_session = kPlaceholderSession;
            return true;
        }
        return false;
    }
    if (!DetectResources()) {
        if (IsNoAnalyzerSwitchSet()) {
            m_session = kPlaceholderSession;
            return true;
        }
        return false;
    }
    std::vector<std::string> order = ReadPriorityList();
    const auto winner = std::find_if(order.begin(), order.end(), [this](const std::string& resource) {
        return SetupConnection(resource);
    });
    if (winner == order.end()) {
        return false;
    }
    const std::string resource = *winner;
    // The host as the name gives it, whatever the case of the name and with an IPv6 address out of
    // its brackets: the connection thread pings it.
    const std::optional<ResourceNameParts> parts = ParseResourceName(resource);
    m_isTcpip = parts && parts->interfaceType == "TCPIP";
    m_networkAddress = m_isTcpip ? parts->host : std::string();
    order.erase(winner);
    order.insert(order.begin(), resource);
    WritePriorityList(order);
    return true;
}

bool CVisaConnection::SetupConnection(const std::string& resource) {
    Log(FormatC("Start to open connection to VISA by using Connection id = '%s' ", resource.c_str()));
    CloseInstrumentSession();
    if (!m_libraryLoaded || m_resourceManager == kNoSession) {
        m_lastStatus = kErrorInvalidObject;
        Log(FormatC("Failed in opening connection to VISA,  ErrID=%d", m_lastStatus));
        return false;
    }
    try {
        m_lastStatus = m_vi.viOpen(m_resourceManager, resource.c_str(), 0, 0, &m_session);
    } catch (...) {
        Log("CVisaConnection::SetupConnection()---try-catch.");
        m_session = kNoSession;
        return false;
    }
    if (m_lastStatus < 0) {
        Log(FormatC("Failed in opening connection to VISA,  ErrID=%d", m_lastStatus));
        m_session = kNoSession;
        return false;
    }
    Log(FormatC("Successful in opening connection to VISA based on connection id = '%s' ", resource.c_str()));
    Log("");
    m_lastStatus = m_vi.viSetAttribute(m_session, kAttrReadBufferMode, 1);
    if (m_lastStatus >= 0) {
        m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTimeoutValue, 5000);
    }
    // A raw socket has no message ends of its own: every SOCKET name reads to the line feed.
    const std::optional<ResourceNameParts> parts = ParseResourceName(resource);
    if (m_lastStatus >= 0 && parts && parts->resourceClass == "SOCKET") {
        m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTermCharEnabled, 1);
    }
    if (m_lastStatus < 0) {
        // A session that could not be set up is not left open.
        CloseInstrumentSession();
        return false;
    }
    const std::string identity = QueryIdentity();
    for (const _SupportedAnalyzerInfo& row : GetInstrumentInfo().GetSupportedAnalyzers()) {
        if (identity.find(row.m_MatchKey) != std::string::npos) {
            return true;
        }
    }
    Log(FormatC("Connection '%s' ID is '%s'. Not supported instrument ", resource.c_str(), identity.c_str()));
    Log("");
    m_identity.clear();
    CloseInstrumentSession();
    return false;
}

std::string CVisaConnection::QueryIdentity() {
    if (m_session == kPlaceholderSession) {
        m_identity = "Null,Null,Null,Null";
        return m_identity;
    }
    m_identity.clear();
    if (!HasInstrumentSession()) {
        m_lastStatus = kErrorInvalidObject;
        return m_identity;
    }
    m_lastStatus = m_vi.viPrintf(m_session, "*IDN?\n");
    if (m_lastStatus < 0) {
        return m_identity;
    }
    ClockSleep(std::chrono::milliseconds(100));
    std::vector<unsigned char> reply(kIdentityReadSize);
    uint32_t returned = 0;
    m_lastStatus = m_vi.viRead(m_session, reply.data(), kIdentityReadSize, &returned);
    // The reply is taken by its count; what did not fit is discarded with the rest of the reply.
    m_vi.viFlush(m_session, kFlushReadBuffer);
    m_vi.viFlush(m_session, kFlushWriteBuffer);
    std::string_view text(reinterpret_cast<const char*>(reply.data()), std::min(returned, kIdentityReadSize));
    // The first line, without its line end.
    if (const size_t lineEnd = text.find('\n'); lineEnd != std::string_view::npos) {
        text = text.substr(0, lineEnd);
    }
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.remove_suffix(1);
    }
    m_identity = std::string(text);
    return m_identity;
}

bool CVisaConnection::CheckStatus() {
    if (!HasInstrumentSession()) {
        m_lastStatus = kErrorInvalidObject;
        return false;
    }
    m_lastStatus = m_vi.viPrintf(m_session, ":SYST:ERR?;\n");
    if (m_lastStatus < 0) {
        return false;
    }
    int32_t error = 0;
    m_lastStatus = m_vi.viScanf(m_session, "%d", &error);
    if (m_lastStatus < 0) {
        return false;
    }
    m_lastStatus = m_vi.viFlush(m_session, kFlushReadBuffer);
    if (m_lastStatus < 0) {
        return false;
    }
    m_lastStatus = m_vi.viFlush(m_session, kFlushWriteBuffer);
    return m_lastStatus >= 0;
}

void CVisaConnection::SetTimeout(int32_t ms) {
    if (!HasInstrumentSession()) {
        m_lastStatus = kErrorInvalidObject;
        return;
    }
    if (ms > 0) {
        uint32_t current = 0;
        m_lastStatus = m_vi.viGetAttribute(m_session, kAttrTimeoutValue, &current);
        m_savedTimeout = m_lastStatus < 0 ? 10000 : current;
        m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTimeoutValue, static_cast<AttrState>(ms));
    } else {
        m_lastStatus = m_vi.viSetAttribute(m_session, kAttrTimeoutValue, m_savedTimeout);
    }
}

} // namespace orv
