#include "gateway/ui/IOBusPage.h"

#include "controls/ModelTextDelegate.h"
#include "gateway/ZAVGateway.h"
#include "gateway/ui/PointNameMenu.h"
#include "gateway/ui/ZAVModuleDlg.h"
#include "model/Text.h"
#include "model/ZAVModule.h"

#include <QClipboard>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace quillan::gateway::ui {

namespace {

// Clipboard texts from this size on are not taken as tag names.
constexpr size_t kMaxPasteBytes = 1024;

struct ListColumn {
    int width;           // at the small dialog font
    const char* fitText; // the longest text the column shows
};

QTableView* makeList(QAbstractItemModel* model, std::initializer_list<ListColumn> columns,
                     QAbstractItemView::SelectionMode selection, QWidget* parent)
{
    auto* view = new QTableView(parent);
    model->setParent(view);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(selection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->setTabKeyNavigation(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(std::max(18, view->fontMetrics().height() + 4));
    QHeaderView* header = view->horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setStretchLastSection(true);
    header->setSectionsMovable(false);
    // The widths suit a small dialog font; a larger one still gets whole titles and texts.
    int column = 0;
    int total = 0;
    for (const ListColumn& c : columns) {
        const QString title = model->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
        const int width =
            std::max({c.width, header->fontMetrics().horizontalAdvance(title) + 16,
                      view->fontMetrics().horizontalAdvance(QString::fromLatin1(c.fitText)) + 16});
        view->setColumnWidth(column++, width);
        total += width;
    }
    // Room for a scroll bar too: sixteen modules need one on a small screen.
    view->setMinimumWidth(total + 2 * view->frameWidth() + 4 +
                          view->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    // The selection stays visible while the buttons have the focus.
    QPalette palette = view->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText}) {
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    }
    view->setPalette(palette);
    return view;
}

bool isEnterKey(int key)
{
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

} // namespace

IOBusPage::IOBusPage(ZAVGateway& gateway, ProjectSettings& settings, QWidget* parent)
    : PropertyPage("IO Bus", parent), m_gateway(gateway), m_settings(settings)
{
    for (const auto& node : gateway.ioModules()) {
        if (const auto* module = dynamic_cast<const ZAVModule*>(node.get())) {
            std::unique_ptr<ZAVModule> copy(static_cast<ZAVModule*>(module->clone().release()));
            copy->setParent(&gateway);
            m_copies.push_back(std::move(copy));
        }
    }

    m_modules = new IoModuleListModel(m_copies);
    m_moduleList = makeList(
        m_modules, {{50, "F"}, {85, "00:00:00"}, {205, "Analog, 4-20mA, 2In/2Out, Isolated"}},
        QAbstractItemView::SingleSelection, this);
    m_points = new IoPointListModel;
    m_pointList = makeList(m_points, {{77, "DOUT4_ST"}, {105, "Volts * 1000 [10,000]"}},
                           QAbstractItemView::ExtendedSelection, this);
    m_pointList->setEditTriggers(QAbstractItemView::EditKeyPressed);
    m_pointList->setItemDelegate(new controls::ModelTextDelegate(m_pointList));
    m_pointList->setContextMenuPolicy(Qt::CustomContextMenu);
    m_pointList->setEnabled(false);

    m_new = new QPushButton("&New...", this);
    m_remove = new QPushButton("&Remove", this);
    for (QPushButton* button : {m_new, m_remove}) {
        button->setAutoDefault(false);
    }

    auto* modulesLabel = new QLabel("I/O &Modules:", this);
    modulesLabel->setBuddy(m_moduleList);
    auto* pointsLabel = new QLabel("&Points:", this);
    pointsLabel->setBuddy(m_pointList);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_new);
    buttons->addWidget(m_remove);
    buttons->addStretch();
    auto* layout = new QGridLayout(this);
    layout->addWidget(modulesLabel, 0, 0);
    layout->addWidget(m_moduleList, 1, 0);
    layout->addLayout(buttons, 1, 1);
    layout->addWidget(pointsLabel, 2, 0);
    layout->addWidget(m_pointList, 3, 0);
    layout->setRowStretch(1, 3);
    layout->setRowStretch(3, 2);

    connect(m_new, &QPushButton::clicked, this, &IOBusPage::newModule);
    connect(m_remove, &QPushButton::clicked, this, &IOBusPage::removeModule);
    connect(m_moduleList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &IOBusPage::moduleSelectionChanged);
    connect(m_moduleList, &QTableView::doubleClicked, this,
            [this](const QModelIndex& index) { editModule(index.row()); });
    connect(m_pointList, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        m_pointList->setCurrentIndex(m_points->index(index.row(), IoPointListModel::nameColumn));
        editPointName();
    });
    connect(m_pointList, &QTableView::customContextMenuRequested, this, &IOBusPage::showPointMenu);
    m_moduleList->installEventFilter(this);
    QWidget::setTabOrder(m_moduleList, m_new);
    QWidget::setTabOrder(m_new, m_remove);
    QWidget::setTabOrder(m_remove, m_pointList);

    updateButtons();
}

IOBusPage::~IOBusPage()
{
    // The models read the copies; they go first.
    m_moduleList->selectionModel()->disconnect(this);
    m_points->showModule(nullptr);
    delete m_pointList;
    delete m_moduleList;
}

