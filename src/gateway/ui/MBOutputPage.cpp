#include "gateway/ui/MBOutputPage.h"

#include "controls/ClampSpinBox.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/TabChain.h"
#include "gateway/ui/PointNameMenu.h"
#include "model/Text.h"
#include "views/ListRowModel.h"
#include "views/PointListView.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillan::gateway::ui {

MBOutputPage::MBOutputPage(MBModule& module, ModbusModuleSettings& settings, QWidget* parent)
    : PropertyPage("Modbus Outputs", parent), m_module(module), m_settings(settings),
      m_outputs(std::move(settings.outputs))
{
    m_registerBox = new controls::ClampSpinBox(this);
    m_registerBox->setRange(0, 65535);
    m_formatList = new QComboBox(this);
    m_formatList->addItem("int 16");
    m_formatList->setCurrentIndex(0);
    m_formatList->setEnabled(false);

    m_add = new QPushButton("&Add", this);
    m_update = new QPushButton("&Update", this);
    m_remove = new QPushButton("R&emove", this);

    m_list = new views::PointListView(
        new views::ListRowModel(
            {{"Register", 55, "R65535"}, {"Type", 90, "Integer (16 bit)"}, {"Name", 200}}, false),
        this);

    connect(m_registerBox, &QSpinBox::valueChanged, this, [this] {
        if (!m_followingSelection) {
            m_registerEntered = true;
        }
    });
    connect(m_formatList, &QComboBox::activated, this, [this] { m_formatChosen = true; });
    connect(m_add, &QPushButton::clicked, this, &MBOutputPage::add);
    connect(m_update, &QPushButton::clicked, this, &MBOutputPage::update);
    connect(m_remove, &QPushButton::clicked, this, &MBOutputPage::remove);
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { editName(); });
    connect(m_list, &views::PointListView::contextMenuRequested, this, [this](const QPoint& at) {
        if (m_list->firstSelectedRow() >= 0) {
            showPointNameMenu(
                *m_list, at, [this] { editName(); }, [this] { pasteTags(); });
        }
    });
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MBOutputPage::selectionChanged);
    auto* rename = new QAction(m_list);
    rename->setShortcut(Qt::Key_F2);
    rename->setShortcutContext(Qt::WidgetShortcut);
    connect(rename, &QAction::triggered, this, [this] { editName(); });
    m_list->addAction(rename);

    auto* registerLabel = new QLabel("&Register:", this);
    registerLabel->setBuddy(m_registerBox);
    auto* formatLabel = new QLabel("&Format:", this);
    formatLabel->setBuddy(m_formatList);
    auto* fields = new QGridLayout;
    fields->addWidget(registerLabel, 0, 0);
    fields->addWidget(m_registerBox, 0, 1);
    fields->addWidget(formatLabel, 1, 0);
    fields->addWidget(m_formatList, 1, 1);
    fields->setColumnStretch(2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_update);
    buttons->addWidget(m_remove);
    fields->addLayout(buttons, 1, 3);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_list, 1);

    dialogs::setTabChain({m_registerBox, m_formatList, m_add, m_update, m_remove, m_list});
    refill(m_outputs.empty() ? std::vector<int>{} : std::vector<int>{0});
    selectionChanged();
}

MBOutputPage::~MBOutputPage() = default;

Export* MBOutputPage::outputAt(size_t row) const
{
    if (row >= m_outputs.size()) {
        return nullptr;
    }
    const auto& entry = m_outputs[row];
    return entry.added ? entry.added.get() : entry.existing;
}

uint8_t MBOutputPage::formatCode() const
{
    const int index = std::max(m_formatList->currentIndex(), 0);
    return static_cast<uint8_t>(index == 0 ? 0 : index + 1);
}

void MBOutputPage::apply()
{
    m_registerBox->interpretText();
    // Outputs the page removed are left out of the list, so the module lets them go.
    m_settings.outputs = std::move(m_outputs);
    m_outputs.clear();
}

void MBOutputPage::touched(size_t row)
{
    if (row < m_outputs.size() && !m_outputs[row].added) {
        m_changedModuleOutputs = true;
    }
}

