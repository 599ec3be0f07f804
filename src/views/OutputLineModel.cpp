#include "views/OutputLineModel.h"

#include "views/ListRowModel.h"

#include <algorithm>

namespace quillan::views {

void OutputLineModel::append(std::string line)
{
    const int row = size();
    beginInsertRows({}, row, row);
    m_lines.push_back(std::move(line));
    endInsertRows();
}

void OutputLineModel::removeOldest(int count)
{
    count = std::min(count, size());
    if (count <= 0) {
        return;
    }
    beginRemoveRows({}, 0, count - 1);
    m_lines.erase(m_lines.begin(), m_lines.begin() + count);
    endRemoveRows();
}

void OutputLineModel::clear()
{
    beginResetModel();
    m_lines.clear();
    // A deque keeps its blocks; a cleared million lines should give their memory back.
    std::deque<std::string>().swap(m_lines);
    endResetModel();
}

int OutputLineModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : size();
}

QVariant OutputLineModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= size()) {
        return {};
    }
    return displayText(line(index.row()));
}

} // namespace quillan::views
