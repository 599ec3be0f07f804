#include "dialogs/WizardPage.h"

#include <utility>

namespace quillan::dialogs {

WizardPage::WizardPage(QString title, QString subtitle, QWidget* parent)
    : QWidget(parent), m_title(std::move(title)), m_subtitle(std::move(subtitle))
{
}

} // namespace quillan::dialogs
