#pragma once

// What a project's nodes open their views, settings sheets and report files with. The frames come
// from the frame maker the program installs (the views are not linked here); without one, and for
// the sheets, which are not part of this program yet, the request is written to the log and nothing
// is made (no box either).

#include "project/QViewFactory.h"

#include <functional>
#include <memory>

namespace orv {

class CHalvionView;

class CFormViewFactory : public QViewFactory {
public:
    using FrameMaker = std::function<std::unique_ptr<QViewFrame>(const QFrameRequest&, CHalvionView&)>;

    explicit CFormViewFactory(CHalvionView& formView) : m_formView(formView) {}
    // One maker for every form view; an empty one takes it away.
    static void SetFrameMaker(FrameMaker maker);
    static const FrameMaker& GetFrameMaker();

    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption,
                                                        QProjectWindow* parent) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                      uint16_t scanKind) override;
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;

private:
    CHalvionView& m_formView;
};

} // namespace orv
