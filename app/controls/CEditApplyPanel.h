#pragma once

// What a CMyEdit needs of the view panels it sits on: when the user presses Enter in the edit, the
// panel applies the values typed into its edits. The spectral and spatial view panels implement it.

namespace orv {

class CEditApplyPanel {
public:
    virtual ~CEditApplyPanel() = default;
    virtual void ApplyEditedFields() = 0;
};

} // namespace orv