std::string MBOutputPage::newOutputName() const
{
    // Numbered by the outputs before it, passing over a name still in use: after a Remove
    // the count no longer says which numbers are free.
    for (int number = static_cast<int>(m_outputs.size());; ++number) {
        std::string name = strprintf("Output_%d", number);
        const bool taken = std::any_of(m_outputs.begin(), m_outputs.end(), [&](const auto& entry) {
            const Export* output = entry.added ? entry.added.get() : entry.existing;
            return output != nullptr && output->exportName == name;
        });
        if (!taken) {
            return name;
        }
    }
}

void MBOutputPage::add()
{
    m_registerBox->interpretText();
    auto output = makeModbusOutput(m_module, 0, static_cast<uint16_t>(m_registerBox->value()), 1,
                                   formatCode());
    output->exportName = newOutputName();
    ModbusModuleSettings::Output entry;
    entry.added = std::move(output);
    m_outputs.push_back(std::move(entry));
    refill({static_cast<int>(m_outputs.size()) - 1});
}

void MBOutputPage::update()
{
    m_registerBox->interpretText();
    // The field shows the first selected row's register, and the fixed format list may not be
    // the rows' format: only what the user entered is handed to the rows.
    if (!m_registerEntered && !m_formatChosen) {
        return;
    }
    const std::vector<int> rows = m_list->selectedRows();
    for (int row : rows) {
        if (Export* output = outputAt(static_cast<size_t>(row))) {
            if (m_registerEntered) {
                output->setDetailU16(2, static_cast<uint16_t>(m_registerBox->value()));
            }
            if (m_formatChosen) {
                output->details[5] = formatCode();
            }
            touched(static_cast<size_t>(row));
        }
    }
    refill(rows);
}

void MBOutputPage::remove()
{
    const std::vector<int> rows = m_list->selectedRows();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        const auto row = static_cast<size_t>(*it);
        if (row < m_outputs.size()) {
            m_removed.push_back(std::move(m_outputs[row]));
            m_outputs.erase(m_outputs.begin() + static_cast<std::ptrdiff_t>(row));
        }
    }
    refill({});
}

void MBOutputPage::editName()
{
    const int row = m_list->firstSelectedRow();
    Export* output = row >= 0 ? outputAt(static_cast<size_t>(row)) : nullptr;
    if (output == nullptr) {
        return;
    }
    dialogs::OutputNameDlg dialog(output->exportName, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    output->exportName = dialog.name();
    touched(static_cast<size_t>(row));
    refill({row});
}

void MBOutputPage::pasteTags()
{
    const std::vector<int> rows = m_list->selectedRows();
    if (rows.empty()) {
        return;
    }
    const std::vector<std::string> names = clipboardTagNames(*this);
    for (size_t k = 0; k < names.size() && k < rows.size(); ++k) {
        if (Export* output = outputAt(static_cast<size_t>(rows[k]))) {
            output->exportName = names[k];
            touched(static_cast<size_t>(rows[k]));
        }
    }
    refill(rows);
}

void MBOutputPage::refill(const std::vector<int>& selected)
{
    ListRows rows;
    rows.reserve(m_outputs.size());
    for (size_t i = 0; i < m_outputs.size(); ++i) {
        ListRow row;
        if (Export* output = outputAt(i)) {
            row.cells = {strprintf("R%d", output->detailU16(2)),
                         output->details[5] != 0 ? "Float (32 bit)" : "Integer (16 bit)",
                         output->exportName};
            row.item = output;
        } else {
            row.cells = {"", "", ""};
        }
        rows.push_back(std::move(row));
    }
    for (int row : selected) {
        if (row >= 0 && static_cast<size_t>(row) < rows.size()) {
            rows[static_cast<size_t>(row)].selected = true;
        }
    }
    m_list->showRows(std::move(rows));
    selectionChanged();
}

void MBOutputPage::selectionChanged()
{
    const int first = m_list->firstSelectedRow();
    m_update->setEnabled(first >= 0);
    m_remove->setEnabled(first >= 0);
    if (const Export* output = first >= 0 ? outputAt(static_cast<size_t>(first)) : nullptr) {
        m_followingSelection = true;
        m_registerBox->setValue(output->detailU16(2));
        m_followingSelection = false;
        m_registerEntered = false;
        m_formatChosen = false;
    }
}

} // namespace quillan::gateway::ui
