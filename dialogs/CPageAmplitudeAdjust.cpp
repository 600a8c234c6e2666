#include "dialogs/CPageAmplitudeAdjust.h"

#include "core/QAttenuatorOptions.h"
#include "dialogs/PageControls.h"
#include "dialogs/TypedNumber.h"
#include "platform/CLocale.h"
#include "platform/ui/Prompt.h"
#include "project/QNodeMediator.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include <cmath>
#include <limits>

namespace orv {
namespace {

QString Fixed2(double value) {
    return QString::fromStdString(FormatC("%6.2f", value));
}

} // namespace

CPageAmplitudeAdjust::CPageAmplitudeAdjust(QNodeMediator& mediator)
    : CPropertyPage(QSettingsPageKind::AmplitudeAdjust, kCaption), m_pMediator(&mediator) {
    BuildControls();
}

CPageAmplitudeAdjust::~CPageAmplitudeAdjust() = default;

void CPageAmplitudeAdjust::BuildControls() {
    auto radio = [this](QWidget* parent, const char* text, int id) {
        auto* made = new QRadioButton(text, parent);
        made->setObjectName(PageControlName(id));
        return made;
    };
    // Editable lists: a step is picked or any number typed; typed numbers are not added to the list.
    auto list = [this](QWidget* parent, int id) {
        auto* made = new QComboBox(parent);
        made->setObjectName(PageControlName(id));
        made->setEditable(true);
        made->setInsertPolicy(QComboBox::NoInsert);
        made->setMinimumWidth(100);
        connect(made, &QComboBox::editTextChanged, this, [this] { MarkModified(); });
        connect(made, &QComboBox::currentIndexChanged, this, [this] { MarkModified(); });
        return made;
    };

    m_externalGroup = new QGroupBox("External Amplitude Adjustment", this);
    m_externalGroup->setObjectName(PageControlName(kExternalGroup));
    auto* external = new QGridLayout(m_externalGroup);
    m_amplification = radio(m_externalGroup, "Amplification Setting ", kAmplification);
    m_amplificationList = list(m_externalGroup, kAmplificationList);
    m_attenuation = radio(m_externalGroup, "Attenuator Setting ", kAttenuation);
    m_attenuationList = list(m_externalGroup, kAttenuationList);
    external->addWidget(m_amplification, 0, 0);
    external->addWidget(m_amplificationList, 0, 1);
    external->addWidget(new QLabel("dB", m_externalGroup), 0, 2);
    external->addWidget(m_attenuation, 1, 0);
    external->addWidget(m_attenuationList, 1, 1);
    external->addWidget(new QLabel("dB", m_externalGroup), 1, 2);
    external->setColumnStretch(3, 1);

    auto* preAmp = new QGroupBox("Internal Analyzer Pre-Amp", this);
    preAmp->setObjectName(PageControlName(kPreAmpGroup));
    auto* preAmpLayout = new QHBoxLayout(preAmp);
    m_preAmpOn = radio(preAmp, "On", kPreAmpOn);
    m_preAmpOff = radio(preAmp, "Off", kPreAmpOff);
    preAmpLayout->addWidget(m_preAmpOn);
    preAmpLayout->addWidget(m_preAmpOff);
    preAmpLayout->addStretch(1);

    auto* tracking = new QGroupBox("Analyzer Tracking Generation", this);
    auto* trackingLayout = new QHBoxLayout(tracking);
    m_trackingOn = radio(tracking, "On", kTrackingOn);
    m_trackingOff = radio(tracking, "Off", kTrackingOff);
    trackingLayout->addWidget(m_trackingOn);
    trackingLayout->addWidget(m_trackingOff);
    trackingLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_externalGroup);
    layout->addWidget(preAmp);
    layout->addWidget(tracking);
    layout->addStretch(1);

    connect(m_amplification, &QRadioButton::clicked, this, [this] { OnAmplificationClicked(); });
    connect(m_attenuation, &QRadioButton::clicked, this, [this] { OnAttenuationClicked(); });
    for (QRadioButton* button : {m_preAmpOn, m_preAmpOff, m_trackingOn, m_trackingOff}) {
        connect(button, &QRadioButton::clicked, this, [this] { MarkModified(); });
    }
}

