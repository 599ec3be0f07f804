#include "gateway/ui/NodePropertySheet.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>

namespace quillan::gateway::ui {

PropertyPage::PropertyPage(const QString& title, QWidget* parent) : QWidget(parent), m_title(title)
{
}

NodePropertySheet::NodePropertySheet(const QString& caption, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(caption);
    m_tabs = new QTabWidget(this);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_cancel = buttons->button(QDialogButtonBox::Cancel);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &NodePropertySheet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    m_sideButtons = new QHBoxLayout;
    auto* row = new QHBoxLayout;
    row->addLayout(m_sideButtons);
    row->addStretch();
    row->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_tabs);
    layout->addLayout(row);
}

void NodePropertySheet::addPage(PropertyPage* page)
{
    m_tabs->addTab(page, page->title());
    // Pages are added after the buttons, so their fields would follow Cancel in the focus
    // chain. Tab should take the page tabs, the page's fields, then OK and Cancel.
    QWidget* previous = m_tabs->tabBar();
    while (m_tabs->tabBar()->isAncestorOf(previous->nextInFocusChain())) {
        previous = previous->nextInFocusChain();
    }
    QList<QWidget*> fields;
    for (QWidget* w = page->nextInFocusChain(); page->isAncestorOf(w); w = w->nextInFocusChain()) {
        // Parts of a composite field (a spin box's editor) follow their field.
        if ((w->focusPolicy() & Qt::TabFocus) != 0 && w->focusProxy() == nullptr) {
            fields << w;
        }
    }
    for (QWidget* field : fields) {
        QWidget::setTabOrder(previous, field);
        previous = field;
    }
}

int NodePropertySheet::pageCount() const
{
    return m_tabs->count();
}

PropertyPage* NodePropertySheet::page(int index) const
{
    return qobject_cast<PropertyPage*>(m_tabs->widget(index));
}

PropertyPage* NodePropertySheet::currentPage() const
{
    return qobject_cast<PropertyPage*>(m_tabs->currentWidget());
}

void NodePropertySheet::setCurrentPage(int index)
{
    m_tabs->setCurrentIndex(index);
}

QPushButton* NodePropertySheet::addSideButton(const QString& text)
{
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    m_sideButtons->addWidget(button);
    return button;
}

int NodePropertySheet::run()
{
    return exec() == QDialog::Accepted ? resultOk : resultCancel;
}

void NodePropertySheet::accept()
{
    for (int i = 0; i < pageCount(); ++i) {
        if (PropertyPage* p = page(i); p != nullptr && !p->canApply()) {
            setCurrentPage(i);
            return;
        }
    }
    for (int i = 0; i < pageCount(); ++i) {
        if (PropertyPage* p = page(i)) {
            p->apply();
        }
    }
    QDialog::accept();
}

} // namespace quillan::gateway::ui
