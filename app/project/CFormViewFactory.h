#pragma once

// What a project's nodes open their views, settings sheets and report files with. The frames and
// the settings sheets with their pages come from the makers the program installs (the views and
// the dialogs are not linked here); without a maker, and for a page kind the maker has no page for,
// the request is written to the log and nothing is made (no box either). A Report Generator node's
// report file is opened by the opener the program installs; without one it is only written to the
// log.

#include "project/QViewFactory.h"

#include <functional>
#include <memory>
#include <string>

namespace orv {

class CHalvionView;

class CFormViewFactory : public QViewFactory {
public:
    using FrameMaker = std::function<std::unique_ptr<QViewFrame>(const QFrameRequest&, CHalvionView&)>;
    // Opens a stored report file in the word processor; false when that failed.
    using ReportFileOpener = std::function<bool(const std::string& path)>;
    // The settings sheet and its pages. A page maker answers null for a kind it has no page for.
    struct SettingsMaker {
        std::function<std::unique_ptr<QSettingsSheet>(const std::string& caption, CHalvionView& formView,
                                                      int32_t firstPage)>
            makeSheet;
        std::function<std::unique_ptr<QSettingsPage>(QSettingsPageKind kind, QNodeMediator& mediator,
                                                     uint16_t scanKind)>
            makePage;
    };

    explicit CFormViewFactory(CHalvionView& formView) : m_formView(formView) {}
    // One maker for every form view; an empty one takes it away.
    static void SetFrameMaker(FrameMaker maker);
    static const FrameMaker& GetFrameMaker();
    static void SetSettingsMaker(SettingsMaker maker);
    static const SettingsMaker& GetSettingsMaker();
    static void SetReportFileOpener(ReportFileOpener opener);

    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption, QProjectWindow* parent,
                                                        int32_t firstPage) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                      uint16_t scanKind) override;
    // The file named by the node's report text.
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;

private:
    CHalvionView& m_formView;
};

} // namespace orv
