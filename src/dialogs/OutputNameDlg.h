#pragma once

#include <QDialog>
#include <string>

class QLineEdit;
class QPushButton;

namespace quillan::dialogs {

// "Edit Point Name" of the Modbus module pages: a point's new name, never an empty one,
// in the project's 8-bit character set.
class OutputNameDlg final : public QDialog {
    Q_OBJECT
public:
    explicit OutputNameDlg(const std::string& name, QWidget* parent = nullptr);

    // The box's last text that was not empty.
    [[nodiscard]] const std::string& name() const { return m_name; }

    [[nodiscard]] QLineEdit& nameBox() const { return *m_box; }
    [[nodiscard]] QPushButton& okButton() const { return *m_ok; }

private:
    std::string m_name;
    QLineEdit* m_box = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace quillan::dialogs
