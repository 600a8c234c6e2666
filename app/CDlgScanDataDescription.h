#pragma once

// The scan-data description dialog as the views and the scan-data list open it: one scan of a node,
// the pane or tab it is shown in (0 the test or upper scan, 1 the reference or lower scan) and the
// window it belongs to, run modally. The dialog itself is made by the maker its library installs at
// start; without one the request is logged and nothing is shown.
//
// User-interface thread only.

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace orv {

class QNodeMediator;

class CDlgScanDataDescription {
public:
    using Maker = std::function<std::unique_ptr<CDlgScanDataDescription>(
        QNodeMediator& mediator, int32_t scanId, int32_t tabIndex, QWidget* parent)>;

    CDlgScanDataDescription() = default;
    CDlgScanDataDescription(const CDlgScanDataDescription&) = delete;
    CDlgScanDataDescription& operator=(const CDlgScanDataDescription&) = delete;
    virtual ~CDlgScanDataDescription();

    // Runs the dialog; true when the user accepted the edited description.
    virtual bool DoModal() = 0;

    // Installs the maker and answers the one it replaces (tests put the old one back).
    static Maker InstallMaker(Maker maker);
    // Makes the dialog and runs it; false when the user did not accept it or no dialog could be made.
    static bool Run(QNodeMediator& mediator, int32_t scanId, int32_t tabIndex, QWidget* parent);
};

} // namespace orv
