#pragma once

// What a project's nodes open their views, settings sheets and report files with. The view and sheet
// windows are not part of this program yet: every request is written to the log and nothing is
// made (no box either).

#include "project/QViewFactory.h"

namespace orv {

class CFormViewFactory : public QViewFactory {
public:
    std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) override;
    std::unique_ptr<QSettingsSheet> CreateSettingsSheet(const std::string& caption,
                                                        QProjectWindow* parent) override;
    std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                      uint16_t scanKind) override;
    QReportOpenResult OpenReportFile(QNodeMediator& mediator) override;
};

} // namespace orv
