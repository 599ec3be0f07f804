#include "dialogs/WizEndPage.h"

#include "model/Text.h"
#include "settings/ProjectSettings.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QVBoxLayout>

namespace quillan::dialogs {

namespace {

// The text box shows line breaks; the saved text keeps its CRLF.
QString shown(const std::string& modelText)
{
    QString text = QString::fromStdString(cp1252ToUtf8(modelText));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

} // namespace

WizEndPage::WizEndPage(ProjectSettings& settings, QWidget* parent)
    : WizardPage("Confirmation",
                 "Review your project file and click \"Confirm\" to create your project.\n"
                 "Your next step is to update and calibrate all devices.",
                 parent),
      m_settings(settings)
{
    m_text = new QTextEdit(this);
    m_text->setReadOnly(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text->setTabChangesFocus(true);
    m_text->setLineWrapMode(QTextEdit::NoWrap);
    m_text->setTabStopDistance(28);
    m_saveText = new QPushButton("&Save Text", this);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_saveText);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_text, 1);
    layout->addLayout(buttons);

    connect(m_saveText, &QPushButton::clicked, this, &WizEndPage::saveText);
}

void WizEndPage::setSummary(WizardSummary summary)
{
    m_summary = std::move(summary);
    m_text->clear();
    QTextCursor cursor(m_text->document());
    const std::string& text = m_summary.text;
    const size_t warning = std::min(m_summary.warningLength, text.size());
    if (warning > 0) {
        QTextCharFormat red;
        red.setForeground(QColor(255, 10, 20));
        red.setFontWeight(QFont::Bold);
        cursor.insertText(shown(text.substr(0, warning)), red);
    }
    cursor.insertText(shown(text.substr(warning)), QTextCharFormat());
    m_text->moveCursor(QTextCursor::Start);
}

bool WizEndPage::saveTextTo(const QString& path)
{
    QSaveFile file(path);
    const QByteArray bytes = QByteArray::fromStdString(m_summary.text);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        QMessageBox::critical(this, SAVE_ERROR_TITLE, SAVE_ERROR_TEXT);
        return false;
    }
    return true;
}

QList<QWidget*> WizEndPage::tabChain() const
{
    return {m_text, m_saveText};
}

void WizEndPage::saveText()
{
    QFileDialog dialog(this, "Save As", QString::fromStdString(m_settings.wizardDefaultLoc()),
                       "Text Files (*.txt)");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix("txt");
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    (void)saveTextTo(dialog.selectedFiles().front());
}

} // namespace quillan::dialogs
