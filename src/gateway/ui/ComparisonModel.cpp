#include "gateway/ui/ComparisonModel.h"

#include "model/Text.h"

namespace quillan::gateway::ui {

namespace {

QString fromModel(const std::string& text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

} // namespace

ComparisonModel::ComparisonModel(std::vector<ComparisonRow> rows, QObject* parent)
    : QAbstractTableModel(parent), m_rows(std::move(rows))
{
}

int ComparisonModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int ComparisonModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : kColumns;
}

QVariant ComparisonModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount()) {
        return {};
    }
    const ComparisonRow& row = m_rows[static_cast<size_t>(index.row())];
    // Values may be longer than their column: the tip shows the whole of them.
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) {
        return {};
    }
    switch (index.column()) {
    case blockColumn:
        return fromModel(row.block);
    case placeColumn:
        return fromModel(row.place);
    case deviceColumn:
        return fromModel(row.device);
    case projectColumn:
        return fromModel(row.project);
    default:
        return {};
    }
}

QVariant ComparisonModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    switch (section) {
    case blockColumn:
        return QStringLiteral("Block");
    case placeColumn:
        return QStringLiteral("Where");
    case deviceColumn:
        return QStringLiteral("Device");
    case projectColumn:
        return QStringLiteral("Project");
    default:
        return {};
    }
}

} // namespace quillan::gateway::ui
