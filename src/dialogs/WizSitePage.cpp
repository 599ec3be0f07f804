#include "dialogs/WizSitePage.h"

#include "controls/ClampSpinBox.h"
#include "dialogs/WizardPictures.h"
#include "model/Site.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace quillan::dialogs {

namespace {

constexpr QSize kPictureSize(280, 150);

} // namespace

WizSitePage::WizSitePage(QWidget* parent)
    : WizardPage("Step 2", "Configure the initial site.", parent)
{
    m_frequency = new QComboBox(this);
    // List positions are the band codes.
    m_frequency->addItems({"868 MHz", "900 MHz", "2.4 GHz"});
    m_frequency->setCurrentIndex(band900);
    m_channel = new controls::ClampSpinBox(this);
    m_channel->setMinimumWidth(90);
    m_group = new controls::ClampSpinBox(this);
    m_group->setRange(0, 999);
    m_picture = new QLabel(this);
    m_picture->setFixedSize(kPictureSize);

    auto* group = new QGroupBox("Radio (RF) Settings", this);
    auto* form = new QFormLayout;
    form->addRow("Fre&quency:", m_frequency);
    form->addRow("C&hannel:", m_channel);
    form->addRow("&Group:", m_group);
    auto* siteName = new QLabel("The site is named Site_1.", group);
    siteName->setForegroundRole(QPalette::PlaceholderText);
    form->addRow(siteName);
    form->setVerticalSpacing(10);
    auto* row = new QHBoxLayout(group);
    row->addLayout(form);
    row->addSpacing(16);
    row->addWidget(m_picture, 0, Qt::AlignTop);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(group);
    layout->addStretch();

    bandChosen();
    connect(m_frequency, &QComboBox::currentIndexChanged, this, &WizSitePage::bandChosen);
    connect(m_channel, &QSpinBox::valueChanged, this, &WizSitePage::showPicture);
}

uint16_t WizSitePage::band() const
{
    return static_cast<uint16_t>(m_frequency->currentIndex());
}

uint16_t WizSitePage::channel() const
{
    return static_cast<uint16_t>(m_channel->value());
}

uint16_t WizSitePage::group() const
{
    return static_cast<uint16_t>(m_group->value());
}

void WizSitePage::storeFields()
{
    m_channel->interpretText();
    m_group->interpretText();
}

QList<QWidget*> WizSitePage::tabChain() const
{
    return {m_frequency, m_channel, m_group};
}

void WizSitePage::bandChosen()
{
    // The spin box clamps its value into the new range.
    const site_rules::ChannelRange range = site_rules::channelRange(band());
    m_channel->setRange(range.low, range.high);
    showPicture();
}

void WizSitePage::showPicture()
{
    m_picture->setPixmap(bandPicture(band(), m_channel->value(), kPictureSize));
}

} // namespace quillan::dialogs
