#include "app/CDlgSetupDriverParameters.h"

#include "engine/SetupScan.h"
#include "platform/CLocale.h"
#include "platform/msg/MessageTarget.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <cmath>
#include <limits>

namespace orv {

CDlgSetupDriverParameters::CDlgSetupDriverParameters(SetupScan& setup, TimingSource timing,
                                                     MessageTarget* frame, QWidget* parent)
    : QDialog(parent), m_setup(setup), m_timing(std::move(timing)), m_frame(frame) {
    setWindowTitle("Driver Parameters");
    setObjectName("478");
    setModal(false);
    setWindowFlags(windowFlags() | Qt::WindowStaysOnTopHint);

    auto makeEdit = [this](int id) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::number(id));
        edit->setMinimumWidth(90);
        connect(edit, &QLineEdit::textChanged, this, [this] {
            if (!m_filling) {
                m_apply->setEnabled(true);
            }
        });
        return edit;
    };
    m_apply = new QPushButton("Apply", this);
    m_apply->setObjectName(QString::number(kApplyId));
    m_gateLength = makeEdit(kGateLengthId);
    m_switchDelay = makeEdit(kSwitchDelayId);
    m_triggerDelay = makeEdit(kTriggerDelayId);
    auto* cancel = new QPushButton("Cancel", this);
    cancel->setObjectName("2");

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel("Gate Length:", this), 0, 0);
    layout->addWidget(m_gateLength, 0, 1);
    layout->addWidget(new QLabel("Dalay After Switch:", this), 1, 0);
    layout->addWidget(m_switchDelay, 1, 1);
    layout->addWidget(new QLabel("Delay After Trigger:", this), 2, 0);
    layout->addWidget(m_triggerDelay, 2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_apply);
    buttons->addWidget(cancel);
    layout->addLayout(buttons, 3, 0, 1, 2);

    connect(m_apply, &QPushButton::clicked, this, [this] { Apply(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    FillValues();
}

void CDlgSetupDriverParameters::FillValues() {
    // The drivers answer the manual values while the flag is up; their own are wanted here.
    m_setup.SetManualTimingFlag(0);
    std::optional<CDeviceManager::AnalyzerTiming> timing;
    if (m_timing) {
        timing = m_timing(m_setup.GetRBW());
    }
    const int32_t gate = timing ? timing->gateLength : m_setup.GetManualGateLength();
    const int32_t afterSwitch = timing ? timing->switchTime : m_setup.GetManualSwitchTime();
    const int32_t afterTrigger = timing ? timing->switchWait : m_setup.GetManualSwitchWait();
    m_filling = true;
    m_gateLength->setText(QString::fromStdString(FormatC("%d", gate)));
    m_switchDelay->setText(QString::fromStdString(FormatC("%d", afterSwitch)));
    m_triggerDelay->setText(QString::fromStdString(FormatC("%d", afterTrigger)));
    m_filling = false;
    m_apply->setEnabled(false);
    m_setup.SetManualTimingFlag(1);
}

uint32_t CDlgSetupDriverParameters::ParseTimingValue(const QString& text) {
    // As atof reads it: the number at the start, whatever follows.
    size_t used = 0;
    const double value = StrToDoubleC(text.toStdString(), &used);
    if (std::isnan(value) || value <= 0.0) {
        return 0;
    }
    if (value >= static_cast<double>(std::numeric_limits<uint32_t>::max())) {
        return std::numeric_limits<uint32_t>::max();
    }
    return static_cast<uint32_t>(value);
}

void CDlgSetupDriverParameters::Apply() {
    m_apply->setEnabled(false);
    m_setup.SetManualGateLength(ParseTimingValue(m_gateLength->text()));
    m_setup.SetManualSwitchTime(ParseTimingValue(m_switchDelay->text()));
    m_setup.SetManualSwitchWait(ParseTimingValue(m_triggerDelay->text()));
}

void CDlgSetupDriverParameters::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    m_setup.SetManualTimingFlag(1);
}

void CDlgSetupDriverParameters::reject() {
    m_setup.SetManualTimingFlag(0);
    QDialog::reject();
    if (m_frame != nullptr) {
        m_frame->Post(kClosedMessage);
    }
}

} // namespace orv
