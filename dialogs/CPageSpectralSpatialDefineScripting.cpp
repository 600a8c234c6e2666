#include "dialogs/CPageSpectralSpatialDefineScripting.h"

#include "app/QtConversions.h"
#include "dialogs/PageControls.h"
#include "dialogs/ScanPageTables.h"
#include "dialogs/TypedNumber.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

namespace orv {
namespace {

constexpr int kStartColumnWidth = 124;
constexpr int kOtherColumnWidth = 123;

QString FrequencyText(float megahertz) {
    return QString::fromStdString(FormatC("%9.3f MHz", static_cast<double>(megahertz)));
}

// A frequency column's number: the text without its leading blanks, up to the first blank after.
QString LeadingWord(const QString& text) {
    const QString trimmed = text.trimmed();
    const qsizetype blank = trimmed.indexOf(' ');
    return blank < 0 ? trimmed : trimmed.left(blank);
}

void Refuse(const char* text) {
    ShowPrompt(text, "", PromptButtons::Ok, PromptIcon::None);
}

} // namespace

CPageSpectralSpatialDefineScripting::CPageSpectralSpatialDefineScripting(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::DefineScripting, kCaption), m_pMediator(&mediator) {
    BuildControls();
}

CPageSpectralSpatialDefineScripting::~CPageSpectralSpatialDefineScripting() = default;

void CPageSpectralSpatialDefineScripting::BuildControls() {
    m_list = new QTreeWidget(this);
    m_list->setObjectName(PageControlName(kList));
    m_list->setColumnCount(3);
    m_list->setHeaderLabels({"Start Freq", "Stop Freq", "RBW"});
    m_list->setRootIsDecorated(false);
    m_list->setItemsExpandable(false);
    m_list->setUniformRowHeights(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionsMovable(true);
    m_list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->header()->setStretchLastSection(false);
    m_list->setColumnWidth(0, kStartColumnWidth);
    m_list->setColumnWidth(1, kOtherColumnWidth);
    m_list->setColumnWidth(2, kOtherColumnWidth);
    // Grid lines between the cells, as a report list draws them.
    m_list->setStyleSheet("QTreeWidget::item { border-right: 1px solid palette(midlight); "
                          "border-bottom: 1px solid palette(midlight); }");
    m_list->setMinimumWidth(kStartColumnWidth + 2 * kOtherColumnWidth + 8);

    m_start = MakePageEdit(*this, kStartEdit, [] {});
    m_stop = MakePageEdit(*this, kStopEdit, [] {});
    m_rbw = MakePageCombo(*this, kRbwList);
    m_rbw->setMinimumWidth(110);
    m_add = new QPushButton("Add", this);
    m_add->setObjectName(PageControlName(kAdd));
    m_modify = new QPushButton("Modify", this);
    m_modify->setObjectName(PageControlName(kModify));
    m_delete = new QPushButton("Delete", this);
    m_delete->setObjectName(PageControlName(kDelete));

    auto* inputs = new QGridLayout;
    inputs->addWidget(MakePageLabel(*this, "Start Freq(MHz)"), 0, 0);
    inputs->addWidget(MakePageLabel(*this, "Stop Freq(MHz)"), 0, 1);
    inputs->addWidget(MakePageLabel(*this, "RBW"), 0, 2);
    inputs->addWidget(m_start, 1, 0);
    inputs->addWidget(m_stop, 1, 1);
    inputs->addWidget(m_rbw, 1, 2);
    inputs->setColumnStretch(3, 1);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* button : {m_add, m_modify, m_delete}) {
        button->setMinimumWidth(90);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);

    auto* layout = new QGridLayout(this);
    layout->addWidget(m_list, 0, 0);
    layout->addLayout(inputs, 1, 0);
    layout->addLayout(buttons, 2, 0);
    layout->setRowStretch(0, 1);

    connect(m_list, &QTreeWidget::itemClicked, this, [this] { OnListClicked(); });
    connect(m_add, &QPushButton::clicked, this, [this] { OnAdd(); });
    connect(m_modify, &QPushButton::clicked, this, [this] { OnModify(); });
    connect(m_delete, &QPushButton::clicked, this, [this] { OnDelete(); });
}

QWidget* CPageSpectralSpatialDefineScripting::GetControl(int id) const {
    return findChild<QWidget*>(PageControlName(id));
}

bool CPageSpectralSpatialDefineScripting::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    m_rbw->clear();
    for (size_t i = 0; i < kRbwCount; ++i) {
        m_rbwTable[i] = {kRbwTable[i].text, kRbwTable[i].megahertz};
        m_rbw->addItem(QString::fromLatin1(kRbwTable[i].text));
    }
    m_rbw->setCurrentIndex(-1);
    m_segments = m_pMediator->GetScriptDefinitions();
    m_nSelectedRow = -1;
    RebuildList();
    return true;
}

void CPageSpectralSpatialDefineScripting::RebuildList() {
    m_list->clear();
    for (const Segment& segment : m_segments) {
        QString rbw;
        for (const auto& [text, megahertz] : m_rbwTable) {
            if (megahertz == segment.m_value) {
                rbw = QString::fromStdString(text);
                break;
            }
        }
        m_list->addTopLevelItem(new QTreeWidgetItem(
            {FrequencyText(segment.m_startFrequency), FrequencyText(segment.m_stopFrequency), rbw}));
    }
    // The chosen row stays in sight as the segment moves.
    if (QTreeWidgetItem* chosen = m_list->topLevelItem(m_nSelectedRow)) {
        m_list->setCurrentItem(chosen);
    }
}

