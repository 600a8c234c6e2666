#include "tests/views/support/SpatialViewFixture.h"

#include "core/TypeIds.h"

#include <QTest>
#include <gtest/gtest.h>

namespace orv::test {

ViewTestFrame::ViewTestFrame(MessageThread& thread, const QFrameRequest& request, int* destroyedWindows)
    : FakeFrame(thread, request, destroyedWindows) {}

std::unique_ptr<QViewFrame> ViewTestFactory::CreateFrame(const QFrameRequest& request) {
    auto frame = std::make_unique<ViewTestFrame>(m_thread, request, &destroyedWindows);
    const uint16_t kind =
        request.spectralSpatialKind != 0 ? request.spectralSpatialKind : request.mediator->GetKind();
    const bool spectral = request.frameClass != QFrameClass::Spatial &&
                          request.frameClass != QFrameClass::SpatialComparison &&
                          request.frameClass != QFrameClass::BlindSpotReduction;
    const bool spatial = request.frameClass == QFrameClass::Spatial ||
                         request.frameClass == QFrameClass::SpatialComparison ||
                         request.frameClass == QFrameClass::BlindSpotReduction ||
                         request.frameClass == QFrameClass::SpectralSpatial;
    if (spectral) {
        frame->spectralView = std::make_unique<CSpectralView>(m_thread);
        CSpectralView& view = *frame->spectralView;
        view.SetNodeKind(kind);
        view.SetFrame(frame.get());
        view.SetMediator(request.mediator);
        view.SetScanDataList(request.scanDataList);
        view.SetReady(true);
        view.resize(800, 400);
        view.show();
        view.OnInitialUpdate();
    }
    if (spatial) {
        frame->spatialView =
            makeSpatialView ? makeSpatialView(m_thread) : std::make_unique<CSpatialView>(m_thread);
        CSpatialView& view = *frame->spatialView;
        view.SetFrame(frame.get());
        view.SetNodeKind(kind);
        view.AttachNode(request.mediator);
        view.SetProjectTree(request.projectTree);
        view.SetScanDataList(request.scanDataList);
        if (request.frameClass == QFrameClass::SpectralSpatial) {
            CTabCtrlEx& tabs = view.CreateTabStrip(CSpatialView::TabStrip::SpectralSpatial);
            tabs.addTab("Map");
            tabs.addTab("Frequencies");
            view.CreateFrequencyList();
        } else if (request.frameClass == QFrameClass::SpatialComparison) {
            CTabCtrlEx& tabs = view.CreateTabStrip(CSpatialView::TabStrip::Comparison);
            tabs.addTab("Test");
            tabs.addTab("Reference");
            tabs.addTab("Comparison");
        } else if (request.frameClass == QFrameClass::BlindSpotReduction) {
            CTabCtrlEx& tabs = view.CreateTabStrip(CSpatialView::TabStrip::BlindSpot);
            tabs.addTab("Upper");
            tabs.addTab("Lower");
            tabs.addTab("Reduction");
        }
        view.resize(800, 600);
        view.show();
        // Painting starts once the window is exposed.
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.OnInitialUpdate();
    }
    viewFrames.push_back(frame.get());
    return frame;
}

QSpatialScanAddition SpatialGrid(int32_t id, uint16_t rows, uint16_t columns, std::vector<int16_t> values) {
    QSpatialScanAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = rows;
    addition.m_Record.m_Columns = columns;
    addition.m_Record.m_CenterFrequency = 150.0F;
    addition.m_Record.m_Texts = {"user", "analyser", "module", "date", "head", ""};
    addition.m_Values = std::move(values);
    return addition;
}

QCellAddition SpectralSpatialCell(int32_t id, uint32_t index, uint32_t count, uint16_t row, uint16_t column,
                                  std::vector<int16_t> values) {
    QCellAddition addition;
    addition.m_Record.m_ScanId = id;
    addition.m_Record.m_Rows = 6;
    addition.m_Record.m_Columns = 6;
    addition.m_Record.m_StartFrequency = 100.0F;
    addition.m_Record.m_StopFrequency = 200.0F;
    addition.m_CellIndex = index;
    addition.m_CellCount = count;
    addition.m_CellWord1 = row;
    addition.m_CellWord2 = column;
    addition.m_HasValues = !values.empty();
    addition.m_Values = std::move(values);
    return addition;
}

SpatialViewTest::SpatialViewTest() : factory(thread), window(thread) {
    previousMaker = CFormViewSpatial::InstallMaker([](CSpatialView& /*view*/, QWidget* parent) {
        return std::make_unique<RecordingSpatialPanel>(parent);
    });
    preferences = std::make_unique<SpatialTestMediator>(kTypePreferencesNode, "Preferences");
    container.preferences = preferences.get();
}

SpatialViewTest::~SpatialViewTest() {
    mediator.reset();
    CFormViewSpatial::InstallMaker(previousMaker);
}

SpatialTestMediator& SpatialViewTest::Open(uint16_t kind) {
    mediator = std::make_unique<SpatialTestMediator>(kind, "Board");
    mediator->Wire(&factory, &window, &tree, &list, &container);
    bool created = false;
    mediator->OpenView(kind, created, true);
    Pump();
    return *mediator;
}

void SpatialViewTest::Pump() {
    while (thread.GetPendingCount() > 0) {
        thread.Pump();
    }
}

} // namespace orv::test
