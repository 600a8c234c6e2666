#pragma once

#include "project/QProjectWindow.h"

namespace orv {

class CHandHeldProbeScanData;
class CSpatialScanData;
class CSpectralScanData;
class CSpectralSpatialScanData;
class QNodeMediator;
class QScanDataList;
class QViewFactory;

// The form view of a project window: the window that parents the node's view frames and receives the
// project-modified message, and that keeps the scan-data list of the node on show. The window side
// implements it.
class QProjectFormView : public QProjectWindow {
public:
    ~QProjectFormView() override;

    // The window the state controller works for.
    virtual QProjectWindow* GetParentWindow() = 0;
    // What the node mediators open their views with; null where the window has none.
    virtual QScanDataList* GetScanDataList() = 0;
    virtual QViewFactory* GetViewFactory() = 0;

    // A scan was added to (new entry) or refreshed in a node's list: the view records it as the node's
    // current scan, writes its ID into the mediator, adds or updates its row in the scan-data list and,
    // for a live scan, marks the project modified.
    virtual void AddSpectralScanDataToList(CSpectralScanData& scan, bool live, bool newEntry,
                                           QNodeMediator& mediator) = 0;
    virtual void AddSpatialScanDataToList(CSpatialScanData& scan, bool live, bool newEntry,
                                          QNodeMediator& mediator) = 0;
    virtual void AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                                  QNodeMediator& mediator) = 0;
    virtual void AddHandHeldProbeScanDataToList(CHandHeldProbeScanData& scan, bool live,
                                                QNodeMediator& mediator) = 0;
};

} // namespace orv
