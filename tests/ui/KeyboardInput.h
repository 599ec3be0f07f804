#pragma once

// Input as a keyboard user gives it, for dialog tests.

#include <QComboBox>
#include <QStringList>
#include <QTest>
#include <QWidget>

namespace quillan::test {

// Replaces a field's text by typing, as after Tab into it.
inline void typeInto(QWidget& field, const QString& text)
{
    field.setFocus(Qt::TabFocusReason);
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Delete);
    QTest::keyClicks(&field, text);
}

inline QStringList entries(const QComboBox& list)
{
    QStringList texts;
    for (int i = 0; i < list.count(); ++i) {
        texts << list.itemText(i);
    }
    return texts;
}

} // namespace quillan::test
