#include "gateway/ui/RFPage.h"

#include "controls/ClampSpinBox.h"
#include "dialogs/TabChain.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::gateway::ui {

namespace {

constexpr int kSecondsPerDay = 24 * 60 * 60;

QStringList powerLevels(uint16_t band)
{
    QStringList texts;
    for (const char* power : txPowerTexts(band)) {
        texts << QString::fromLatin1(power);
    }
    return texts;
}

} // namespace

RFPage::RFPage(const RadioValues& values, QWidget* parent)
    : PropertyPage("Radio", parent), m_values(values)
{
    m_power = new QComboBox(this);
    m_power->addItems(powerLevels(values.band));
    // An index the list does not offer shows no level and is kept.
    m_power->setCurrentIndex(values.powerIndex < m_power->count() ? values.powerIndex : -1);

    m_retries = new controls::ClampSpinBox(this);
    switch (values.band) {
    case band868:
        m_retries->setRange(1, 16);
        m_retries->setValue(values.retries);
        break;
    case band900:
        m_retries->setRange(1, 32);
        m_retries->setValue(values.retries);
        break;
    case band2400:
        m_retries->setRange(3, 21);
        m_retries->setSingleStep(3);
        // AES leaves the radio time for the fewest retries only.
        m_retries->setValue(values.siteAes ? 3 : 3 * values.retries + 3);
        m_retries->setEnabled(!values.siteAes);
        break;
    default:
        m_retries->setRange(0, 65535);
        m_retries->setValue(values.retries);
        break;
    }
    // What the box shows is what OK writes: a word out of the band's range, or any word while
    // AES holds the retries at the fewest.
    retriesEdited(m_retries->value());

    m_timeout = new QTimeEdit(this);
    m_timeout->setDisplayFormat("HH:mm:ss");
    m_timeout->setTime(QTime(0, 0).addSecs(
        static_cast<int>(std::min<uint32_t>(values.nodeTimeout, kSecondsPerDay - 1))));
    if (values.showNodeTimeout) {
        m_values.nodeTimeout = static_cast<uint32_t>(QTime(0, 0).secsTo(m_timeout->time()));
    }

    auto* group = new QGroupBox("Radio Settings", this);
    auto* form = new QFormLayout(group);
    form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    m_retries->setMinimumWidth(m_power->sizeHint().width());
    form->addRow("&Tx Power:", m_power);
    form->addRow("&Retries:", m_retries);
    form->addRow("&Node Timeout:", m_timeout);
    form->setRowVisible(m_timeout, values.showNodeTimeout);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addStretch();

    connect(m_power, &QComboBox::activated, this,
            [this](int index) { m_values.powerIndex = static_cast<uint16_t>(index); });
    connect(m_retries, &QSpinBox::valueChanged, this, &RFPage::retriesEdited);
    connect(m_retries, &QSpinBox::editingFinished, this, [this] {
        // A typed count between the steps shows as the step it was taken as.
        if (retriesInThrees()) {
            m_retries->setValue(3 * m_values.retries + 3);
        }
    });
    connect(m_timeout, &QTimeEdit::timeChanged, this, [this](QTime time) {
        m_values.nodeTimeout = static_cast<uint32_t>(QTime(0, 0).secsTo(time));
    });
    dialogs::setTabChain({m_power, m_retries, m_timeout});
}

bool RFPage::retriesInThrees() const
{
    return m_values.band == band2400;
}

void RFPage::retriesEdited(int shown)
{
    m_values.retries = static_cast<uint16_t>(retriesInThrees() ? shown / 3 - 1 : shown);
}

void RFPage::apply()
{
    if (m_retries->isEnabled()) {
        m_retries->interpretText();
    }
}

} // namespace quillan::gateway::ui
