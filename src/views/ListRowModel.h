#pragma once

#include "model/ListRow.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

namespace quillan::views {

// The rows of one point list as the core fills them: the cell texts (8-bit character set,
// converted for display as they are drawn), an optional row image in the first column and the
// object behind each row. The views never edit a cell; the Modbus tab's replies change value
// texts in place (editRow, then rowsChanged).
class ListRowModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    struct Column {
        QString title;
        int width = 100; // initial width in pixels
        // A text the column is made wide enough for, when the font needs more than width.
        QString fitText = {};
    };

    ListRowModel(std::vector<Column> columns, bool showsImages, QObject* parent = nullptr);

    [[nodiscard]] const std::vector<Column>& columns() const { return m_columns; }
    [[nodiscard]] bool showsImages() const { return m_showsImages; }

    // Replaces every row.
    void setRows(ListRows rows);
    void clear() { setRows({}); }
    [[nodiscard]] const ListRows& rows() const { return m_rows; }
    [[nodiscard]] const ListRow* rowAt(int row) const;
    // The row for changing its texts in place; rowsChanged redraws it afterwards.
    [[nodiscard]] ListRow* editRow(int row);
    void rowsChanged(int first, int last);
    // The object the row shows, when it is a T; none otherwise.
    template <class T> [[nodiscard]] T* itemAt(int row) const
    {
        const ListRow* r = rowAt(row);
        if (r == nullptr) {
            return nullptr;
        }
        const auto* item = std::get_if<T*>(&r->item);
        return item != nullptr ? *item : nullptr;
    }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    std::vector<Column> m_columns;
    bool m_showsImages = false;
    ListRows m_rows;
};

// A cell text of the model for the screen.
[[nodiscard]] QString displayText(const std::string& modelText);

} // namespace quillan::views
