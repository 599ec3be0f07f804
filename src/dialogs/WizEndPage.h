#pragma once

#include "dialogs/WizardPage.h"
#include "dialogs/WizardSummary.h"

class QPushButton;
class QTextEdit;

namespace quillan {
class ProjectSettings;
}

namespace quillan::dialogs {

// The new-project wizard's confirmation page: what Confirm will create, with the overwrite
// warning in red when the project file exists, and "Save Text" to keep that text in a file.
class WizEndPage final : public WizardPage {
    Q_OBJECT
public:
    static constexpr const char* SAVE_ERROR_TITLE = "Error Saving File";
    static constexpr const char* SAVE_ERROR_TEXT =
        "Could not save to the selected file.  Please try again.";

    explicit WizEndPage(ProjectSettings& settings, QWidget* parent = nullptr);

    void setSummary(WizardSummary summary);
    [[nodiscard]] const WizardSummary& summary() const { return m_summary; }

    // Writes the confirmation text to the file, byte for byte; on failure the user is told
    // and whatever the file held stays.
    bool saveTextTo(const QString& path);

    [[nodiscard]] QTextEdit& textBox() const { return *m_text; }
    [[nodiscard]] QPushButton& saveTextButton() const { return *m_saveText; }

    [[nodiscard]] QList<QWidget*> tabChain() const override;

private:
    void saveText();

    ProjectSettings& m_settings;
    WizardSummary m_summary;
    QTextEdit* m_text = nullptr;
    QPushButton* m_saveText = nullptr;
};

} // namespace quillan::dialogs
