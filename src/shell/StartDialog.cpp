#include "shell/StartDialog.h"

#include "shell/Command.h"
#include "shell/Icons.h"
#include "shell/Version.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillan::shell {

namespace {

constexpr QSize kBannerSize(420, 110);
constexpr QSize kButtonIconSize(48, 48);

QToolButton* pictureButton(QWidget* parent, Command command, const QString& text,
                           const QString& tip)
{
    auto* button = new QToolButton(parent);
    button->setIcon(commandIcon(command));
    button->setIconSize(kButtonIconSize);
    button->setText(text);
    button->setToolTip(tip);
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(false);
    button->setMinimumSize(150, 96);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    return button;
}

} // namespace

StartDialog::StartDialog(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("Quillan"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 12);
    layout->setSpacing(12);

    auto* banner = new QLabel(this);
    banner->setPixmap(bannerPicture(kBannerSize));
    banner->setFixedSize(kBannerSize);
    layout->addWidget(banner);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(16, 0, 16, 0);
    buttons->setSpacing(16);
    m_new = pictureButton(this, Command::newProject, QStringLiteral("New Project..."),
                          QStringLiteral("Create a New Project..."));
    m_open = pictureButton(this, Command::open, QStringLiteral("Open Project..."),
                           QStringLiteral("Open an Existing Project..."));
    buttons->addWidget(m_new);
    buttons->addWidget(m_open);
    layout->addLayout(buttons);

    auto* version = new QLabel(QString::fromLatin1(VERSION_TEXT), this);
    version->setAlignment(Qt::AlignCenter);
    version->setForegroundRole(QPalette::PlaceholderText);
    layout->addWidget(version);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_new, &QToolButton::clicked, this, [this] { choose(Outcome::newProject); });
    connect(m_open, &QToolButton::clicked, this, [this] { choose(Outcome::openProject); });
    m_new->setFocus();
}

void StartDialog::keyPressEvent(QKeyEvent* event)
{
    // Enter chooses the button that has the focus, as it would a push button.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (auto* button = qobject_cast<QToolButton*>(focusWidget())) {
            button->click();
            return;
        }
    }
    QDialog::keyPressEvent(event);
}

void StartDialog::choose(Outcome outcome)
{
    m_outcome = outcome;
    accept();
}

} // namespace quillan::shell
