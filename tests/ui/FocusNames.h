#pragma once

// What a keyboard user would call the widget that has the focus, for tests that walk a
// dialog's tab order.

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QString>
#include <QTabBar>
#include <QWidget>

namespace quillan::test {

// A label's text as read aloud: no mnemonic marks ("&&" stays one "&"), no closing colon.
inline QString plain(QString text)
{
    text.replace("&&", "\x01");
    text.remove(u'&');
    text.replace(u'\x01', u'&');
    if (text.endsWith(u':')) {
        text.chop(1);
    }
    return text;
}

// A button's text, the page tabs, the field's label, else the title of the group it sits in,
// else its class.
inline QString describe(QWidget* widget)
{
    if (widget == nullptr) {
        return "(nothing)";
    }
    if (qobject_cast<QTabBar*>(widget) != nullptr) {
        return "page tabs";
    }
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return plain(button->text());
    }
    for (QLabel* label : widget->window()->findChildren<QLabel*>()) {
        if (label->buddy() == widget) {
            return plain(label->text());
        }
    }
    for (QWidget* up = widget->parentWidget(); up != nullptr; up = up->parentWidget()) {
        if (auto* group = qobject_cast<QGroupBox*>(up)) {
            return plain(group->title());
        }
    }
    return widget->metaObject()->className();
}

} // namespace quillan::test
