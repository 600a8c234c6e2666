#pragma once

#include "project/QSettingsSheet.h"

#include <cstdint>
#include <memory>
#include <string>

namespace orv {

class QNodeMediator;
class QProjectTree;
class QProjectWindow;
class QScanDataList;
class QViewFrame;

// The frame classes a node's view can be opened in.
enum class QFrameClass {
    Spectral,
    Spatial,
    SpectralSpatial,
    SpectralComparison,
    SpatialComparison,
    SpectralOverlay,
    Scripting,
    BlindSpotReduction,
};

// Everything a new frame is made with.
struct QFrameRequest {
    QFrameClass frameClass = QFrameClass::Spectral;
    QNodeMediator* mediator = nullptr;
    QProjectWindow* parent = nullptr;
    QProjectTree* projectTree = nullptr;
    QScanDataList* scanDataList = nullptr;
    uint16_t iconResource = 0;
    std::string title;
    int32_t left = 50;
    int32_t top = 50;
    int32_t right = 250;
    int32_t bottom = 150;
    // The node kind a spectral/spatial frame is told (2005, or 2033 for a user composite); 0 for
    // the other classes.
    uint16_t spectralSpatialKind = 0;
};

enum class QReportOpenResult {
    Opened,
    FileMissing,
    WordProcessorFailed,
};

// What the node mediators make on the window side: view frames, the settings sheet and its pages,
// and the report generator's document. The window side implements it; the mediators own what it
// makes.
class QViewFactory {
public:
    QViewFactory() = default;
    QViewFactory(const QViewFactory&) = delete;
    QViewFactory& operator=(const QViewFactory&) = delete;
    virtual ~QViewFactory();

    // The frame is created as a child of the request's parent window, hidden until Show.
    virtual std::unique_ptr<QViewFrame> CreateFrame(const QFrameRequest& request) = 0;
    // `firstPage` is the index of the page the sheet opens on.
    virtual std::unique_ptr<QSettingsSheet>
    CreateSettingsSheet(const std::string& caption, QProjectWindow* parent, int32_t firstPage) = 0;
    // `scanKind` is the node kind a scan-probes page is made for; 0 for the other kinds.
    virtual std::unique_ptr<QSettingsPage> CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator,
                                                              uint16_t scanKind) = 0;
    // Opens the report file of a report generator node in the word processor.
    virtual QReportOpenResult OpenReportFile(QNodeMediator& mediator) = 0;
};

} // namespace orv
