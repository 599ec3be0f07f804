#pragma once

#include "device/ProgressWindowModel.h"
#include "model/Notifications.h"

#include <QDialog>

class QLabel;
class QProgressBar;

namespace quillan::shell {

// The progress window of a device operation ("Connecting..."): a line of text and a bar,
// drawn from the progress state the main window's notifications drive. Modeless; it never
// holds the user-interface thread, so its pacing never slows the operation.
class ConnectStatusDlg final : public QDialog {
    Q_OBJECT
public:
    explicit ConnectStatusDlg(QWidget* parent = nullptr);

    // Every progress notification of the main window; false when it is none of them.
    bool handle(const Notification& notification);

    [[nodiscard]] const device::ProgressWindowModel& model() const { return m_model; }
    [[nodiscard]] QString text() const;
    [[nodiscard]] int position() const;

private:
    void sync();

    device::ProgressWindowModel m_model;
    QLabel* m_text = nullptr;
    QProgressBar* m_bar = nullptr;
};

} // namespace quillan::shell
