#pragma once

#include "document/TarnDoc.h"

#include <QDialog>
#include <cstddef>
#include <string>
#include <vector>

class QPushButton;
class QStackedWidget;

namespace quillan {
class ProjectSettings;
}

namespace quillan::dialogs {

class WizardPage;
class WizEndPage;
class WizGatewayPage1;
class WizProjectPage;
class WizSitePage;

// "New Project Wizard": the project's name and folder (step 1), its first site (step 2) and,
// optionally, its primary gateway (step 3), then a confirmation page. Step 3 joins the sheet
// with the first Next; Finish on any step shows the confirmation of what that step and the
// ones before it set, and its button then reads "Confirm", which accepts the sheet. Whether a
// gateway is made depends on the last step shown, not on how far the user once went.
class WizNewProjectSheet final : public QDialog {
    Q_OBJECT
public:
    enum Step { stepProject = 0, stepSite = 1, stepGateway = 2 };

    explicit WizNewProjectSheet(ProjectSettings& settings, QWidget* parent = nullptr);
    ~WizNewProjectSheet() override;

    // What Confirm hands over: name (in the model's character set), folder, site and, when
    // step 3 was the last step shown, the gateway.
    [[nodiscard]] NewProjectValues values() const;
    // The step page made active last.
    [[nodiscard]] Step lastStepShown() const { return m_lastStep; }
    // Whether the project file was found to exist when Finish was pressed.
    [[nodiscard]] bool targetExists() const { return m_targetExists; }
    // The project file the confirmed project is saved to, as the user sees it.
    [[nodiscard]] QString targetPath() const;

    [[nodiscard]] WizardPage* currentPage() const { return m_current; }
    [[nodiscard]] WizProjectPage& projectPage() const { return *m_projectPage; }
    [[nodiscard]] WizSitePage& sitePage() const { return *m_sitePage; }
    // Until the first Next there is no step 3, and until the first Finish no confirmation.
    [[nodiscard]] WizGatewayPage1* gatewayPage() const { return m_gatewayPage; }
    [[nodiscard]] WizEndPage* endPage() const { return m_endPage; }

    [[nodiscard]] QPushButton& backButton() const { return *m_back; }
    [[nodiscard]] QPushButton& nextButton() const { return *m_next; }
    // "Finish", or "Confirm" on the confirmation page.
    [[nodiscard]] QPushButton& finishButton() const { return *m_finish; }
    [[nodiscard]] QPushButton& cancelButton() const { return *m_cancel; }

private:
    void addPage(WizardPage* page);
    void activate(WizardPage* page);
    void refreshButtons();
    void back();
    void next();
    void finish();
    [[nodiscard]] NewProjectValues stepValues() const;

    ProjectSettings& m_settings;
    QWidget* m_header = nullptr;
    QStackedWidget* m_stack = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_finish = nullptr;
    QPushButton* m_cancel = nullptr;

    WizProjectPage* m_projectPage = nullptr;
    WizSitePage* m_sitePage = nullptr;
    WizGatewayPage1* m_gatewayPage = nullptr;
    WizEndPage* m_endPage = nullptr;
    // The step pages in order.
    std::vector<WizardPage*> m_steps;
    WizardPage* m_current = nullptr;
    WizardPage* m_beforeEnd = nullptr;
    Step m_lastStep = stepProject;
    bool m_targetExists = false;
};

} // namespace quillan::dialogs
