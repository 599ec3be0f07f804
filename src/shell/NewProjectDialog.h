#pragma once

#include "document/TarnDoc.h"

#include <QDialog>
#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillan::shell {

// What New asks until the new-project wizard takes its place: the project's name and folder.
// The project gets the wizard's defaults: a 900 MHz site on channel 0, group 0, and one
// gateway named "Gateway".
class NewProjectDialog final : public QDialog {
    Q_OBJECT
public:
    NewProjectDialog(const QString& folder, QWidget* parent = nullptr);

    // The dialog's values; only once it was accepted.
    [[nodiscard]] NewProjectValues values() const;
    // Why the values cannot be used yet; empty when they can.
    [[nodiscard]] QString problem() const;

    [[nodiscard]] QLineEdit* nameEdit() const { return m_name; }
    [[nodiscard]] QLineEdit* folderEdit() const { return m_folder; }

private:
    void browse();
    void revalidate();

    QLineEdit* m_name = nullptr;
    QLineEdit* m_folder = nullptr;
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace quillan::shell
