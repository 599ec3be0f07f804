#pragma once

#include <QStyledItemDelegate>

namespace quillan::controls {

// In-place editing of a text the project file keeps: the editor refuses, and explains, any
// character outside Windows-1252.
class ModelTextDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
};

} // namespace quillan::controls
