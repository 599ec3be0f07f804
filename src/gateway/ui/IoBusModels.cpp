#include "gateway/ui/IoBusModels.h"

#include "gateway/IoModuleRules.h"
#include "model/Text.h"
#include "model/ZAVModule.h"
#include "views/ListRowModel.h"

namespace quillan::gateway::ui {

IoModuleListModel::IoModuleListModel(const IoModuleCopies& modules, QObject* parent)
    : QAbstractTableModel(parent), m_modules(modules)
{
}

void IoModuleListModel::refill()
{
    beginResetModel();
    endResetModel();
}

ZAVModule* IoModuleListModel::moduleAt(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_modules.size()) {
        return nullptr;
    }
    return m_modules[static_cast<size_t>(row)].get();
}

int IoModuleListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_modules.size());
}

int IoModuleListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant IoModuleListModel::data(const QModelIndex& index, int role) const
{
    const ZAVModule* module = moduleAt(index.row());
    if (module == nullptr || role != Qt::DisplayRole) {
        return {};
    }
    switch (index.column()) {
    case idColumn:
        return QString::fromStdString(strprintf("%X", module->address()));
    case intervalColumn: {
        const uint32_t s = module->getModuleInterval();
        return QString::fromStdString(strprintf("%02u:%02u:%02u", s / 3600, s % 3600 / 60, s % 60));
    }
    case typeColumn:
        return QString::fromLatin1(module->description());
    default:
        return {};
    }
}

QVariant IoModuleListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const titles[] = {"ID", "Interval (In)", "Type"};
    return section >= 0 && section < 3 ? QString::fromLatin1(titles[section]) : QVariant();
}

IoPointListModel::IoPointListModel(QObject* parent) : QAbstractTableModel(parent) {}

void IoPointListModel::showModule(ZAVModule* module)
{
    beginResetModel();
    m_module = module;
    m_rows.clear();
    if (module != nullptr) {
        for (const auto& input : *module->getModuleInputs()) {
            if (input && input->inImportTable) {
                m_rows.push_back({input.get(), nullptr});
            }
        }
        for (const auto& output : *module->getModuleOutputs()) {
            if (output) {
                m_rows.push_back({nullptr, output.get()});
            }
        }
    }
    endResetModel();
}

const IoPointListModel::Row* IoPointListModel::rowAt(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size()) {
        return nullptr;
    }
    return &m_rows[static_cast<size_t>(row)];
}

bool IoPointListModel::renamePoint(int row, const QString& name)
{
    const Row* r = rowAt(row);
    const std::string utf8 = name.toStdString();
    if (r == nullptr || name.isEmpty() || firstCharacterOutsideCp1252(utf8)) {
        return false;
    }
    const std::string text = utf8ToCp1252(utf8);
    if (r->input != nullptr) {
        r->input->pointName = text;
    } else {
        r->output->exportName = text;
    }
    const QModelIndex changed = index(row, nameColumn);
    Q_EMIT dataChanged(changed, changed);
    return true;
}

int IoPointListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int IoPointListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant IoPointListModel::data(const QModelIndex& index, int role) const
{
    const Row* r = rowAt(index.row());
    if (r == nullptr || m_module == nullptr || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    if (index.column() == nameColumn) {
        return views::displayText(r->input != nullptr ? r->input->pointName
                                                      : r->output->exportName);
    }
    if (index.column() == unitsColumn && role == Qt::DisplayRole) {
        return QString::fromLatin1(r->input != nullptr ? ioInputUnits(*m_module, *r->input)
                                                       : ioOutputUnits(*m_module, *r->output));
    }
    return {};
}

QVariant IoPointListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) {
        return {};
    }
    static const char* const titles[] = {"Name", "Engineering Units"};
    return section >= 0 && section < 2 ? QString::fromLatin1(titles[section]) : QVariant();
}

Qt::ItemFlags IoPointListModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && index.column() == nameColumn) {
        f |= Qt::ItemIsEditable;
    }
    return f;
}

bool IoPointListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || index.column() != nameColumn) {
        return false;
    }
    return renamePoint(index.row(), value.toString());
}

} // namespace quillan::gateway::ui