void IOBusPage::apply()
{
    m_gateway.syncIoModules(m_copies);
}

int IOBusPage::selectedModuleRow() const
{
    const QModelIndexList rows = m_moduleList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.front().row();
}

void IOBusPage::selectModuleRow(int row)
{
    m_moduleList->setCurrentIndex(m_modules->index(row, 0));
    m_moduleList->selectRow(row);
    // After a refill the same row may count as selected still: show its points all the same.
    moduleSelectionChanged();
}

std::vector<int> IOBusPage::selectedPointRows() const
{
    std::vector<int> rows;
    for (const QModelIndex& index : m_pointList->selectionModel()->selectedRows()) {
        rows.push_back(index.row());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

void IOBusPage::moduleSelectionChanged()
{
    const int row = selectedModuleRow();
    if (row >= 0) {
        m_points->showModule(m_modules->moduleAt(row));
        m_pointList->setEnabled(true);
    }
    updateButtons();
}

void IOBusPage::updateButtons()
{
    m_new->setEnabled(m_copies.size() < maxModules);
    m_remove->setEnabled(selectedModuleRow() >= 0);
}

void IOBusPage::newModule()
{
    if (m_copies.size() >= maxModules) {
        return;
    }
    ZAVModuleDlg dialog(m_gateway, nullptr, m_copies, m_settings, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    std::unique_ptr<ZAVModule> made = dialog.takeNewModule();
    if (!made) {
        return;
    }
    made->setMapOptions(dialog.mapOptions());
    m_copies.push_back(std::move(made));
    m_modules->refill();
    selectModuleRow(static_cast<int>(m_copies.size()) - 1);
}

void IOBusPage::removeModule()
{
    const int row = selectedModuleRow();
    if (row < 0) {
        return;
    }
    QMessageBox question(QMessageBox::Warning, "Remove I/O Module",
                         "Are you sure you would like to remove\nthis I/O Module?",
                         QMessageBox::Yes | QMessageBox::No, this);
    // Enter must not remove a module.
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes) {
        return;
    }
    m_points->showModule(nullptr);
    m_copies.erase(m_copies.begin() + row);
    m_modules->refill();
    if (row >= static_cast<int>(m_copies.size())) {
        m_pointList->setEnabled(false);
    } else {
        selectModuleRow(row);
    }
    // Also when nothing is selected now: a freed place is offered at once.
    updateButtons();
}

void IOBusPage::editModule(int row)
{
    ZAVModule* module = m_modules->moduleAt(row);
    if (module == nullptr) {
        return;
    }
    ZAVModuleDlg dialog(m_gateway, module, m_copies, m_settings, this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    m_modules->refill();
    selectModuleRow(row);
}

void IOBusPage::editPointName()
{
    const std::vector<int> rows = selectedPointRows();
    if (rows.empty()) {
        return;
    }
    const QModelIndex name = m_points->index(rows.front(), IoPointListModel::nameColumn);
    m_pointList->setFocus();
    m_pointList->selectionModel()->setCurrentIndex(name, QItemSelectionModel::NoUpdate);
    m_pointList->edit(name);
}

void IOBusPage::pasteTags()
{
    const QString clipboard = QGuiApplication::clipboard()->text();
    if (refusedTagText(*this, clipboard)) {
        return;
    }
    const std::string text = utf8ToCp1252(clipboard.toStdString());
    if (text.size() >= kMaxPasteBytes) {
        QMessageBox::warning(this, "Paste Tag(s)",
                             "The clipboard holds too much text to paste as tag names.\n"
                             "Copy fewer than 1,024 characters and try again.");
        return;
    }
    std::vector<std::string> names;
    std::string name;
    for (const char c : text) {
        if (c == '\r' || c == '\n' || c == '\0') {
            if (!name.empty()) {
                names.push_back(std::move(name));
            }
            name.clear();
        } else {
            name.push_back(c);
        }
    }
    if (!name.empty()) {
        names.push_back(std::move(name));
    }
    const std::vector<int> rows = selectedPointRows();
    for (size_t k = 0; k < names.size() && k < rows.size(); ++k) {
        m_points->renamePoint(rows[k], QString::fromStdString(cp1252ToUtf8(names[k])));
    }
}

void IOBusPage::showPointMenu(const QPoint& at)
{
    if (selectedPointRows().empty()) {
        return;
    }
    if (m_pointMenu == nullptr) {
        m_pointMenu = new QMenu(this);
        m_editName = m_pointMenu->addAction("Edit Name", this, &IOBusPage::editPointName);
        m_pointMenu->addSeparator();
        m_pasteTags = m_pointMenu->addAction("Paste Tag(s)", this, &IOBusPage::pasteTags);
    }
    m_editName->setEnabled(true);
    m_pasteTags->setEnabled(!QGuiApplication::clipboard()->text().isEmpty());
    m_pointMenu->exec(m_pointList->viewport()->mapToGlobal(at));
}

bool IOBusPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_moduleList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        // Enter opens the module, as a double-click does, rather than closing the sheet.
        if (isEnterKey(key) && selectedModuleRow() >= 0) {
            editModule(selectedModuleRow());
            return true;
        }
        if (key == Qt::Key_Delete && selectedModuleRow() >= 0) {
            removeModule();
            return true;
        }
    }
    return PropertyPage::eventFilter(watched, event);
}

} // namespace quillan::gateway::ui
