#pragma once

// "Stitch Scan Data": up to six of a Spatial node's scans laid out on a canvas of 168 x 116 cells,
// dragged in whole cells and turned by quarters, and stitched on OK into one new scan of the node
// that spans them. The layout lives on in QStitchLayout for the next opening.
//
// User-interface thread only. The node's scans are looked up by their list position at every use:
// a pointer to one is never kept across events, since the list can change while the dialog runs.

#include "overlay/ScanStitching.h"

#include <QDialog>
#include <QImage>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QComboBox;
class QPushButton;

namespace orv {

class CSpatialScanData;
class QNodeMediator;

class CDlgStitcher : public QDialog {
public:
    static constexpr const char* kTitle = "Stitch Scan Data";
    static constexpr int kFirstListId = 1122;
    static constexpr int kSpareButtonId = 1283;
    static constexpr const char* kNothingToStitchText = "Please add scan data to stitch.";
    static constexpr const char* kHigherLevelText = "Higher level scans cannot be stitched!";
    static constexpr int kCanvasWidth = kStitchCanvasColumns * kStitchCellPixels + 1;
    static constexpr int kCanvasHeight = kStitchCanvasRows * kStitchCellPixels + 1;
    // The fill of a placed scan's cells, by slot.
    static constexpr std::array<uint32_t, kStitchSlotCount> kSlotColours = {
        0xC8DB4646, 0xC8DB9D46, 0xC8DBCF46, 0xC846DB46, 0xC842A4DB, 0xC8DB42C1};

    CDlgStitcher(QNodeMediator& mediator, QWidget* parent = nullptr);
    ~CDlgStitcher() override;

    // The scan-data list's "Stitch" runs the dialog through this maker from now on.
    static void InstallMaker();

    QComboBox& GetList(int slot) const { return *m_lists[static_cast<size_t>(slot)]; }
    // The canvas as last painted.
    const QImage& GetCanvas() const { return m_canvas; }
    const _StitchDrag& GetDrag() const { return m_drag; }
    // Grid lines and the cells' fill, in cells from the canvas origin.
    static void DrawCellGrid(QImage& canvas, int32_t x, int32_t y, int32_t width, int32_t height,
                             uint32_t fill, uint32_t lineColour);
    // "SCAN #%i (%ideg)"
    static std::string SlotLabel(const _StitchPlacement& placement);

    // OK: stitches and closes only when a scan was added.
    void accept() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void FillLists();
    void OnChooseScan();
    void RenderCanvas();
    // The scan at a list position, made whole and prepared; null when there is none.
    CSpatialScanData* ScanAt(int32_t index) const;
    bool Stitch();

    QNodeMediator& m_mediator;
    std::array<QComboBox*, kStitchSlotCount> m_lists{};
    QImage m_canvas;
    _StitchDrag m_drag;
    bool m_filling = false;
};

} // namespace orv
