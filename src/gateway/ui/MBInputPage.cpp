#include "gateway/ui/MBInputPage.h"

#include "controls/ClampSpinBox.h"
#include "dialogs/OutputNameDlg.h"
#include "dialogs/TabChain.h"
#include "gateway/ui/PointNameMenu.h"
#include "model/MBModule.h"
#include "model/Text.h"
#include "views/ListRowModel.h"
#include "views/PointListView.h"

#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMessageBox>
#include <QSpinBox>
#include <QTime>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::gateway::ui {

namespace {

constexpr uint8_t kValueFormatMask = 0x7F;
constexpr uint8_t kFunctionCode4 = 0x80;
constexpr uint8_t kFloatFormat = 2;
constexpr int kLastSecondOfDay = 24 * 3600 - 1;

QTime timeOfDay(uint32_t seconds)
{
    const int clamped = static_cast<int>(std::clamp<uint32_t>(seconds, 1, kLastSecondOfDay));
    return QTime(0, 0).addSecs(clamped);
}

QLabel* buddyLabel(const QString& text, QWidget* field)
{
    auto* label = new QLabel(text, field->parentWidget());
    label->setBuddy(field);
    return label;
}

} // namespace

MBInputPage::MBInputPage(ModbusModuleSettings& settings, QWidget* parent)
    : PropertyPage("Modbus Inputs", parent), m_settings(settings), m_interval(settings.interval),
      m_start(settings.firstRegister), m_count(settings.registerCount),
      m_format(settings.registerFormat), m_names(settings.inputNames)
{
    const bool isFloat = (m_format & kValueFormatMask) == kFloatFormat;
    m_maximum = isFloat ? kFloatRegisters : kIntRegisters;

    m_intervalBox = new QTimeEdit(this);
    m_intervalBox->setDisplayFormat("HH:mm:ss");
    m_intervalBox->setTimeRange(QTime(0, 0, 1), QTime(23, 59, 59));
    m_intervalBox->setTime(timeOfDay(m_interval));
    // What the fields show is what OK writes, also for values out of range in a file.
    m_interval = static_cast<uint32_t>(QTime(0, 0).secsTo(m_intervalBox->time()));

    m_startBox = new controls::ClampSpinBox(this);
    m_startBox->setRange(0, 65535);
    m_startBox->setValue(m_start);

    // Names only follow the number once it is entered: typing 12 must not first cut the list
    // down to one name on the way.
    m_countBox = new QSpinBox(this);
    m_countBox->setKeyboardTracking(false);
    m_countBox->setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    m_countBox->setRange(0, m_maximum);
    m_countBox->setValue(std::min(m_count, m_maximum));
    m_count = m_countBox->value();

    m_formatList = new QComboBox(this);
    m_formatList->addItems({"int 16", "float"});
    m_formatList->setCurrentIndex(isFloat ? 1 : 0);

    m_functionList = new QComboBox(this);
    m_functionList->addItems({"0x03", "0x04"});
    m_functionList->setCurrentIndex((m_format & kFunctionCode4) != 0 ? 1 : 0);

    m_list = new views::PointListView(
        new views::ListRowModel({{"Register", 95, "R65535"}, {"Name", 250}}, false), this);

    connect(m_intervalBox, &QTimeEdit::timeChanged, this, [this](QTime time) {
        m_interval = static_cast<uint32_t>(time.hour() * 3600 + time.minute() * 60 + time.second());
    });
    connect(m_startBox, &QSpinBox::valueChanged, this, [this](int value) {
        m_start = static_cast<uint16_t>(value);
        refill();
    });
    connect(m_countBox, &QSpinBox::valueChanged, this, &MBInputPage::setCount);
    connect(m_formatList, &QComboBox::activated, this, &MBInputPage::formatChosen);
    connect(m_functionList, &QComboBox::activated, this, [this](int index) {
        m_format =
            static_cast<uint8_t>((m_format & kValueFormatMask) | (index == 1 ? kFunctionCode4 : 0));
    });
    connect(m_list, &QAbstractItemView::doubleClicked, this, [this] { editName(); });
    connect(m_list, &views::PointListView::contextMenuRequested, this, [this](const QPoint& at) {
        if (m_list->firstSelectedRow() >= 0) {
            showPointNameMenu(
                *m_list, at, [this] { editName(); }, [this] { pasteTags(); });
        }
    });
    auto* rename = new QAction(m_list);
    rename->setShortcut(Qt::Key_F2);
    rename->setShortcutContext(Qt::WidgetShortcut);
    connect(rename, &QAction::triggered, this, [this] { editName(); });
    m_list->addAction(rename);

    auto* fields = new QGridLayout;
    fields->addWidget(buddyLabel("&Interval:", m_intervalBox), 0, 0);
    fields->addWidget(m_intervalBox, 0, 1);
    fields->addWidget(buddyLabel("&Starting Register:", m_startBox), 1, 0);
    fields->addWidget(m_startBox, 1, 1);
    fields->addWidget(buddyLabel("&Number of Registers:", m_countBox), 2, 0);
    fields->addWidget(m_countBox, 2, 1);
    fields->setColumnMinimumWidth(2, 24);
    fields->addWidget(buddyLabel("Register &Format:", m_formatList), 0, 3);
    fields->addWidget(m_formatList, 0, 4);
    fields->addWidget(buddyLabel("Function &Code:", m_functionList), 1, 3);
    fields->addWidget(m_functionList, 1, 4);
    fields->setColumnStretch(5, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(m_list, 1);

    dialogs::setTabChain(
        {m_intervalBox, m_startBox, m_countBox, m_formatList, m_functionList, m_list});
    refill();
}

void MBInputPage::apply()
{
    m_intervalBox->interpretText();
    m_startBox->interpretText();
    m_countBox->interpretText();
    m_settings.interval = m_interval;
    m_settings.firstRegister = m_start;
    m_settings.registerCount = static_cast<uint8_t>(m_count);
    m_settings.registerFormat = m_format;
    m_settings.inputNames = m_names;
}

void MBInputPage::setCount(int count)
{
    if (count < 0 || count > m_maximum) {
        return;
    }
    const auto n = static_cast<size_t>(count);
    if (n < m_names.size()) {
        m_names.resize(n);
    }
    for (size_t k = m_names.size() + 1; k <= n; ++k) {
        m_names.push_back(strprintf("Point_%d", static_cast<int>(k)));
    }
    m_count = count;
    refill();
}

void MBInputPage::setMaximum(int maximum)
{
    m_maximum = maximum;
    const QSignalBlocker quiet(m_countBox);
    m_countBox->setRange(0, maximum);
}

void MBInputPage::formatChosen(int index)
{
    const uint8_t function = m_format & kFunctionCode4;
    if (index == 1 && (m_format & kValueFormatMask) != kFloatFormat) {
        if (m_count > kFloatRegisters) {
            QMessageBox question(
                QMessageBox::Warning, "Delete Modbus Registers",
                QString::fromStdString(
                    strprintf("This change will eliminate %d Modbus registers.\r\nAre you sure?",
                              m_count - kFloatRegisters)),
                QMessageBox::Yes | QMessageBox::No, this);
            question.setDefaultButton(QMessageBox::No);
            if (question.exec() != QMessageBox::Yes) {
                // The registers stay, so the format must stay one that can hold them.
                m_formatList->setCurrentIndex(0);
                return;
            }
        }
        m_format = static_cast<uint8_t>(kFloatFormat | function);
        // Float values take two registers each, so the cap holds whether or not any had to go.
        setMaximum(kFloatRegisters);
        if (m_count > kFloatRegisters) {
            const QSignalBlocker quiet(m_countBox);
            m_countBox->setValue(kFloatRegisters);
            setCount(kFloatRegisters);
        }
    } else if (index == 0 && (m_format & kValueFormatMask) != 0) {
        m_format = function;
        setMaximum(kIntRegisters);
    }
}

void MBInputPage::refill(const std::vector<int>& selected)
{
    ListRows rows;
    rows.reserve(m_names.size());
    for (size_t i = 0; i < m_names.size(); ++i) {
        ListRow row;
        row.cells = {strprintf("R%d", m_start + static_cast<int>(i)), m_names[i]};
        rows.push_back(std::move(row));
    }
    for (int row : selected) {
        if (row >= 0 && static_cast<size_t>(row) < rows.size()) {
            rows[static_cast<size_t>(row)].selected = true;
        }
    }
    m_list->showRows(std::move(rows));
}

void MBInputPage::refill()
{
    refill(m_list->selectedRows());
}

void MBInputPage::editName()
{
    const int row = m_list->firstSelectedRow();
    if (row < 0 || static_cast<size_t>(row) >= m_names.size()) {
        return;
    }
    dialogs::OutputNameDlg dialog(m_names[static_cast<size_t>(row)], this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_names[static_cast<size_t>(row)] = dialog.name();
    refill({row});
}

void MBInputPage::pasteTags()
{
    const std::vector<int> rows = m_list->selectedRows();
    if (rows.empty()) {
        return;
    }
    const std::vector<std::string> names = clipboardTagNames(*this);
    for (size_t k = 0; k < names.size() && k < rows.size(); ++k) {
        const auto row = static_cast<size_t>(rows[k]);
        if (row < m_names.size()) {
            m_names[row] = names[k];
        }
    }
    refill(rows);
}

} // namespace quillan::gateway::ui
