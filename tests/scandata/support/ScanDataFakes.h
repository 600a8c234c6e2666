#pragma once

#include "platform/log/InformationLog.h"
#include "scandata/QScanDataMediator.h"

#include <cstdint>
#include <string>
#include <vector>

namespace orv::testing {

// A node mediator as the display-side scan data see it, with settings the test chooses.
class FakeScanDataMediator : public QScanDataMediator {
public:
    uint16_t GetNodeTypeId() const override { return m_NodeTypeId; }
    bool GetCompensationSettings(QScanCompensationSettings& out) const override {
        if (!m_HasPreferences) {
            return false;
        }
        out = m_Settings;
        return true;
    }
    int GetSpatialDisplayUnit() const override { return m_SpatialUnit; }
    int GetSpectralDisplayUnit() const override { return m_SpectralUnit; }

    uint16_t m_NodeTypeId = 2004;
    bool m_HasPreferences = true;
    QScanCompensationSettings m_Settings;
    int m_SpatialUnit = 0;
    int m_SpectralUnit = 0;
};

// Collects the texts of the information log lines while it lives.
class LogCapture {
public:
    LogCapture() {
        m_previous = InformationLog::Instance().SetSink(
            [this](uint8_t, const std::string& line) { m_lines.push_back(line); });
    }
    ~LogCapture() { InformationLog::Instance().SetSink(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // How many lines end with the text.
    int Count(const std::string& text) const {
        int count = 0;
        for (const std::string& line : m_lines) {
            if (line.size() >= text.size() &&
                line.compare(line.size() - text.size(), text.size(), text) == 0) {
                ++count;
            }
        }
        return count;
    }
    const std::vector<std::string>& Lines() const { return m_lines; }

private:
    InformationLog::Sink m_previous;
    std::vector<std::string> m_lines;
};

} // namespace orv::testing
