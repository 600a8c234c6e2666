#include "project/QScanDescription.h"

#include "analyzers/CInstrumentInfo.h"
#include "core/QException.h"
#include "core/QManager.h"
#include "core/QManagerImpl.h"
#include "core/QManagers.h"
#include "core/QScannerContext.h"
#include "orv/Version.h"
#include "platform/CLocale.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <pwd.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace orv {

namespace {

std::atomic<QScanDescriptionSource*> g_installedSource{nullptr};

bool EqualsIgnoringCase(const std::string& left, const char* right) {
    const std::string other(right);
    if (left.size() != other.size()) {
        return false;
    }
    for (size_t i = 0; i < left.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(left[i])) !=
            std::tolower(static_cast<unsigned char>(other[i]))) {
            return false;
        }
    }
    return true;
}

} // namespace

std::optional<std::tm> QSystemScanDescriptionSource::LocalTimeNow() {
    const std::time_t now = std::time(nullptr);
    if (now == static_cast<std::time_t>(-1)) {
        return std::nullopt;
    }
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return std::nullopt;
    }
    return local;
}

std::string QSystemScanDescriptionSource::UserName() {
    long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<size_t>(suggested) : 16384);
    passwd entry{};
    passwd* found = nullptr;
    // Entries with long member lists can need more room than the system suggests.
    int error = 0;
    while ((error = getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
           buffer.size() < (size_t{1} << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (error != 0 || found == nullptr || entry.pw_name == nullptr) {
        return {};
    }
    std::string name(entry.pw_name);
    if (name.size() > kMaxDescriptionUserNameLength) {
        name.resize(kMaxDescriptionUserNameLength);
    }
    return name;
}

QScanDescriptionSource& CurrentScanDescriptionSource() {
    static QSystemScanDescriptionSource systemSource;
    QScanDescriptionSource* installed = g_installedSource.load();
    return installed ? *installed : systemSource;
}

ScopedScanDescriptionSourceInstall::ScopedScanDescriptionSourceInstall(QScanDescriptionSource& source)
    : m_previous(g_installedSource.exchange(&source)) {}

ScopedScanDescriptionSourceInstall::~ScopedScanDescriptionSourceInstall() {
    g_installedSource.store(m_previous);
}

void QScanDescription::PlaceInto(std::array<std::string, 6>& recordTexts) const {
    recordTexts[0] = m_User;
    recordTexts[1] = m_Analyzer;
    recordTexts[2] = m_Version;
    recordTexts[3] = m_Date;
    recordTexts[4] = m_Scanner;
    recordTexts[5] = m_Spare;
}

std::string FormatDescriptionDate(QScanDescriptionSource& source) {
    const std::optional<std::tm> local = source.LocalTimeNow();
    if (!local) {
        throw QException("The local time cannot be read; the scan is not listed.");
    }
    return FormatC("%04d-%02d-%02d,  %02d:%02d:%02d", local->tm_year + 1900, local->tm_mon + 1,
                   local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec);
}

std::string FormatScannerText(const QManager& scanHeads, const QScannerContext& context) {
    return scanHeads.GetName(context.GetScannerId()) +
           FormatC(",  %d x %d", context.GetRowLabelCount(), context.GetColumnLabelCount());
}

std::string FormatAnalyzerText(const QManager& analyzers, const CInstrumentInfo& instrument) {
    const std::string name = analyzers.GetName(instrument.GetSelectedAnalyzerID());
    if (EqualsIgnoringCase(name, kNoNameForID)) {
        return kUnknownAnalyzerText;
    }
    return name + ";   " + instrument.GetAnalyzerIdentityText();
}

std::string FormatVersionText(const std::array<uint16_t, 4>& version, const std::string& platform) {
    return FormatC("%d.%d.%d.%-3d;   %s", static_cast<int>(version[0]), static_cast<int>(version[1]),
                   static_cast<int>(version[2]), static_cast<int>(version[3]), platform.c_str());
}

QScanDescription BuildScanDescription(std::string date, bool realTimeAnalyzerFormat,
                                      QScanDescriptionSource& source, const QManager& scanHeads,
                                      const QManager& analyzers, const CInstrumentInfo& instrument,
                                      const QScannerContext& context, const std::string& platform) {
    QScanDescription description;
    description.m_Date = std::move(date);
    description.m_Scanner = FormatScannerText(scanHeads, context);
    description.m_User = source.UserName();
    if (description.m_User.size() > kMaxDescriptionUserNameLength) {
        description.m_User.resize(kMaxDescriptionUserNameLength);
    }
    description.m_Analyzer = realTimeAnalyzerFormat ? std::string(kRealTimeAnalyzerText)
                                                    : FormatAnalyzerText(analyzers, instrument);
    description.m_Version = FormatVersionText(instrument.GetProgramVersion(), platform);
    return description;
}

QScanDescription BuildScanDescription(std::string date, bool realTimeAnalyzerFormat) {
    return BuildScanDescription(std::move(date), realTimeAnalyzerFormat, CurrentScanDescriptionSource(),
                                GetScanHeadInfoManager(), GetSpectrumAnalyzerInfoManager(),
                                GetInstrumentInfo(), GetScannerContext(), version::kPlatformTag);
}

} // namespace orv
