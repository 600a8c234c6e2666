#pragma once

// Makes the settings sheet and its pages for the form view's factory; the program installs it at
// start (the window side's project code does not link the dialogs). A page kind that has no page
// class here is answered with none, and the factory writes that to the log.

#include "project/QSettingsSheet.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class CHalvionView;
class QNodeMediator;

class CSettingsSheetMaker {
public:
    // Parented to the form view's window.
    static std::unique_ptr<QSettingsSheet> MakeSheet(const std::string& caption, CHalvionView& formView,
                                                     int32_t firstPage);
    static std::unique_ptr<QSettingsPage> MakePage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                   uint16_t scanKind);
    // Makes these the form view factory's settings maker.
    static void Install();
};

} // namespace orv