QWidget* CPageAmplitudeAdjust::GetControl(int id) const {
    return findChild<QWidget*>(PageControlName(id));
}

void CPageAmplitudeAdjust::MarkModified() {
    if (!m_filling) {
        SetModified(true);
    }
}

bool CPageAmplitudeAdjust::OnInitDialog() {
    CPropertyPage::OnInitDialog();
    const QAttenuatorOptions* options = m_pMediator->GetAttenuatorOptions();
    m_filling = true;
    const bool preAmp = options != nullptr && options->m_byte1 == 1;
    const bool tracking = options != nullptr && options->m_byte2 == 1;
    m_preAmpOn->setChecked(preAmp);
    m_preAmpOff->setChecked(!preAmp);
    m_trackingOn->setChecked(tracking);
    m_trackingOff->setChecked(!tracking);

    m_amplificationList->clear();
    for (const uint16_t step : kAmplificationSteps) {
        m_amplificationList->addItem(QString::number(step));
    }
    m_attenuationList->clear();
    for (const uint16_t step : kAttenuationSteps) {
        m_attenuationList->addItem(QString::number(step));
    }
    const double value = options != nullptr ? options->m_value : 0.0;
    const bool amplified = value < 0.0;
    m_amplification->setChecked(amplified);
    m_attenuation->setChecked(!amplified);
    m_amplificationList->setEditText(Fixed2(amplified ? -value : 0.0));
    m_attenuationList->setEditText(Fixed2(amplified ? 0.0 : value));
    m_filling = false;
    EnableControls(!m_pMediator->IsScanInProgress());
    return true;
}

void CPageAmplitudeAdjust::EnableControls(bool enable) {
    for (QRadioButton* button :
         {m_preAmpOn, m_preAmpOff, m_trackingOn, m_trackingOff, m_amplification, m_attenuation}) {
        button->setEnabled(enable);
    }
    m_amplificationList->setEnabled(enable && m_amplification->isChecked());
    m_attenuationList->setEnabled(enable && !m_amplification->isChecked());
}

void CPageAmplitudeAdjust::OnAmplificationClicked() {
    m_amplification->setChecked(true);
    m_amplificationList->setEnabled(true);
    m_attenuation->setChecked(false);
    m_attenuationList->setEnabled(false);
    MarkModified();
}

void CPageAmplitudeAdjust::OnAttenuationClicked() {
    m_attenuation->setChecked(true);
    m_attenuationList->setEnabled(true);
    m_amplification->setChecked(false);
    m_amplificationList->setEnabled(false);
    MarkModified();
}

bool CPageAmplitudeAdjust::OnApply() {
    QAttenuatorOptions* options = m_pMediator->GetAttenuatorOptions();
    if (options == nullptr) {
        return CPropertyPage::OnApply();
    }
    const bool amplified = m_amplification->isChecked();
    const double typed =
        ReadTypedNumber((amplified ? m_amplificationList : m_attenuationList)->currentText());
    // The stored scans keep the value as a 32-bit float: a larger one would become infinite there.
    if (std::fabs(typed) > std::numeric_limits<float>::max()) {
        ShowPrompt(kOutOfRangeText, kErrorCaption, PromptButtons::Ok, PromptIcon::None);
        return false;
    }
    // No amplification of 0 dB is stored as -0, which would open as an attenuation of "-0.00".
    const float adjustment = (amplified ? -static_cast<float>(typed) : static_cast<float>(typed)) + 0.0F;
    options->SetValue(adjustment, options->m_valueTable);
    options->m_byte2 = m_trackingOn->isChecked() ? 1 : 0;
    options->m_byte1 = m_preAmpOn->isChecked() ? 1 : 0;
    m_pMediator->MarkProjectModified();
    m_pMediator->RefreshAllNodeViews();
    return CPropertyPage::OnApply();
}

} // namespace orv
