#pragma once

// The form view of a project window: a white page with the program's picture in its middle and the
// form's hidden controls. It builds the window's project once the frame's pane exists, marks the
// document modified on 10018, adds new scans to the scan-data list, and is the window the project's
// mediators parent their views and sheets to: the nodes' frames are sub-windows of its frame area,
// which covers the page and lets its picture show through.
//
// User-interface thread only.

#include "app/project/CFormViewFactory.h"
#include "platform/msg/MessageTarget.h"
#include "project/QProjectFormView.h"

#include <QImage>
#include <QMdiArea>
#include <QTimer>
#include <QWidget>

#include <cstdint>

namespace orv {

class CChildFrame;
class CDisplayTab;
class CHalvionDoc;
class CViewList;
class QScanEngineLink;
class TfrmMainApp;

class CHalvionView : public QWidget, public QProjectFormView {
public:
    static constexpr int kDisplayTabId = 1012;

    CHalvionView(CChildFrame& frame, CHalvionDoc& document);
    ~CHalvionView() override;

    // Hides the form's controls, takes the frame's project id and starts the project's building.
    void OnInitialUpdate();
    bool IsBuildPending() const { return m_buildTimer.isActive(); }

    CChildFrame* GetFrame() const { return &m_frame; }
    CHalvionDoc& GetDocument() const { return m_document; }
    uint32_t GetProjectId() const { return m_projectId; }
    TfrmMainApp* GetProject() const { return m_project; }
    QScanEngineLink* GetController() const { return m_controller; }
    void SetProject(TfrmMainApp* project, QScanEngineLink* controller);
    CDisplayTab* GetDisplayTab() const { return m_tab; }
    int32_t GetSelectedTab() const { return m_selectedTab; }
    QWidget* GetFormControl(int id) const;
    // Where the nodes' frames are made.
    QMdiArea* GetFrameArea() const { return m_frameArea; }
    // The picture in the middle of the page.
    static const QImage& Picture();

    // --- QProjectFormView ---
    MessageTarget& GetMessageTarget() override { return m_target; }
    QProjectWindow* GetParentWindow() override;
    QScanDataList* GetScanDataList() override;
    QViewFactory* GetViewFactory() override { return &m_factory; }
    void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                   QNodeMediator& mediator) override;
    void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                  QNodeMediator& mediator) override;
    void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                          QNodeMediator& mediator) override;
    void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                        QNodeMediator& mediator) override;

    CSpectralScanData* GetCurrentSpectral() const { return m_currentSpectral; }
    CSpatialScanData* GetCurrentSpatial() const { return m_currentSpatial; }
    CSpectralSpatialScanData* GetCurrentSpectralSpatial() const { return m_currentSpectralSpatial; }
    CHandHeldProbeScanData* GetCurrentHandHeld() const { return m_currentHandHeld; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    class Target : public MessageTarget {
    public:
        Target(CHalvionView& view, MessageThread& thread) : MessageTarget(thread), m_view(view) {}

    protected:
        int64_t HandleMessage(Message& message) override;

    private:
        CHalvionView& m_view;
    };

    void BuildProject();
    CViewList* GetList() const;
    // The list shows the node's scans now: a new row belongs there.
    CViewList* ListShowing(QNodeMediator& mediator) const;
    void MarkModified();

    CChildFrame& m_frame;
    CHalvionDoc& m_document;
    TfrmMainApp* m_project = nullptr;
    QScanEngineLink* m_controller = nullptr;
    uint32_t m_projectId = 0;
    QTimer m_buildTimer;
    CFormViewFactory m_factory;
    CSpectralScanData* m_currentSpectral = nullptr;
    CSpatialScanData* m_currentSpatial = nullptr;
    CSpectralSpatialScanData* m_currentSpectralSpatial = nullptr;
    CHandHeldProbeScanData* m_currentHandHeld = nullptr;
    CDisplayTab* m_tab = nullptr;
    QMdiArea* m_frameArea = nullptr;
    int32_t m_selectedTab = 0;
    Target m_target;
};

} // namespace orv