void CPageSpectralSpatialDefineScripting::OnListClicked() {
    const QList<QTreeWidgetItem*> selected = m_list->selectedItems();
    if (m_list->topLevelItemCount() == 0 || selected.isEmpty()) {
        return;
    }
    QTreeWidgetItem* row = selected.front();
    m_nSelectedRow = m_list->indexOfTopLevelItem(row);
    m_start->setText(LeadingWord(row->text(0)));
    m_stop->setText(LeadingWord(row->text(1)));
    m_rbw->setCurrentIndex(m_rbw->findText(row->text(2), Qt::MatchExactly | Qt::MatchCaseSensitive));
}

bool CPageSpectralSpatialDefineScripting::ReadInput(bool modifying, float& start, float& stop,
                                                    std::string& rbwText) const {
    const QString startText = m_start->text().trimmed();
    const QString stopText = m_stop->text().trimmed();
    const QString rbw = m_rbw->currentText().trimmed();
    if (startText.isEmpty() || stopText.isEmpty() || rbw.isEmpty()) {
        Refuse(kMissingText);
        return false;
    }
    // Compared as they are kept: a stop that only differs from the start beyond a float's precision
    // is no range.
    start = SaturateToFloat(ReadTypedNumber(startText));
    stop = SaturateToFloat(ReadTypedNumber(stopText));
    if (start <= 0.0F || stop <= 0.0F) {
        Refuse(kNegativeText);
        return false;
    }
    if (stop <= start) {
        Refuse(kOrderText);
        return false;
    }
    for (size_t i = 0; i < m_segments.size(); ++i) {
        if (modifying && static_cast<int32_t>(i) == m_nSelectedRow) {
            continue;
        }
        const Segment& other = m_segments[i];
        const auto inside = [&other](float f) {
            return f > other.m_startFrequency && f < other.m_stopFrequency;
        };
        if (inside(start) || inside(stop)) {
            Refuse(kOverlapText);
            return false;
        }
    }
    rbwText = QStringToCodePage(rbw);
    return true;
}

CPageSpectralSpatialDefineScripting::Insertion
CPageSpectralSpatialDefineScripting::InsertSegment(float start, float stop, const std::string& rbwText) {
    Insertion result;
    for (size_t i = 0; i < m_segments.size(); ++i) {
        if (m_segments[i].m_startFrequency != start || m_segments[i].m_stopFrequency != stop) {
            continue;
        }
        if (m_segments[i].m_text == rbwText) {
            result.position = static_cast<int32_t>(i);
            return result;
        }
        m_segments.erase(m_segments.begin() + static_cast<std::ptrdiff_t>(i));
        result.removed = static_cast<int32_t>(i);
        break;
    }
    float megahertz = 0.0F;
    for (const auto& [text, value] : m_rbwTable) {
        if (QString::fromStdString(text).compare(CodePageToQString(rbwText), Qt::CaseInsensitive) == 0) {
            megahertz = value;
            break;
        }
    }
    size_t position = 0;
    while (position < m_segments.size() && !(m_segments[position].m_stopFrequency > start)) {
        ++position;
    }
    m_segments.insert(m_segments.begin() + static_cast<std::ptrdiff_t>(position),
                      Segment{start, stop, megahertz, rbwText});
    result.changed = true;
    result.position = static_cast<int32_t>(position);
    return result;
}

void CPageSpectralSpatialDefineScripting::OnAdd() {
    float start = 0.0F;
    float stop = 0.0F;
    std::string rbwText;
    if (!ReadInput(false, start, stop, rbwText)) {
        return;
    }
    const Insertion insertion = InsertSegment(start, stop, rbwText);
    if (!insertion.changed) {
        return;
    }
    if (m_nSelectedRow >= 0) {
        if (insertion.removed == m_nSelectedRow) {
            m_nSelectedRow = insertion.position;
        } else {
            if (insertion.removed >= 0 && m_nSelectedRow > insertion.removed) {
                --m_nSelectedRow;
            }
            if (m_nSelectedRow >= insertion.position) {
                ++m_nSelectedRow;
            }
        }
    }
    RebuildList();
    SetModified(true);
}

void CPageSpectralSpatialDefineScripting::OnModify() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= static_cast<int32_t>(m_segments.size())) {
        return;
    }
    float start = 0.0F;
    float stop = 0.0F;
    std::string rbwText;
    if (!ReadInput(true, start, stop, rbwText)) {
        return;
    }
    m_segments.erase(m_segments.begin() + m_nSelectedRow);
    // Landing on another segment's range with its bandwidth merges the two: the list still changed.
    m_nSelectedRow = InsertSegment(start, stop, rbwText).position;
    RebuildList();
    SetModified(true);
}

void CPageSpectralSpatialDefineScripting::OnDelete() {
    if (m_nSelectedRow < 0 || m_nSelectedRow >= static_cast<int32_t>(m_segments.size())) {
        return;
    }
    if (ShowPrompt(kDeleteQuestion, kDeleteCaption, PromptButtons::OkCancel, PromptIcon::Information) ==
        PromptAnswer::Cancel) {
        return;
    }
    m_segments.erase(m_segments.begin() + m_nSelectedRow);
    m_nSelectedRow = -1;
    RebuildList();
    m_start->clear();
    m_stop->clear();
    m_rbw->setCurrentIndex(-1);
    SetModified(true);
}

bool CPageSpectralSpatialDefineScripting::OnApply() {
    m_pMediator->GetScriptDefinitions() = m_segments;
    m_pMediator->RebuildScriptNodes();
    m_pMediator->MarkProjectModified();
    return CPropertyPage::OnApply();
}

} // namespace orv
