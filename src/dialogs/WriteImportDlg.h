#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quillan {
class ProjectSettings;
}

namespace quillan::dialogs {

// "New Write Import..." and "Modify Write Import" of the Modbus tab: the name of a Modbus
// write import and, for a new one, its type. A new one starts with the type chosen last, and
// a click on a type is remembered at once ("mbWriteImportSettings"), even when the dialog is
// then cancelled. A modified one keeps its type. OK waits for a name. Names go in and out in
// the project's 8-bit character set.
//
// New:    WriteImportDlg dialog(settings, parent);
//         if (dialog.exec() == QDialog::Accepted)
//             addNewWriteImport(gateway, dialog.name(), dialog.isFloat());
// Modify: WriteImportDlg dialog(settings, current name, current type is float, parent);
//         if (dialog.exec() == QDialog::Accepted) gateway.editWriteImport(entry, dialog.name());
class WriteImportDlg final : public QDialog {
    Q_OBJECT
public:
    explicit WriteImportDlg(ProjectSettings& settings, QWidget* parent = nullptr);
    WriteImportDlg(ProjectSettings& settings, const std::string& name, bool isFloat,
                   QWidget* parent = nullptr);

    [[nodiscard]] bool isModify() const { return m_modify; }
    [[nodiscard]] std::string name() const;
    [[nodiscard]] bool isFloat() const;

    [[nodiscard]] QLineEdit& nameBox() const { return *m_name; }
    [[nodiscard]] QRadioButton& integerButton() const { return *m_integer; }
    [[nodiscard]] QRadioButton& floatButton() const { return *m_float; }
    [[nodiscard]] QPushButton& okButton() const { return *m_ok; }

private:
    void build();
    void typeClicked(bool isFloat);

    ProjectSettings& m_settings;
    bool m_modify = false;
    QLineEdit* m_name = nullptr;
    QRadioButton* m_integer = nullptr;
    QRadioButton* m_float = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace quillan::dialogs
