#pragma once

#include <QDialog>

namespace quillan::shell {

// "About Quillan": the program's picture, name and version, and OK.
class AboutDlg final : public QDialog {
    Q_OBJECT
public:
    explicit AboutDlg(QWidget* parent = nullptr);
};

} // namespace quillan::shell
