#pragma once

#include <QAbstractListModel>
#include <deque>
#include <string>

namespace quillan::views {

// The lines of one output list, oldest first, as they were stamped (8-bit character set).
// Appending and dropping the oldest lines are cheap at a million lines.
class OutputLineModel final : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    void append(std::string line);
    // Drops up to count of the oldest lines.
    void removeOldest(int count);
    void clear();

    [[nodiscard]] int size() const { return static_cast<int>(m_lines.size()); }
    [[nodiscard]] const std::string& line(int row) const
    {
        return m_lines[static_cast<size_t>(row)];
    }

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

private:
    std::deque<std::string> m_lines;
};

} // namespace quillan::views
