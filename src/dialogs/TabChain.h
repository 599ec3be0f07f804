#pragma once

#include <QWidget>
#include <initializer_list>

namespace quillan::dialogs {

// The order Tab takes through a dialog's fields, first to last.
inline void setTabChain(std::initializer_list<QWidget*> widgets)
{
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}

} // namespace quillan::dialogs
