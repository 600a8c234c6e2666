#pragma once

#include "platform/msg/MessageTarget.h"
#include "project/QNodeMediator.h"
#include "project/QScanDataExporter.h"
#include "project/QScanDataRecord.h"
#include "tests/project/support/MediatorFakes.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace orv::test {

// Scan nodes with real option sets inside a flat container whose Preferences node the test
// controls, and a temporary folder for the exported files.
class ExportFixture {
public:
    ExportFixture();
    ~ExportFixture();
    ExportFixture(const ExportFixture&) = delete;
    ExportFixture& operator=(const ExportFixture&) = delete;

    std::unique_ptr<QNodeMediator> Make(uint16_t kind);
    QNodeMediator& Preferences() { return *m_preferences; }

    // A record with the six texts, 100..300 MHz, centre 200, RBW 0.1 MHz, a 2 x 3 grid.
    static QScanDataRecord Record(int32_t scanID);

    std::string Path(const std::string& name) const { return (m_folder / name).string(); }
    const std::filesystem::path& Folder() const { return m_folder; }
    static std::string ReadFile(const std::string& path);
    // The file names in the folder.
    std::vector<std::string> Listing() const;
    // Exports scan `scanID` of `node` with `exporter` to "export.txt" in the folder and returns the text.
    std::string Export(QScanDataExporter& exporter, QNodeMediator& node, int32_t scanID);

    MessageThread m_thread;
    FakeNodeContainer m_container;

private:
    std::unique_ptr<QNodeMediator> m_preferences;
    std::filesystem::path m_folder;
};

// Lines joined with CR LF, each ended by it: the form every exported file has.
std::string CrLf(const std::vector<std::string>& lines);

// The lines of `first` followed by those of `second`.
std::vector<std::string> operator+(std::vector<std::string> first, const std::vector<std::string>& second);

// The header lines every scan export of the fixture's record starts with, up to the compensation
// line; the exporter's own kind lines follow.
std::vector<std::string> CommonExportHeader(const std::string& range, const std::string& points,
                                            bool compensated = false);

} // namespace orv::test
