#pragma once

// "Scanner Type" of the Preferences sheet: the scan-head types the machine settings describe under
// "SOFTWARE\QZV Technologies\Scan Heads Info", the one in use with its description, and "Set Scanner
// Type", which selects the chosen type's probe type, has the connection thread connect the scanner
// anew and waits up to 60 seconds for it before the new scanner gets the type's value. The page
// commits nothing on Apply.

#include "dialogs/CPropertyPage.h"

#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace orv {

class QNodeMediator;
class QUIBBStateController;

// One value of the scan-head types' key: its name is the scanner's type word, its data
// "<probe type code>,<name>,<description>".
struct ScanHeadTypeRecord {
    uint32_t m_ScannerTypeValue = 0;
    int32_t m_ProbeTypeCode = 0;
    std::string m_Name;
    std::string m_Description;
};

class CPagePreferenceScannerType : public CPropertyPage {
public:
    static constexpr int kCurrentId = 1219;
    static constexpr int kComboId = 1220;
    static constexpr int kSetId = 1221;
    static constexpr int kListId = 1222;
    static constexpr int kProgressId = 1243;
    static constexpr int kWaitTicks = 600;
    static constexpr int kScanningState = 12;
    static constexpr const char* kScanHeadsKey = "SOFTWARE\\QZV Technologies\\Scan Heads Info";
    // The registry's buffers for a value's name and data, with the terminating zero.
    static constexpr std::size_t kValueBuffer = 1024;

    explicit CPagePreferenceScannerType(QNodeMediator& mediator);
    ~CPagePreferenceScannerType() override;

    bool OnInitDialog() override;
    // Nothing on this page waits for a scan's end.
    void EnableControls(bool /*enable*/) override {}

    // The records of the machine settings' key, in its order (none when the key is missing).
    static std::vector<ScanHeadTypeRecord> ReadScanHeadTypes();
    // One value's record; none when its name is not a type word (a decimal number of 16 bits).
    static bool ParseScanHeadType(const std::string& valueName, const std::string& data,
                                  ScanHeadTypeRecord& record);
    // The list's items for a probe type code: name and description of each record of that code, or
    // "Invalid Scanner Type" alone below code 1.
    std::vector<std::string> ListItemsFor(int32_t probeTypeCode) const;

    void OnSelectionChanged();
    void OnSetScannerType();

    const std::vector<ScanHeadTypeRecord>& GetRecords() const { return m_records; }
    QComboBox& GetCombo() const { return *m_combo; }
    QLineEdit& GetCurrentEdit() const { return *m_current; }
    QListWidget& GetList() const { return *m_list; }
    QPushButton& GetSetButton() const { return *m_set; }
    QProgressBar& GetProgress() const { return *m_progress; }

private:
    void FillList(int32_t probeTypeCode);
    const ScanHeadTypeRecord* FindByName(const std::string& name) const;
    void UpdateSetButton();

    QNodeMediator* m_pMediator;
    QUIBBStateController* m_pController = nullptr;
    std::vector<ScanHeadTypeRecord> m_records;
    QLineEdit* m_current;
    QPushButton* m_set;
    QComboBox* m_combo;
    QListWidget* m_list;
    QProgressBar* m_progress;
};

} // namespace orv
