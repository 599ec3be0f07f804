#include "dialogs/UserOptionsDlg.h"

#include "device/LinkFactory.h"
#include "dialogs/TabChain.h"
#include "model/Notifications.h"
#include "settings/ProjectSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::dialogs {

UserOptionsDlg::UserOptionsDlg(ProjectSettings& settings, NotificationSink& notifications,
                               Ports ports, QWidget* parent)
    : QDialog(parent), m_settings(settings), m_notifications(notifications),
      m_portFixed(ports.fixed.has_value())
{
    setWindowTitle("User Options");

    m_log = new QLineEdit(QString::fromStdString(settings.configLogFile()), this);
    m_log->setMaxLength(MAX_LOG_PATH);
    m_log->setMinimumWidth(300);
    m_clearDebug = new QPushButton("&Clear Debug Windows", this);
    connect(m_clearDebug, &QPushButton::clicked, this,
            [this] { m_notifications.send(MSG_CLEAR_DEBUG); });
    auto* debugGroup = new QGroupBox("Debug", this);
    auto* debugForm = new QFormLayout(debugGroup);
    debugForm->addRow("&Log:", m_log);
    auto* clearRow = new QHBoxLayout;
    clearRow->addWidget(m_clearDebug);
    clearRow->addStretch();
    debugForm->addRow(clearRow);

    m_restoreView = new QCheckBox("&Restore Default View", this);
    if (settings.restoreDefaultViewRequested()) {
        // Already asked for this run; it cannot be taken back.
        m_restoreView->setChecked(true);
        m_restoreView->setEnabled(false);
    }
    m_dump = new QCheckBox("Enable Configuration &Dump", this);
    m_dump->setChecked(settings.isDumpEnabled());
    m_portMode = new QComboBox(this);
    m_portMode->addItems({"Debug", "Modbus"});
    m_portMode->setCurrentIndex(std::clamp(settings.defaultConfigPortMode(), 0, 1));
    auto* miscGroup = new QGroupBox("Misc", this);
    auto* miscForm = new QFormLayout(miscGroup);
    miscForm->addRow(m_restoreView);
    miscForm->addRow(m_dump);
    miscForm->addRow("Default Gateway Config &Port Mode:", m_portMode);

    m_detect = new QRadioButton("D&etected gateway", this);
    m_named = new QRadioButton("&Serial port:", this);
    m_simulator = new QRadioButton("Si&mulated gateway", this);
    m_portName = new QComboBox(this);
    m_portName->setEditable(true);
    m_portName->setInsertPolicy(QComboBox::NoInsert);
    m_portName->setMinimumWidth(160);
    for (const std::string& name : ports.present) {
        m_portName->addItem(QString::fromStdString(name));
    }
    const std::string current = ports.fixed.value_or(settings.portOverride());
    if (current.empty()) {
        m_detect->setChecked(true);
    } else if (current == device::SIMULATOR_PORT_NAME) {
        m_simulator->setChecked(true);
    } else {
        m_named->setChecked(true);
        m_portName->setCurrentText(QString::fromStdString(current));
    }
    m_portName->setEnabled(m_named->isChecked());
    connect(m_named, &QRadioButton::toggled, m_portName, &QWidget::setEnabled);
    auto* portGroup = new QGroupBox("Gateway Port", this);
    auto* portGrid = new QGridLayout(portGroup);
    portGrid->addWidget(m_detect, 0, 0, 1, 2);
    portGrid->addWidget(m_named, 1, 0);
    portGrid->addWidget(m_portName, 1, 1);
    portGrid->addWidget(m_simulator, 2, 0, 1, 2);
    portGrid->setColumnStretch(1, 1);
    if (m_portFixed) {
        auto* note = new QLabel(
            QString("Set by --port for this run: %1").arg(QString::fromStdString(*ports.fixed)),
            portGroup);
        portGrid->addWidget(note, 3, 0, 1, 2);
        for (QWidget* choice :
             {static_cast<QWidget*>(m_detect), static_cast<QWidget*>(m_named),
              static_cast<QWidget*>(m_portName), static_cast<QWidget*>(m_simulator)}) {
            choice->setEnabled(false);
        }
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(debugGroup);
    layout->addWidget(miscGroup);
    layout->addWidget(portGroup);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    setTabChain({m_log, m_clearDebug, m_restoreView, m_dump, m_portMode, m_detect, m_named,
                 m_portName, m_simulator, buttons->button(QDialogButtonBox::Ok),
                 buttons->button(QDialogButtonBox::Cancel)});
    m_log->setFocus();
}

std::optional<std::string> UserOptionsDlg::chosenPort() const
{
    if (m_detect->isChecked()) {
        return std::string();
    }
    if (m_simulator->isChecked()) {
        return std::string(device::SIMULATOR_PORT_NAME);
    }
    const std::string name = m_portName->currentText().trimmed().toStdString();
    if (name.empty()) {
        return std::nullopt;
    }
    return name;
}

void UserOptionsDlg::refuse(QWidget& field, const QString& text)
{
    QMessageBox::warning(this, windowTitle(), text);
    field.setFocus();
}

void UserOptionsDlg::accept()
{
    // Both checks come first, so a refused OK writes nothing.
    if (m_log->text().trimmed().isEmpty()) {
        refuse(*m_log, "Please enter the path of the log file.");
        return;
    }
    const std::optional<std::string> port = m_portFixed ? std::nullopt : chosenPort();
    if (!m_portFixed && !port) {
        refuse(*m_portName, "Please enter the name of the serial port.");
        return;
    }

    m_settings.setConfigLogFile(m_log->text().toStdString());
    m_settings.setDefaultConfigPortMode(m_portMode->currentIndex());
    if (!m_settings.restoreDefaultViewRequested() && m_restoreView->isChecked()) {
        m_settings.restoreDefaultView();
    }
    m_settings.setDumpEnabled(m_dump->isChecked());
    if (port && *port != m_settings.portOverride()) {
        m_settings.setPortOverride(*port);
    }
    QDialog::accept();
}

} // namespace quillan::dialogs
