#pragma once

#include <cstdint>
#include <string>

namespace orv {

// The page kinds of a node's settings sheet.
enum class QSettingsPageKind {
    PreferenceAnalyzer,
    PreferenceScannerType,
    PreferenceSpectralDisplay,
    SpectralScan,
    SpatialScan,
    ScanProbes, // made for one node kind
    AmplitudeAdjust,
    DefineScripting,
    ReportGenerator,
    NodeDescription,
};

class QNodeMediator;
class QProjectWindow;
class QSettingsSheet;

class QSettingsPage {
public:
    QSettingsPage() = default;
    QSettingsPage(const QSettingsPage&) = delete;
    QSettingsPage& operator=(const QSettingsPage&) = delete;
    virtual ~QSettingsPage();

    virtual QSettingsPageKind GetKind() const = 0;
    // Whether the page's window was made, that is whether the user has shown the page.
    virtual bool HasWindow() const = 0;
    // Called with true when a scan stops, so that the page can be edited again; only for a page
    // that has a window.
    virtual void EnableControls(bool enable) = 0;
    // The sheet the page was added to; only the report generator's page keeps it (it closes the
    // sheet itself).
    virtual void SetSheet(QSettingsSheet& /*sheet*/) {}
};

// The settings sheet of a node, shown modally (or modeless for the report generator). The node
// mediator owns the sheet and its pages; the sheet only shows the pages it is given.
class QSettingsSheet {
public:
    QSettingsSheet() = default;
    QSettingsSheet(const QSettingsSheet&) = delete;
    QSettingsSheet& operator=(const QSettingsSheet&) = delete;
    virtual ~QSettingsSheet();

    // The node whose settings the sheet edits; a null mediator is ignored.
    virtual void SetNodeMediator(QNodeMediator* mediator) = 0;
    virtual bool HasWindow() const = 0;
    virtual std::string GetCaption() const = 0;
    virtual void RemoveAllPages() = 0;
    virtual void AddPage(QSettingsPage& page) = 0;
    virtual void DestroyWindow() = 0;

    // Shows the sheet and returns when the user closed it.
    virtual void ShowModal() = 0;
    // Shows the sheet without blocking: made without a parent window the first time, kept above
    // every other window, raised and centred over `centreOver` (none: where it stands).
    virtual void ShowModeless(QProjectWindow* centreOver) = 0;
};

} // namespace orv
