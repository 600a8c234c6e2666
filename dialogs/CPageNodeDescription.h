#pragma once

// "Description": the node's name and its free-text description. Both are kept as the project file
// keeps texts: Windows-1252 (characters it lacks become "?"), at most 65,535 bytes each, since the
// file's 16-bit text length holds no more; a longer text is refused and nothing is written. Line
// breaks of the description are stored as carriage return and line feed.

#include "dialogs/CPropertyPage.h"

#include <cstddef>

class QLineEdit;
class QPlainTextEdit;

namespace orv {

class QNodeMediator;

class CPageNodeDescription : public CPropertyPage {
public:
    static constexpr int kNameEdit = 1093;
    static constexpr int kDescriptionEdit = 1094;
    static constexpr const char* kCaption = "Description";
    static constexpr const char* kTooLongText = "The text is too long.";
    static constexpr const char* kErrorCaption = "Error";
    static constexpr std::size_t kMaxTextBytes = 65535;

    explicit CPageNodeDescription(QNodeMediator& mediator);
    ~CPageNodeDescription() override;

    bool OnInitDialog() override;
    bool OnApply() override;
    // Nothing on this page waits for a scan's end.
    void EnableControls(bool /*enable*/) override {}

    QWidget* GetControl(int id) const;

private:
    QNodeMediator* m_pMediator;
    bool m_filling = false;
    QLineEdit* m_name;
    QPlainTextEdit* m_description;
};

} // namespace orv
