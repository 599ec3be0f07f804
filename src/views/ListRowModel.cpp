#include "views/ListRowModel.h"

#include "model/Text.h"
#include "shell/Icons.h"

#include <QPixmap>
#include <algorithm>
#include <map>

namespace quillan::views {

namespace {

// Row images are drawn once; a list asks for them on every paint.
const QPixmap& cachedRowImage(int index)
{
    static std::map<int, QPixmap> cache;
    auto it = cache.find(index);
    if (it == cache.end()) {
        it = cache.emplace(index, shell::rowImage(index)).first;
    }
    return it->second;
}

bool isAscii(const std::string& text)
{
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

} // namespace

QString displayText(const std::string& modelText)
{
    if (isAscii(modelText)) {
        return QString::fromLatin1(modelText.data(), static_cast<qsizetype>(modelText.size()));
    }
    return QString::fromStdString(cp1252ToUtf8(modelText));
}

ListRowModel::ListRowModel(std::vector<Column> columns, bool showsImages, QObject* parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns)), m_showsImages(showsImages)
{
}

void ListRowModel::setRows(ListRows rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

const ListRow* ListRowModel::rowAt(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(row)];
}

ListRow* ListRowModel::editRow(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(row)];
}

void ListRowModel::rowsChanged(int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, rowCount() - 1);
    if (first <= last) {
        Q_EMIT dataChanged(index(first, 0), index(last, columnCount() - 1));
    }
}

int ListRowModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ListRowModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

QVariant ListRowModel::data(const QModelIndex& index, int role) const
{
    const ListRow* row = index.isValid() ? rowAt(index.row()) : nullptr;
    if (row == nullptr) {
        return {};
    }
    const auto column = static_cast<size_t>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return column < row->cells.size() ? displayText(row->cells[column]) : QString();
    case Qt::DecorationRole:
        if (m_showsImages && column == 0 && row->image >= 0) {
            return cachedRowImage(row->image);
        }
        return {};
    default:
        return {};
    }
}

QVariant ListRowModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 ||
        static_cast<size_t>(section) >= m_columns.size()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return m_columns[static_cast<size_t>(section)].title;
    }
    return {};
}

} // namespace quillan::views
