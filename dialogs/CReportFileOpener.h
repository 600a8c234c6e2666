#pragma once

// The View of a Report Generator node: its stored report file opened in the desktop's word
// processor through the report document. The program installs it at start (the project windows do
// not link the dialogs).

#include <string>

namespace orv {

class CReportFileOpener {
public:
    // True when the file was opened.
    static bool Open(const std::string& path);
    // Makes Open the form view factory's report file opener.
    static void Install();
};

} // namespace orv
