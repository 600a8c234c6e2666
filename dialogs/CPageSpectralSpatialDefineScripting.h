#pragma once

// "Define Scripts" of a Spectral Spatial Scripting node: the frequency segments the node scans, one
// spectral/spatial scan each, every segment with its own resolution bandwidth. The page edits a copy
// of the node's segments, kept in ascending frequency order with no range starting or ending inside
// another; Apply hands them to the node, which makes its child nodes anew from them.
//
// The row the user clicked is the one Modify and Delete act on. It follows that segment while the
// list is sorted again: after Add it still names the segment it named, after Modify it names the
// segment the user modified (or the one it merged into), after Delete no row is chosen.

#include "dialogs/CPropertyPage.h"
#include "project/QNodeMediator.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace orv {

class CPageSpectralSpatialDefineScripting : public CPropertyPage {
public:
    static constexpr int kStartEdit = 1114;
    static constexpr int kStopEdit = 1115;
    static constexpr int kRbwList = 1116;
    static constexpr int kList = 1117;
    static constexpr int kAdd = 1118;
    static constexpr int kModify = 1119;
    static constexpr int kDelete = 1120;

    static constexpr const char* kCaption = "Define Scripts";
    static constexpr const char* kMissingText = "Missing parameter from input";
    static constexpr const char* kNegativeText = "No support for negative frequency value";
    static constexpr const char* kOrderText = "Stop frequency should be greater than start frequency.";
    static constexpr const char* kOverlapText = "No support for frequency overlap.";
    static constexpr const char* kDeleteQuestion = "Are you going to delete this script ?";
    static constexpr const char* kDeleteCaption = "Delete";
    // The bandwidths a segment may have: the scan pages' list up to 5 MHz.
    static constexpr size_t kRbwCount = 14;

    using Segment = SpectralSpatialScriptsDefinition;

    explicit CPageSpectralSpatialDefineScripting(QNodeMediator& mediator);
    ~CPageSpectralSpatialDefineScripting() override;

    bool OnInitDialog() override;
    bool OnApply() override;
    // The segments can be edited during a scan: they reach the node only by Apply.
    void EnableControls(bool /*enable*/) override {}

    void OnAdd();
    void OnModify();
    void OnDelete();
    // A click on the list: the clicked row goes into the edits.
    void OnListClicked();

    const std::vector<Segment>& GetSegments() const { return m_segments; }
    // The row Modify and Delete act on; -1 when none is chosen.
    int32_t GetSelectedRow() const { return m_nSelectedRow; }
    QWidget* GetControl(int id) const;

private:
    struct Insertion {
        bool changed = false;
        // Where the segment with the range now stands.
        int32_t position = -1;
        // The segment of the same range that was replaced, -1 when none.
        int32_t removed = -1;
    };

    void BuildControls();
    void RebuildList();
    // The typed segment after the checks that Add and Modify share (a refusal was shown when false).
    bool ReadInput(bool modifying, float& start, float& stop, std::string& rbwText) const;
    Insertion InsertSegment(float start, float stop, const std::string& rbwText);

    QNodeMediator* m_pMediator;
    std::array<std::pair<std::string, float>, kRbwCount> m_rbwTable{};
    int32_t m_nSelectedRow = -1;
    std::vector<Segment> m_segments;

    QTreeWidget* m_list = nullptr;
    QLineEdit* m_start = nullptr;
    QLineEdit* m_stop = nullptr;
    QComboBox* m_rbw = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_modify = nullptr;
    QPushButton* m_delete = nullptr;
};

} // namespace orv
