#pragma once

// The six texts that describe a scan as it arrives: when, with which scan head and grid, by whom,
// with which analyser and with which program version. The date is read where the scan arrives (the
// data worker); the other texts are made on the user-interface thread, which owns the catalogues
// and the instrument state's selection.

#include <array>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

namespace orv {

class CInstrumentInfo;
class QManager;
class QScannerContext;

// Where the local time and the user's name come from; tests give their own.
class QScanDescriptionSource {
public:
    virtual ~QScanDescriptionSource() = default;
    // The local time now; empty when it cannot be read or converted.
    virtual std::optional<std::tm> LocalTimeNow() = 0;
    // The name of the user the program runs as; empty when it cannot be read.
    virtual std::string UserName() = 0;
};

// The operating system's clock and password database (the real user ID's entry).
class QSystemScanDescriptionSource final : public QScanDescriptionSource {
public:
    std::optional<std::tm> LocalTimeNow() override;
    std::string UserName() override;
};

// The process-wide source: the installed one, else the system's.
QScanDescriptionSource& CurrentScanDescriptionSource();

// Installs a source while the object lives (tests only: before the threads that read it start).
class ScopedScanDescriptionSourceInstall {
public:
    explicit ScopedScanDescriptionSourceInstall(QScanDescriptionSource& source);
    ~ScopedScanDescriptionSourceInstall();
    ScopedScanDescriptionSourceInstall(const ScopedScanDescriptionSourceInstall&) = delete;
    ScopedScanDescriptionSourceInstall& operator=(const ScopedScanDescriptionSourceInstall&) = delete;

private:
    QScanDescriptionSource* m_previous;
};

// The longest user name kept: what fits a 1026-byte zero-filled buffer with its terminator.
inline constexpr size_t kMaxDescriptionUserNameLength = 1025;
// The analyser text of spectral data received in the real-time analyser's point format.
inline constexpr const char* kRealTimeAnalyzerText = "think RF";
inline constexpr const char* kUnknownAnalyzerText = "Unknown or no supported analyzer.";

// The six texts in the order they describe a scan.
struct QScanDescription {
    std::string m_Date;
    std::string m_Scanner;
    std::string m_User;
    std::string m_Analyzer;
    std::string m_Version;
    std::string m_Spare;

    // Into a scan record's texts, whose order is user, analyser, version, date, scan head, spare
    // (the order a saved scan stores them in).
    void PlaceInto(std::array<std::string, 6>& recordTexts) const;
};

// "yyyy-mm-dd,  hh:mm:ss" of the source's local time. Throws QException when the time cannot be
// read, before anything else is made.
std::string FormatDescriptionDate(QScanDescriptionSource& source);

// The scan head's name for the connected scanner's ID, then ",  <rows> x <columns>" of the grid.
std::string FormatScannerText(const QManager& scanHeads, const QScannerContext& context);
// The selected analyser's name, then ";   " and the identity the analyser gave; an analyser the
// catalogue does not know gives kUnknownAnalyzerText.
std::string FormatAnalyzerText(const QManager& analyzers, const CInstrumentInfo& instrument);
// "a.b.c.d;   <platform>", the fourth number left-aligned in three places.
std::string FormatVersionText(const std::array<uint16_t, 4>& version, const std::string& platform);

// Texts 2 to 6 beside an already made date. `realTimeAnalyzerFormat` is set for spectral data that
// came as the real-time analyser's 12-byte points.
QScanDescription BuildScanDescription(std::string date, bool realTimeAnalyzerFormat,
                                      QScanDescriptionSource& source, const QManager& scanHeads,
                                      const QManager& analyzers, const CInstrumentInfo& instrument,
                                      const QScannerContext& context, const std::string& platform);

// The same with the process's catalogues, instrument state, scanner context, source and the
// platform tag compiled in.
QScanDescription BuildScanDescription(std::string date, bool realTimeAnalyzerFormat);

} // namespace orv
