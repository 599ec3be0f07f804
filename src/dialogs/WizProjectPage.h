#pragma once

#include "dialogs/WizardPage.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace quillan {
class ProjectSettings;
}

namespace quillan::dialogs {

// Step 1 of the new-project wizard: the project's name and the folder its file goes in. The
// folder starts as the remembered project folder; "Browse..." changes both.
class WizProjectPage final : public WizardPage {
    Q_OBJECT
public:
    explicit WizProjectPage(ProjectSettings& settings, QWidget* parent = nullptr);

    // Name and folder are both given.
    [[nodiscard]] bool isComplete() const;
    // As shown (the folder with the platform's separators).
    [[nodiscard]] QString projectName() const;
    [[nodiscard]] QString folder() const;

    [[nodiscard]] QLineEdit& nameBox() const { return *m_name; }
    [[nodiscard]] QLineEdit& folderBox() const { return *m_folder; }
    [[nodiscard]] QPushButton& browseButton() const { return *m_browse; }

    [[nodiscard]] QList<QWidget*> tabChain() const override;

private:
    void nameChanged(const QString& text);
    void browse();
    // The file the project will be saved to, once name and folder are given.
    void showTarget();

    ProjectSettings& m_settings;
    QLineEdit* m_name = nullptr;
    QLineEdit* m_folder = nullptr;
    QPushButton* m_browse = nullptr;
    QLabel* m_target = nullptr;
};

} // namespace quillan::dialogs
