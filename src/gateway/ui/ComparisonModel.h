#pragma once

#include "gateway/ComparisonRows.h"

#include <QAbstractTableModel>
#include <vector>

namespace quillan::gateway::ui {

// The rows of Compare as a table: block, place, the device's value and the project's.
class ComparisonModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { blockColumn, placeColumn, deviceColumn, projectColumn };
    static constexpr int kColumns = 4;

    explicit ComparisonModel(std::vector<ComparisonRow> rows, QObject* parent = nullptr);

    [[nodiscard]] const std::vector<ComparisonRow>& rows() const { return m_rows; }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    std::vector<ComparisonRow> m_rows;
};

} // namespace quillan::gateway::ui
