#include "controls/ModelTextDelegate.h"

#include "controls/TextRules.h"

#include <QLineEdit>

namespace quillan::controls {

QWidget* ModelTextDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const
{
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* box = qobject_cast<QLineEdit*>(editor)) {
        guardModelText(*box);
    }
    return editor;
}

} // namespace quillan::controls
