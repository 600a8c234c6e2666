#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace orv {

class QAttachedScannerSource;

// One label of the scan-head grid; marked labels are drawn emphasised on the axes.
struct QGridLabel {
    std::string m_text;
    bool m_marked = false;
};

// The grid labels of the scan head and the identity of the connected scanner.
class QScannerContext {
public:
    static constexpr int32_t kColumnLabelCount = 42;
    static constexpr int32_t kRowLabelCount = 29;
    // The scanner id of the robot-arm scanner, and the height answered for every other scanner.
    static constexpr int32_t kArmScannerId = 200;
    static constexpr int32_t kDefaultArmMaxHeight = 5;
    // The longest part of a dotted version text.
    static constexpr size_t kMaxVersionPartLength = 9;

    QScannerContext();
    QScannerContext(const QScannerContext&) = delete;
    QScannerContext& operator=(const QScannerContext&) = delete;

    int32_t GetScannerId() const { return m_scannerIndex.load() + 1; }
    // Ids come from stored files and instruments: one below 1 is refused (false) and the id stays.
    bool SetScannerId(int32_t id);

    int32_t GetReferenceVersion() const { return m_referenceVersion; }
    // The firmware version packed as a x 1000000 + b x 1000 + c.
    int32_t GetFirmwareVersion() const { return m_firmwareVersion.load(); }
    // Packs a dotted text "a.b.c" into the firmware version. An empty text changes nothing; a text
    // with a part longer than kMaxVersionPartLength, or whose value does not fit in 32 bits, is
    // refused and leaves the version as it was. False when the text changed nothing.
    bool SetVersionFromString(std::string_view text);

    // The connected scanner's adaptor ID and firmware version as its version reply gave them, for
    // the about box; empty until a reply came. Written by the scan state controller's thread.
    void SetIdentityTexts(std::string adaptorId, std::string firmwareVersion);
    std::string GetAdaptorIdText() const;
    std::string GetFirmwareVersionText() const;

    int32_t GetColumnLabelCount() const { return kColumnLabelCount; }
    int32_t GetRowLabelCount() const { return kRowLabelCount; }
    // Index from 0; the index must be below the label count.
    const QGridLabel& GetColumnLabel(int32_t index) const {
        return m_columnLabels.at(static_cast<size_t>(index));
    }
    const QGridLabel& GetRowLabel(int32_t index) const { return m_rowLabels.at(static_cast<size_t>(index)); }

    // For the robot arm (scanner id 200, scanner kind 2 and an arm driver attached, asked through
    // the attached-scanner source, QAttachedScannerSource), the driver's
    // maximum height over the cell; kDefaultArmMaxHeight for every other scanner.
    int32_t GetArmMaxHeightForCell(int32_t row, int32_t column) const;
    // For the robot arm, whether the driver's stored height for the cell is 0; false otherwise.
    bool IsArmCellHeightZero(int32_t row, int32_t column) const;

private:
    // The attached-scanner source when the robot arm is in use; null otherwise.
    std::shared_ptr<const QAttachedScannerSource> ArmSourceInUse() const;

    std::atomic<int32_t> m_scannerIndex{44};
    int32_t m_referenceVersion = 4002007;
    std::atomic<int32_t> m_firmwareVersion{0};
    mutable std::mutex m_identityLock;
    std::string m_adaptorIdText;
    std::string m_firmwareVersionText;
    std::array<QGridLabel, kColumnLabelCount> m_columnLabels;
    std::array<QGridLabel, kRowLabelCount> m_rowLabels;
};

// The one context, made and filled on first use.
QScannerContext& GetScannerContext();
// Frees the context (the main frame, at exit); a later GetScannerContext makes a fresh one.
void DestroyScannerContext();

} // namespace orv
