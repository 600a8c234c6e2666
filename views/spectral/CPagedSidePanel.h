#pragma once

#include "views/spectral/SidePanelRules.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>

class QAction;
class QMenu;

namespace orv {

class CMyButton;
class QNodeMediator;

// What both view side panels do alike: a row of controls known by their ids, one page of them shown
// at a time behind the "Options" button, sized for the screen's dots per inch and painted on the
// panels' grey ground. The panels differ in their pages, their commands and what the controls
// change; those stay with them. User-interface thread only.
class CPagedSidePanel : public QWidget {
public:
    static constexpr int kPageView = 0;
    static constexpr int kPagePeak = 1;
    static constexpr int kPageScale = 2;
    static constexpr int kPageScan = 3;

    // The ids of the "Peak Hold" and "Averaging" boxes (each panel has its own numbers).
    struct PeakBoxes {
        int peakHold = 0;
        int averaging = 0;
    };

    // The command of each page the "Options" menu offers (each panel has its own numbers).
    struct OptionsCommands {
        uint32_t view = 0;
        uint32_t peak = 0;
        uint32_t scale = 0;
    };

    ~CPagedSidePanel() override = default;
    CPagedSidePanel(const CPagedSidePanel&) = delete;
    CPagedSidePanel& operator=(const CPagedSidePanel&) = delete;

    int GetPage() const { return m_nPage; }
    // Sets the page and lays it out.
    void ShowPage(int page);
    // How the "Options" menu runs; by default modally at the point, answering the chosen action.
    using MenuRunner = std::function<QAction*(QMenu&, const QPoint&)>;
    void SetMenuRunner(MenuRunner runner) { m_menuRunner = std::move(runner); }
    // The screen's horizontal dots per inch that the layout scales with.
    int GetDpi() const;
    void SetDpiForLayout(int dpi) { m_nDpiOverride = dpi; }
    QWidget* GetControl(int id) const;
    bool IsScaleEdited() const { return m_bScaleEdited; }

protected:
    CPagedSidePanel(int formId, PeakBoxes peakBoxes, QWidget* parent);

    virtual void LayOutPage() = 0;
    virtual void OnOptionsButton() = 0;

    // Gives the control its id and the panels' font and files it under the id, shown or not.
    void RegisterControl(int id, QWidget* control);
    // Registers the control hidden: a page shows it when laid out.
    template <typename Control> Control* AddControl(int id, Control* control) {
        RegisterControl(id, control);
        control->hide();
        return control;
    }
    // The "Options" button, the one control every page shows; it opens the menu.
    void AddOptionsButton(int id);
    // Puts the "Options" button in its place, titled with the page's name.
    void PlaceOptionsButton(const char* pageName);
    // Shows the control there; answers its right edge.
    int Place(int id, int x, int y, int width, int height);
    int W(int width) const { return ScaledPanelWidth(width, GetDpi()); }
    bool IsChecked(int id) const;
    void SetChecked(int id, bool on);

    // The menu as offered on `page` (its item checked), "Scale Option" only with display data.
    static std::unique_ptr<QMenu> BuildPageMenu(int page, bool hasData, const OptionsCommands& commands);
    // Runs the "Options" menu above the button and shows the page picked; typed scale limits not yet
    // applied are dropped unless the scale page stays.
    void RunOptionsMenu(bool hasData, const OptionsCommands& commands);

    // Peak hold and averaging live in the node's scan options and only spectral and spatial scan
    // nodes have them: the boxes follow those options and are disabled elsewhere.
    void RefreshPeakBoxes(QNodeMediator& mediator);
    // A click on either box; the two exclude each other. The project is marked modified.
    void TogglePeakOption(QNodeMediator& mediator, int id, bool on);

    void paintEvent(QPaintEvent* event) override;

    std::map<int, QWidget*> m_controls;
    CMyButton* m_options = nullptr;
    int m_nPage = kPageView;
    bool m_bScaleEdited = false;

private:
    PeakBoxes m_peakBoxes;
    int m_nDpiOverride = 0;
    MenuRunner m_menuRunner;
};

} // namespace orv
