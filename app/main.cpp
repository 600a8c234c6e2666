// The program: Orvilant's window side over its model and in-process engine.

#include "app/CClientConnectionLink.h"
#include "app/CHalvionApp.h"
#include "dialogs/CReportFileOpener.h"
#include "dialogs/CScanDataDescriptionDialog.h"
#include "dialogs/CSettingsSheetMaker.h"
#include "overlay/CDlgStitcher.h"
#include "overlay/camera/CProbeMarkerTracker.h"
#include "overlay/camera/CVideoCap.h"
#include "views/spatial/CSpatialSidePanel.h"
#include "views/spatial/CViewFrameMaker.h"
#include "views/spectral/CSpectralSidePanel.h"

#include <QApplication>

#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.emplace_back(argv[i]);
    }
    // The nodes' views open in frames of the project windows.
    orv::CViewFrameMaker::Install();
    // With the option panels under their maps and plots.
    orv::CSpatialSidePanel::Install();
    orv::CSpectralSidePanel::Install();
    // Their settings in the settings sheet and its pages.
    orv::CSettingsSheetMaker::Install();
    // A Report Generator node's report file in the desktop's word processor.
    orv::CReportFileOpener::Install();
    // The scan-data list's Stitch in the stitcher.
    orv::CDlgStitcher::InstallMaker();
    // A scan's description, parameters and overlay placement from the scan-data list and the views.
    orv::CScanDataDescriptionDialog::Install();
    // Hand-held probe nodes follow their probe's marker in the picture of the chosen camera.
    orv::InstallProbeMarkerTracking();
    orv::CHalvionApp::Options options;
    // The client's scan state controller and command queue over the engine's pipes, with the frame's
    // displays: without them the program would connect its devices but could never run a scan.
    options.frame.makeConnectionLink = &orv::CClientConnectionLink::MakeForFrame;
    int exitCode = 0;
    {
        orv::CHalvionApp app(std::move(arguments), std::move(options));
        exitCode = app.Run();
    }
    // Cameras closed as the windows went are still closing on their release threads.
    orv::JoinCameraReleaseThreads();
    return exitCode;
}
