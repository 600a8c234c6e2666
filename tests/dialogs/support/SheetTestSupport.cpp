#include "tests/dialogs/support/SheetTestSupport.h"

#include "dialogs/CSettingsSheetMaker.h"
#include "project/QFundamentalNodeMediator.h"
#include "project/QNode.h"
#include "project/QNodeFactory.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <stdexcept>

namespace orv::testing {

namespace {

const char* KindName(QSettingsPageKind kind) {
    switch (kind) {
    case QSettingsPageKind::PreferenceAnalyzer:
        return "Analyzer";
    case QSettingsPageKind::PreferenceScannerType:
        return "Scanner Type";
    case QSettingsPageKind::PreferenceSpectralDisplay:
        return "Spectral Display";
    case QSettingsPageKind::SpectralScan:
        return "Spectral";
    case QSettingsPageKind::SpatialScan:
        return "Spatial";
    case QSettingsPageKind::ScanProbes:
        return "Probes";
    case QSettingsPageKind::AmplitudeAdjust:
        return "Amplitude";
    case QSettingsPageKind::DefineScripting:
        return "Scripting";
    case QSettingsPageKind::ReportGenerator:
        return "Report";
    case QSettingsPageKind::NodeDescription:
        return "Description";
    }
    return "?";
}

} // namespace

RecordingPage::RecordingPage(QSettingsPageKind kind, uint16_t scanKind, std::vector<std::string>* log)
    : CPropertyPage(kind, CaptionOf(kind, scanKind)), m_log(log) {}

QString RecordingPage::CaptionOf(QSettingsPageKind kind, uint16_t scanKind) {
    QString caption = KindName(kind);
    if (scanKind != 0) {
        caption += " " + QString::number(scanKind);
    }
    return caption;
}

void RecordingPage::Record(const std::string& what) {
    if (m_log != nullptr) {
        m_log->push_back(what + " " + GetCaption().toStdString());
    }
}

bool RecordingPage::OnInitDialog() {
    Record("init");
    return true;
}

bool RecordingPage::OnSetActive() {
    Record("active");
    return true;
}

bool RecordingPage::OnKillActive() {
    Record("kill");
    return killAnswer;
}

bool RecordingPage::OnApply() {
    Record("apply");
    return applyAnswer && CPropertyPage::OnApply();
}

void RecordingPage::OnCancel() {
    Record("cancel");
}

void RecordingPage::EnableControls(bool enable) {
    enables.push_back(enable);
    enableThreads.push_back(std::this_thread::get_id());
}

std::unique_ptr<QViewFrame> SheetViewFactory::CreateFrame(const QFrameRequest& /*request*/) {
    return nullptr;
}

std::unique_ptr<QSettingsSheet> SheetViewFactory::CreateSettingsSheet(const std::string& caption,
                                                                      QProjectWindow* /*parent*/,
                                                                      int32_t firstPage) {
    auto sheet = std::make_unique<CNodeOptionsSheet>(caption, nullptr, firstPage);
    sheets.push_back(sheet.get());
    return sheet;
}

std::unique_ptr<QSettingsPage>
SheetViewFactory::CreateSettingsPage(QSettingsPageKind kind, QNodeMediator& mediator, uint16_t scanKind) {
    if (makePage) {
        return makePage(kind, mediator, scanKind);
    }
    if (std::unique_ptr<QSettingsPage> page = CSettingsSheetMaker::MakePage(kind, mediator, scanKind)) {
        return page;
    }
    auto page = std::make_unique<RecordingPage>(kind, scanKind, &pageLog);
    recordingPages.push_back(page.get());
    return page;
}

QReportOpenResult SheetViewFactory::OpenReportFile(QNodeMediator& /*mediator*/) {
    return QReportOpenResult::Opened;
}

void LinkMainFrame::ExitProgram(int exitCode) {
    throw std::runtime_error("the program was ended with " + std::to_string(exitCode));
}

QNodeMediator* ChildNodeContainer::AddChildNode(QNodeMediator& parent, uint16_t kind) {
    if (!make) {
        return nullptr;
    }
    owned.push_back(make(parent, kind));
    QNodeMediator& child = *owned.back();
    child.SetContainer(this);
    child.SetTreeContainer(this);
    return &child;
}

bool ChildNodeContainer::DeleteChildNode(QNodeMediator& child) {
    const auto found =
        std::find_if(owned.begin(), owned.end(), [&](const auto& node) { return node.get() == &child; });
    if (found == owned.end()) {
        return false;
    }
    owned.erase(found);
    return true;
}

std::vector<QNodeMediator*> ChildNodeContainer::GetChildMediators(QNodeMediator& parent) {
    std::vector<QNodeMediator*> children;
    for (const auto& node : owned) {
        if (node->GetParentMediator() == &parent) {
            children.push_back(node.get());
        }
    }
    return children;
}

void ChildNodeContainer::AddSpectralSpatialScanDataToList(CSpectralSpatialScanData& scan, bool live,
                                                          QNodeMediator& mediator) {
    spectralSpatialScanOwners.push_back(&mediator);
    FakeNodeContainer::AddSpectralSpatialScanDataToList(scan, live, mediator);
}

SheetFixture::SheetFixture() = default;
SheetFixture::~SheetFixture() = default;

std::unique_ptr<QNodeMediator> SheetFixture::MakeNode(uint16_t kind, QNodeMediator* parent,
                                                      const std::string& name) {
    QNodeFactory nodes(QFundamentalNodeMediator::MakeMaker(thread, &mainFrame));
    std::unique_ptr<QNodeMediator> mediator =
        nodes.CreateNodeWithMediator(parent, nullptr, kind, nullptr, false);
    mediator->SetKind(kind);
    mediator->SetParentMediator(parent);
    mediator->SetName(name);
    mediator->SetMainWindow(&window);
    mediator->SetViewFactory(&factory);
    return mediator;
}

CNodeOptionsSheet* SheetFixture::OpenSheet(QNodeMediator& mediator, int32_t firstPage) {
    auto* sheet = dynamic_cast<CNodeOptionsSheet*>(mediator.OpenNodeSettings({}, firstPage));
    if (sheet != nullptr) {
        sheet->ShowModeless(nullptr);
    }
    return sheet;
}

std::vector<uint32_t> SheetFixture::WindowMessages() {
    thread.Pump();
    return window.target.Ids();
}

bool WithModalSheet(const std::function<void()>& trigger,
                    const std::function<void(CNodeOptionsSheet&)>& script) {
    bool seen = false;
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* sheet = dynamic_cast<CNodeOptionsSheet*>(QApplication::activeModalWidget());
        if (sheet == nullptr || seen) {
            return;
        }
        seen = true;
        watch.stop();
        script(*sheet);
    });
    watch.start();
    trigger();
    return seen;
}

void Click(QWidget& widget) {
    // A check box or radio button takes clicks on its box and text only, at its left.
    const bool boxed =
        qobject_cast<QCheckBox*>(&widget) != nullptr || qobject_cast<QRadioButton*>(&widget) != nullptr;
    const QPoint at =
        boxed ? QPoint(std::min(8, widget.width() / 2), widget.height() / 2) : widget.rect().center();
    QTest::mouseClick(&widget, Qt::LeftButton, Qt::NoModifier, at);
}

void TypeInto(QWidget& edit, const QString& text) {
    edit.setFocus();
    QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Delete);
    for (const QChar character : text) {
        if (character.unicode() < 0x80) {
            QTest::keyClick(&edit, static_cast<char>(character.unicode()));
            continue;
        }
        // Characters no key of the test keyboard has arrive as the text of a key event.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&edit, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&edit, &release);
    }
}

void PickEntry(QWidget& combo, int index) {
    combo.setFocus();
    QTest::keyClick(&combo, Qt::Key_Home);
    for (int i = 0; i < index; ++i) {
        QTest::keyClick(&combo, Qt::Key_Down);
    }
}

} // namespace orv::testing
