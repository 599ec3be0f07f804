#pragma once

#include <QDialog>

namespace quillan {
class Import;
}

namespace quillan::controls {
class CSpinEdit;
}

namespace quillan::dialogs {

// "Scaling..." of the Imports tab: the offset and gain of one point. The caller stores them.
class ScaleImportDlg final : public QDialog {
    Q_OBJECT
public:
    explicit ScaleImportDlg(const Import& point, QWidget* parent = nullptr);

    [[nodiscard]] double offset() const;
    [[nodiscard]] double gain() const;

    [[nodiscard]] controls::CSpinEdit& offsetBox() const { return *m_offset; }
    [[nodiscard]] controls::CSpinEdit& gainBox() const { return *m_gain; }

private:
    controls::CSpinEdit* m_offset = nullptr;
    controls::CSpinEdit* m_gain = nullptr;
};

} // namespace quillan::dialogs
