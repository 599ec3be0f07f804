#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillan {
class NotificationSink;
class ProjectSettings;
} // namespace quillan

namespace quillan::dialogs {

// "Options...": the log file, the restore-default-view request, the configuration dump, the
// config port mode of new gateways, and the port the gateway is reached through. Everything
// is written on OK, except that "Clear Debug Windows" clears them at once. The caller reopens
// the log file afterwards.
class UserOptionsDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int MAX_LOG_PATH = 255;

    // Where the port choice starts from.
    struct Ports {
        std::vector<std::string> present; // serial ports on the machine, offered by name
        std::optional<std::string> fixed; // given on the command line: not to be chosen here
    };

    UserOptionsDlg(ProjectSettings& settings, NotificationSink& notifications, Ports ports,
                   QWidget* parent = nullptr);

    [[nodiscard]] QLineEdit& logBox() const { return *m_log; }
    [[nodiscard]] QPushButton& clearDebugButton() const { return *m_clearDebug; }
    [[nodiscard]] QCheckBox& restoreViewBox() const { return *m_restoreView; }
    [[nodiscard]] QCheckBox& dumpBox() const { return *m_dump; }
    [[nodiscard]] QComboBox& portModeList() const { return *m_portMode; }
    [[nodiscard]] QRadioButton& detectButton() const { return *m_detect; }
    [[nodiscard]] QRadioButton& namedPortButton() const { return *m_named; }
    [[nodiscard]] QComboBox& portNameBox() const { return *m_portName; }
    [[nodiscard]] QRadioButton& simulatorButton() const { return *m_simulator; }

    void accept() override;

private:
    // The "portOverride" the choice stands for; none when a named port has no name.
    [[nodiscard]] std::optional<std::string> chosenPort() const;
    void refuse(QWidget& field, const QString& text);

    ProjectSettings& m_settings;
    NotificationSink& m_notifications;
    bool m_portFixed = false;
    QLineEdit* m_log = nullptr;
    QPushButton* m_clearDebug = nullptr;
    QCheckBox* m_restoreView = nullptr;
    QCheckBox* m_dump = nullptr;
    QComboBox* m_portMode = nullptr;
    QRadioButton* m_detect = nullptr;
    QRadioButton* m_named = nullptr;
    QComboBox* m_portName = nullptr;
    QRadioButton* m_simulator = nullptr;
};

} // namespace quillan::dialogs
