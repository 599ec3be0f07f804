#pragma once

#include <QDialog>
#include <cstdint>

class QTimeEdit;

namespace quillan::dialogs {

// "Interval..." of the Exports and Outputs tabs: an interval of 00:00:00 to 23:59:59 picked as a
// time of day.
class ExportIntervalDlg final : public QDialog {
    Q_OBJECT
public:
    explicit ExportIntervalDlg(uint32_t seconds, QWidget* parent = nullptr);

    // In seconds.
    [[nodiscard]] uint32_t interval() const;
    // Whether the user changed the picker.
    [[nodiscard]] bool isEdited() const { return m_edited; }

    [[nodiscard]] QTimeEdit& picker() const { return *m_picker; }

private:
    QTimeEdit* m_picker = nullptr;
    bool m_edited = false;
};

} // namespace quillan::dialogs
