#pragma once

// What a project's nodes open their views, settings sheets and report files with. The frames and
// the settings sheets with their pages come from the makers the program installs (the views and
// the dialogs are not linked here); without a maker, and for a page kind the maker has no page for,
// the request is written to the log and nothing is made (no box either).

#include "project/QViewFactory.h"

#include <functional>
#include <memory>

namespace orv {

class CHalvionView;

class CFormViewFactory : public QViewFactory {
public:
    using FrameMaker = std::function<std::unique_ptr<QViewFrame>(const QFrameRequest&, CHalvionView&)>;
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

    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption, QProjectWindow* parent,
                                                        int32_t firstPage) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                      uint16_t scanKind) override;
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;

private:
    CHalvionView& m_formView;
};

} // namespace orv
