#include "gateway/ui/BasePage.h"

#include "dialogs/TabChain.h"
#include "gateway/DevicePage.h"
#include "model/Site.h"
#include "model/Text.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace quillan::gateway::ui {

namespace {

QString fromModel(const std::string& text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

// Read-only, but still reached by Tab so that a value can be selected and copied. The number
// fields show what the device holds, not a value clamped to what an edit would allow.
QLineEdit* valueField(QWidget* parent, int characters)
{
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    const int width = field->fontMetrics().horizontalAdvance(QString(characters, '0')) + 16;
    field->setMinimumWidth(width);
    if (characters <= 6) {
        field->setMaximumWidth(width + 32);
    }
    return field;
}

QLabel* label(const QString& text, QWidget* buddy, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    l->setBuddy(buddy);
    return l;
}

void setChoices(QComboBox& box, const std::vector<std::string>& choices, unsigned selection)
{
    box.clear();
    for (const std::string& choice : choices) {
        box.addItem(QString::fromStdString(choice));
    }
    box.setCurrentIndex(choices.empty() ? -1 : static_cast<int>(selection));
}

} // namespace

BasePage::BasePage(QWidget* parent) : PropertyPage("Device", parent)
{
    m_type = valueField(this, 22);
    m_version = valueField(this, 14);
    auto* identity = new QFormLayout;
    identity->addRow(label("Type:", m_type, this), m_type);
    identity->addRow(label("Version:", m_version, this), m_version);

    auto* radio = new QGroupBox("Radio Configuration", this);
    m_id = valueField(radio, 4);
    m_channel = valueField(radio, 4);
    m_group = valueField(radio, 4);
    m_vevaDorId = valueField(radio, 4);
    m_power = new QComboBox(radio);
    m_power->setEnabled(false);
    m_power->setMinimumContentsLength(8);
    m_retries = valueField(radio, 4);
    m_bitRate = new QComboBox(radio);
    m_bitRate->setEnabled(false);
    m_bitRate->setMinimumContentsLength(8);
    auto* grid = new QGridLayout(radio);
    grid->addWidget(label("ID:", m_id, radio), 0, 0);
    grid->addWidget(m_id, 0, 1);
    grid->addWidget(label("Channel:", m_channel, radio), 1, 0);
    grid->addWidget(m_channel, 1, 1);
    grid->addWidget(label("Group:", m_group, radio), 2, 0);
    grid->addWidget(m_group, 2, 1);
    grid->addWidget(label("VevaDor ID:", m_vevaDorId, radio), 3, 0);
    grid->addWidget(m_vevaDorId, 3, 1);
    grid->setColumnMinimumWidth(2, 24);
    grid->addWidget(label("Tx Power:", m_power, radio), 0, 3);
    grid->addWidget(m_power, 0, 4);
    grid->addWidget(label("Retries:", m_retries, radio), 1, 3);
    grid->addWidget(m_retries, 1, 4);
    grid->addWidget(label("Bit Rate:", m_bitRate, radio), 2, 3);
    grid->addWidget(m_bitRate, 2, 4);
    grid->setColumnStretch(5, 1);

    auto* security = new QGroupBox("Security Settings", this);
    m_site = new QLabel(security);
    m_device = new QLabel(security);
    for (QLabel* line : {m_site, m_device}) {
        line->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    auto* lines = new QFormLayout(security);
    lines->addRow("Site:", m_site);
    lines->addRow("Device:", m_device);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(identity);
    layout->addWidget(radio);
    layout->addWidget(security);
    layout->addStretch();
    dialogs::setTabChain({m_type, m_version, m_id, m_channel, m_group, m_vevaDorId, m_retries});
}

void BasePage::fill(uint16_t deviceType, const std::string& version, const ConfigImage& image,
                    const Site* site)
{
    const DevicePageValues page = devicePageValues(deviceType, version, image);
    m_aesCapable = page.aesCapable;
    m_type->setText(QString::fromStdString(page.type));
    m_version->setText(fromModel(page.version));
    m_id->setText(QString::number(page.id));
    m_channel->setText(QString::number(page.channel));
    m_group->setText(QString::number(page.group));
    m_vevaDorId->setText(QString::number(page.vevaDorId));
    setChoices(*m_power, page.powerChoices, page.powerSelection);
    m_retries->setText(QString::number(page.retries));
    setChoices(*m_bitRate, page.bitRateChoices, page.bitRateSelection);
    m_site->setText(site != nullptr ? QString::fromStdString(siteSecurityLine(*site)) : QString());
    m_device->setText(QString::fromStdString(page.deviceSecurity));
}

QString BasePage::type() const
{
    return m_type->text();
}

QString BasePage::version() const
{
    return m_version->text();
}

QString BasePage::id() const
{
    return m_id->text();
}

QString BasePage::channel() const
{
    return m_channel->text();
}

QString BasePage::group() const
{
    return m_group->text();
}

QString BasePage::vevaDorId() const
{
    return m_vevaDorId->text();
}

QString BasePage::retries() const
{
    return m_retries->text();
}

QString BasePage::siteSecurity() const
{
    return m_site->text();
}

QString BasePage::deviceSecurity() const
{
    return m_device->text();
}

} // namespace quillan::gateway::ui
