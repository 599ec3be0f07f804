#include "dialogs/WizNewProjectSheet.h"

#include "dialogs/TabChain.h"
#include "dialogs/WizEndPage.h"
#include "dialogs/WizGatewayPage1.h"
#include "dialogs/WizProjectPage.h"
#include "dialogs/WizSitePage.h"
#include "dialogs/WizardPictures.h"
#include "dialogs/WizardSummary.h"
#include "model/Text.h"

#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::dialogs {

namespace {

constexpr int kHeaderHeight = 76;
constexpr int kButtonWidth = 96;

class SheetHeader final : public QWidget {
public:
    explicit SheetHeader(QWidget* parent) : QWidget(parent) { setFixedHeight(kHeaderHeight); }

    void setTexts(const QString& title, const QString& subtitle)
    {
        m_title = title;
        m_subtitle = subtitle;
        update();
    }

protected:
    void paintEvent(QPaintEvent* /*event*/) override
    {
        QPainter painter(this);
        paintWizardHeader(painter, rect(), m_title, m_subtitle);
    }

private:
    QString m_title;
    QString m_subtitle;
};

QFrame* rule(QWidget* parent)
{
    auto* line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Plain);
    line->setForegroundRole(QPalette::Midlight);
    return line;
}

QPushButton* sheetButton(const QString& text, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setMinimumWidth(kButtonWidth);
    return button;
}

} // namespace

WizNewProjectSheet::WizNewProjectSheet(ProjectSettings& settings, QWidget* parent)
    : QDialog(parent), m_settings(settings)
{
    setWindowTitle("New Project Wizard");

    auto* header = new SheetHeader(this);
    m_header = header;
    m_stack = new QStackedWidget(this);
    m_back = sheetButton("< &Back", this);
    m_next = sheetButton("&Next >", this);
    m_finish = sheetButton("&Finish", this);
    m_cancel = sheetButton("Cancel", this);
    setTabChain({m_back, m_next, m_finish, m_cancel});

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(16, 10, 16, 12);
    buttons->addStretch();
    buttons->addWidget(m_back);
    buttons->addWidget(m_next);
    buttons->addSpacing(6);
    buttons->addWidget(m_finish);
    buttons->addSpacing(14);
    buttons->addWidget(m_cancel);

    auto* pageArea = new QVBoxLayout;
    pageArea->setContentsMargins(20, 16, 20, 12);
    pageArea->addWidget(m_stack);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addWidget(rule(this));
    layout->addLayout(pageArea, 1);
    layout->addWidget(rule(this));
    layout->addLayout(buttons);

    m_projectPage = new WizProjectPage(settings, m_stack);
    m_sitePage = new WizSitePage(m_stack);
    addPage(m_projectPage);
    addPage(m_sitePage);
    m_steps = {m_projectPage, m_sitePage};

    connect(m_back, &QPushButton::clicked, this, &WizNewProjectSheet::back);
    connect(m_next, &QPushButton::clicked, this, &WizNewProjectSheet::next);
    connect(m_finish, &QPushButton::clicked, this, &WizNewProjectSheet::finish);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    // Room for the whole confirmation of a project with its gateway and the warning.
    setMinimumSize(660, 510);
    activate(m_projectPage);
}

WizNewProjectSheet::~WizNewProjectSheet() = default;

NewProjectValues WizNewProjectSheet::values() const
{
    return stepValues();
}

QString WizNewProjectSheet::targetPath() const
{
    return QString::fromStdString(wizardTargetPath(m_projectPage->folder().toStdString(),
                                                   m_projectPage->projectName().toStdString()));
}

NewProjectValues WizNewProjectSheet::stepValues() const
{
    NewProjectValues values;
    values.name = utf8ToCp1252(m_projectPage->projectName().toStdString());
    values.folder = QDir::fromNativeSeparators(m_projectPage->folder()).toStdString();
    values.band = m_sitePage->band();
    values.channel = m_sitePage->channel();
    values.group = m_sitePage->group();
    if (m_lastStep == stepGateway && m_gatewayPage != nullptr) {
        values.gateway = m_gatewayPage->values();
    }
    return values;
}

void WizNewProjectSheet::addPage(WizardPage* page)
{
    m_stack->addWidget(page);
    // Tab takes the page's fields in their order, then the buttons, whatever the order in
    // which the fields were made.
    QWidget* previous = m_cancel;
    for (QWidget* field : page->tabChain()) {
        QWidget::setTabOrder(previous, field);
        previous = field;
    }
    connect(page, &WizardPage::completeChanged, this, &WizNewProjectSheet::refreshButtons);
}

void WizNewProjectSheet::activate(WizardPage* page)
{
    m_current = page;
    if (page == m_projectPage) {
        m_lastStep = stepProject;
    } else if (page == m_sitePage) {
        m_lastStep = stepSite;
    } else if (page == m_gatewayPage) {
        m_lastStep = stepGateway;
    }
    page->onSetActive();
    m_stack->setCurrentWidget(page);
    static_cast<SheetHeader*>(m_header)->setTexts(page->headerTitle(), page->headerSubtitle());
    refreshButtons();
    const QList<QWidget*> fields = page->tabChain();
    const auto first = std::find_if(fields.begin(), fields.end(),
                                    [](QWidget* field) { return field->isEnabled(); });
    if (first != fields.end()) {
        (*first)->setFocus(Qt::TabFocusReason);
    }
}

void WizNewProjectSheet::refreshButtons()
{
    const bool complete = m_projectPage->isComplete();
    const bool onProject = m_current == m_projectPage;
    m_back->setEnabled(!onProject);
    m_next->setEnabled(onProject ? complete : m_current == m_sitePage);
    m_finish->setEnabled(!onProject || complete);
    m_finish->setText(m_current == m_endPage ? "&Confirm" : "&Finish");
    (m_next->isEnabled() ? m_next : m_finish)->setDefault(true);
}

void WizNewProjectSheet::back()
{
    m_current->storeFields();
    if (m_current == m_endPage) {
        activate(m_beforeEnd);
        return;
    }
    const auto at = std::find(m_steps.begin(), m_steps.end(), m_current);
    if (at != m_steps.end() && at != m_steps.begin()) {
        activate(*(at - 1));
    }
}

void WizNewProjectSheet::next()
{
    if (!m_next->isEnabled()) {
        return;
    }
    m_current->storeFields();
    if (m_gatewayPage == nullptr) {
        m_gatewayPage = new WizGatewayPage1(m_settings, m_stack);
        addPage(m_gatewayPage);
        m_steps.push_back(m_gatewayPage);
    }
    if (m_current == m_sitePage) {
        m_gatewayPage->setBand(m_sitePage->band());
    }
    const auto at = std::find(m_steps.begin(), m_steps.end(), m_current);
    if (at != m_steps.end() && at + 1 != m_steps.end()) {
        activate(*(at + 1));
    }
}

void WizNewProjectSheet::finish()
{
    if (!m_finish->isEnabled()) {
        return;
    }
    if (m_current == m_endPage) {
        accept();
        return;
    }
    m_current->storeFields();
    m_targetExists = QFileInfo::exists(targetPath());
    WizardSummary summary = wizardSummary(
        stepValues(), utf8ToCp1252(m_projectPage->folder().toStdString()), m_targetExists);
    if (m_endPage == nullptr) {
        m_endPage = new WizEndPage(m_settings, m_stack);
        addPage(m_endPage);
    }
    m_endPage->setSummary(std::move(summary));
    m_beforeEnd = m_current;
    activate(m_endPage);
}

} // namespace quillan::dialogs
