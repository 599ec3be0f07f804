#include "dialogs/NewSiteDlg.h"

#include "controls/ClampSpinBox.h"
#include "controls/TextRules.h"
#include "dialogs/TabChain.h"
#include "document/TarnDoc.h"
#include "model/Site.h"
#include "model/Text.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::dialogs {

NewSiteDlg::NewSiteDlg(const Site& site, bool editing, QWidget* parent)
    : QDialog(parent), m_site(site.clone()), m_editing(editing)
{
    setWindowTitle("New Site");

    m_name = new QLineEdit(QString::fromStdString(cp1252ToUtf8(site.getSiteName())), this);
    controls::guardModelText(*m_name);
    m_name->setMinimumWidth(220);
    m_frequency = new QComboBox(this);
    // The two spaces in "2.4  GHz" are the list's own text.
    m_frequency->addItems({"868 MHz", "900 MHz", "2.4  GHz"});
    m_frequency->setPlaceholderText("Choose a band");
    m_channel = new controls::ClampSpinBox(this);
    m_group = new controls::ClampSpinBox(this);
    m_group->setRange(0, 999);
    m_group->setValue(site.getFirstGroup());
    m_bitRate = new QComboBox(this);
    m_security = new QCheckBox("Enhanced Site &Security", this);
    m_security->setChecked(site.isSecurityEnabled());
    m_aes = new QCheckBox("Enable &AES Encryption", this);
    m_aes->setChecked(site.isAesEnabled());

    const uint16_t band = site.getBand();
    m_frequency->setCurrentIndex(band <= band2400 ? band : -1);
    setUpBand();
    connect(m_frequency, &QComboBox::activated, this, &NewSiteDlg::bandPicked);

    auto* form = new QFormLayout;
    form->addRow("Site &Name:", m_name);
    form->addRow("&Frequency:", m_frequency);
    form->addRow("&Channel:", m_channel);
    form->addRow("&Group:", m_group);
    form->addRow("&Bit Rate:", m_bitRate);
    form->addRow(m_security);
    form->addRow(m_aes);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({m_name, m_frequency, m_channel, m_group, m_bitRate, m_security, m_aes,
                 buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel)});
    m_name->setFocus();
}

NewSiteDlg::~NewSiteDlg() = default;

void NewSiteDlg::setUpBand()
{
    const uint16_t band = m_site->getBand();
    m_bitRate->clear();
    if (band > band2400) {
        // No band yet: no channel range or bit rate to offer.
        m_channel->setRange(0, 9);
        m_channel->setValue(m_site->getSiteChannel());
        m_channel->setEnabled(false);
        m_bitRate->setEnabled(false);
        return;
    }
    setWindowTitle("Edit Site");
    const site_rules::ChannelRange channels = site_rules::channelRange(band);
    m_channel->setEnabled(true);
    m_channel->setRange(channels.low, channels.high);
    // 868 MHz starts at channel 10, which the field shows as its highest, 9.
    m_channel->setValue(m_site->getSiteChannel());
    switch (band) {
    case band868:
        m_bitRate->addItem("80000");
        break;
    case band900:
        m_bitRate->addItems({"9600", "115200"});
        break;
    default:
        m_bitRate->addItem("250000");
        break;
    }
    m_bitRate->setCurrentIndex(band == band900 && m_site->isHighBitRate() != 0 ? 1 : 0);
    m_bitRate->setEnabled(band == band900);
}

void NewSiteDlg::bandPicked(int index)
{
    if (index < 0 || index == m_site->getBand()) {
        return;
    }
    site_rules::pickBand(*m_site, static_cast<uint16_t>(index));
    setUpBand();
}

void NewSiteDlg::accept()
{
    // A number still being typed counts, clamped, as it would on leaving the field.
    m_channel->interpretText();
    m_group->interpretText();

    site_rules::SiteDialogFields fields;
    fields.name = utf8ToCp1252(m_name->text().toStdString());
    fields.band = m_frequency->currentIndex();
    fields.channel = static_cast<uint16_t>(m_channel->value());
    fields.group = static_cast<uint16_t>(m_group->value());
    fields.highBitRate = static_cast<uint16_t>(std::max(m_bitRate->currentIndex(), 0));
    fields.securityEnabled = m_security->isChecked();
    fields.aesEnabled = m_aes->isChecked();

    const auto refusal = site_rules::applyOk(*m_site, fields, m_editing);
    if (refusal) {
        QMessageBox::warning(this, QString::fromStdString(refusal->caption),
                             QString::fromStdString(refusal->text));
        QWidget* field = fields.name.empty()               ? static_cast<QWidget*>(m_name)
                         : m_frequency->currentIndex() < 0 ? static_cast<QWidget*>(m_frequency)
                                                           : static_cast<QWidget*>(m_group);
        field->setFocus();
        return;
    }
    QDialog::accept();
}

bool insertSiteWithDialog(TarnDoc& doc, QWidget* parent)
{
    if (doc.root() == nullptr) {
        return false;
    }
    NewSiteDlg dialog(Site{}, false, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    doc.insertSite(dialog.site());
    return true;
}

bool editSiteWithDialog(TarnDoc& doc, Site& site, QWidget* parent)
{
    NewSiteDlg dialog(site, true, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return false;
    }
    doc.editSite(site, dialog.site());
    return true;
}

} // namespace quillan::dialogs
