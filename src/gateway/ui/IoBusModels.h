#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>
#include <vector>

namespace quillan {
class Export;
class Import;
class ZAVModule;
} // namespace quillan

namespace quillan::gateway::ui {

using IoModuleCopies = std::vector<std::unique_ptr<ZAVModule>>;

// The I/O bus page's module list: one row per working copy, in order: "ID" (the address in
// hexadecimal), "Interval (In)" and "Type".
class IoModuleListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { idColumn, intervalColumn, typeColumn };

    explicit IoModuleListModel(const IoModuleCopies& modules, QObject* parent = nullptr);

    // The copies changed: every row is read again.
    void refill();
    [[nodiscard]] ZAVModule* moduleAt(int row) const;

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;

private:
    const IoModuleCopies& m_modules;
};

// The points of one module: its inputs in the imports table, then its outputs, with their
// names (editable in place) and engineering units.
class IoPointListModel final : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { nameColumn, unitsColumn };

    struct Row {
        Import* input = nullptr;
        Export* output = nullptr;
    };

    explicit IoPointListModel(QObject* parent = nullptr);

    // Shows the module's points; none empties the list.
    void showModule(ZAVModule* module);
    [[nodiscard]] ZAVModule* module() const { return m_module; }
    [[nodiscard]] const Row* rowAt(int row) const;
    // The point of the row takes the name; false for an empty name, one that Windows-1252
    // cannot hold, or no such row.
    bool renamePoint(int row, const QString& name);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] int columnCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QVariant headerData(int section, Qt::Orientation orientation,
                                      int role) const override;
    [[nodiscard]] Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    ZAVModule* m_module = nullptr;
    std::vector<Row> m_rows;
};

} // namespace quillan::gateway::ui
