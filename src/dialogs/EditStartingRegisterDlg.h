#pragma once

#include <QDialog>

namespace quillan::controls {
class ClampSpinBox;
}

namespace quillan::dialogs {

// "Edit Starting Register" of the Modbus tab: the first register of the gateway's integer
// table, 0 to 3001.
class EditStartingRegisterDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int MAX_STARTING_REGISTER = 3001;

    explicit EditStartingRegisterDlg(int startingRegister, QWidget* parent = nullptr);

    [[nodiscard]] int startingRegister() const;

    [[nodiscard]] controls::ClampSpinBox& registerBox() const { return *m_register; }

private:
    controls::ClampSpinBox* m_register = nullptr;
};

} // namespace quillan::dialogs
