#pragma once

#include <QDialog>

class QDoubleSpinBox;

namespace quillan {
class Import;
}

namespace quillan::dialogs {

// "Scaling..." of the Imports tab: the offset and gain of one point. The caller stores them.
class ScaleImportDlg final : public QDialog {
    Q_OBJECT
public:
    explicit ScaleImportDlg(const Import& point, QWidget* parent = nullptr);

    [[nodiscard]] double offset() const;
    [[nodiscard]] double gain() const;

    [[nodiscard]] QDoubleSpinBox& offsetBox() const { return *m_offset; }
    [[nodiscard]] QDoubleSpinBox& gainBox() const { return *m_gain; }

private:
    QDoubleSpinBox* m_offset = nullptr;
    QDoubleSpinBox* m_gain = nullptr;
};

} // namespace quillan::dialogs
