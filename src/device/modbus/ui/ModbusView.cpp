#include "device/modbus/ui/ModbusView.h"

#include "device/modbus/ModbusTab.h"
#include "device/modbus/ui/MBWriteDlg.h"
#include "device/modbus/ui/ModbusExchange.h"
#include "dialogs/EditStartingRegisterDlg.h"
#include "dialogs/WriteImportDlg.h"
#include "gateway/PointCommands.h"
#include "gateway/ZAVGateway.h"
#include "model/Import.h"
#include "model/ModbusMap.h"
#include "shell/TarnApp.h"
#include "views/ListRowModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace quillan::device::modbus {

using shell::Command;

namespace {

std::span<const uint8_t> frameOf(const QByteArray& bytes)
{
    return {reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size())};
}

} // namespace

ModbusView::ModbusView(shell::TarnApp& app, views::ListRowModel* model, QWidget* parent)
    : PointListView(model, parent), m_app(app), m_exchange(new ModbusExchange(app, this))
{
    // The last column only carries "Refresh" on refresh rows.
    setColumnHidden(COLUMN_REFRESH, true);
    connect(m_exchange, &ModbusExchange::runStarting, this, &ModbusView::markPending);
    connect(m_exchange, &ModbusExchange::readReplied, this, &ModbusView::placeReadReply);
    connect(m_exchange, &ModbusExchange::writeReplied, this, &ModbusView::placeWriteReply);
    connect(m_exchange, &ModbusExchange::finished, this, &ModbusView::exchangeEnded);
    connect(this, &QAbstractItemView::doubleClicked, this, [this] {
        // After the click has been handled: the dialog runs an event loop of its own.
        QMetaObject::invokeMethod(
            this, [this] { (void)runCommand(Command::mapWrite); }, Qt::QueuedConnection);
    });
}

ModbusView::~ModbusView()
{
    m_exchange->stop();
}

void ModbusView::setDebugOutput(std::function<views::OutputWnd*()> find)
{
    m_exchange->setDebugOutput(std::move(find));
}

ZAVGateway* ModbusView::gateway() const
{
    return dynamic_cast<ZAVGateway*>(viewNode());
}

void ModbusView::showNode(Node* node)
{
    setViewNode(node);
    refill();
}

void ModbusView::refill(const ModbusMap* select)
{
    ++m_fillCount;
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        rows().clear();
        return;
    }
    GatewayList list = g->fillModbusMapList(select);
    const auto notice = g->noticeToShow(list);
    showRows(std::move(list.rows));
    if (notice) {
        m_app.prompts().message(MessageIcon::warning, notice->caption, notice->text);
    }
}

std::vector<ModbusMap*> ModbusView::selectedEntries() const
{
    std::vector<ModbusMap*> entries;
    for (int row : selectedRows()) {
        ModbusMap* entry = rows().itemAt<ModbusMap>(row);
        if (entry != nullptr && std::find(entries.begin(), entries.end(), entry) == entries.end()) {
            entries.push_back(entry);
        }
    }
    return entries;
}

void ModbusView::selectEntries(const std::vector<ModbusMap*>& entries)
{
    std::vector<int> found;
    for (int row = 0; row < rows().rowCount(); ++row) {
        ModbusMap* entry = rows().itemAt<ModbusMap>(row);
        if (std::find(entries.begin(), entries.end(), entry) != entries.end()) {
            found.push_back(row);
        }
    }
    selectRows(found);
    if (!found.empty()) {
        scrollTo(rows().index(found.back(), 0));
        scrollTo(rows().index(found.front(), 0));
    }
}

bool ModbusView::isExchanging() const
{
    return m_exchange->isRunning();
}

bool ModbusView::canExchange() const
{
    // The port is shared with the device operations, which hold the connection flag.
    return !m_exchange->isRunning() && !m_app.connectionOpen() && !m_app.portBusy();
}

std::optional<bool> ModbusView::commandEnabled(Command command)
{
    const ZAVGateway* g = gateway();
    const std::vector<int> selected = selectedRows();
    const ModbusMap* first =
        selected.empty() ? nullptr : rows().itemAt<ModbusMap>(selected.front());
    switch (command) {
    case Command::mapMoveUp:
        return g != nullptr && selected.size() <= 1 && first != nullptr &&
               g->canMoveMapEntryUp(*first);
    case Command::mapMoveDown:
        return g != nullptr && selected.size() <= 1 && first != nullptr &&
               g->canMoveMapEntryDown(*first);
    case Command::mapAddRefreshTime:
        return g != nullptr && first != nullptr && !first->hasRefreshTime;
    case Command::mapRemoveRefreshTime:
        return g != nullptr && first != nullptr && first->hasRefreshTime;
    case Command::mapDelete:
        return g != nullptr && !selected.empty();
    case Command::mapNewWriteImport:
    case Command::mapEditStartingRegister:
        return g != nullptr;
    case Command::mapModifyWriteImport:
        return g != nullptr && first != nullptr &&
               dynamic_cast<const MBCommand*>(first->point) != nullptr;
    case Command::mapPoll:
        return g != nullptr && !selected.empty() && canExchange();
    case Command::mapWrite:
        return g != nullptr && selected.size() == 1 && canExchange();
    default:
        return std::nullopt;
    }
}

bool ModbusView::runCommand(Command command)
{
    const auto enabled = commandEnabled(command);
    if (!enabled) {
        return false;
    }
    if (!*enabled) {
        return true;
    }
    switch (command) {
    case Command::mapMoveUp:
    case Command::mapMoveDown:
        moveSelection(command == Command::mapMoveUp);
        break;
    case Command::mapAddRefreshTime:
    case Command::mapRemoveRefreshTime:
        setRefreshTime(command == Command::mapAddRefreshTime);
        break;
    case Command::mapDelete:
        deleteSelection();
        break;
    case Command::mapNewWriteImport: {
        dialogs::WriteImportDlg dialog(m_app.settings(), this);
        if (dialog.exec() == QDialog::Accepted) {
            newWriteImport(dialog.name(), dialog.isFloat());
        }
        break;
    }
    case Command::mapModifyWriteImport: {
        const std::vector<ModbusMap*> entries = selectedEntries();
        if (entries.empty() || entries.front()->point == nullptr) {
            break;
        }
        const ModbusMap& first = *entries.front();
        dialogs::WriteImportDlg dialog(m_app.settings(), first.point->pointName,
                                       first.isFloatFormat(), this);
        if (dialog.exec() == QDialog::Accepted) {
            modifyWriteImport(dialog.name());
        }
        break;
    }
    case Command::mapEditStartingRegister: {
        const ZAVGateway* g = gateway();
        if (g == nullptr) {
            break;
        }
        dialogs::EditStartingRegisterDlg dialog(static_cast<int>(g->startingRegister), this);
        if (dialog.exec() == QDialog::Accepted) {
            editStartingRegister(dialog.startingRegister());
        }
        break;
    }
    case Command::mapPoll:
        poll();
        break;
    case Command::mapWrite:
        write();
        break;
    default:
        return false;
    }
    return true;
}

void ModbusView::setModified()
{
    m_app.document().setModified();
}

void ModbusView::moveSelection(bool up)
{
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        return;
    }
    const ModbusMap* moved = nullptr;
    for (ModbusMap* entry : selectedEntries()) {
        if (up) {
            g->moveMapEntryUp(*entry);
        } else {
            g->moveMapEntryDown(*entry);
        }
        moved = entry;
    }
    setModified();
    refill(moved);
    if (moved != nullptr) {
        scrollTo(currentIndex());
    }
}

void ModbusView::setRefreshTime(bool on)
{
    const std::vector<ModbusMap*> entries = selectedEntries();
    for (ModbusMap* entry : entries) {
        entry->hasRefreshTime = on;
    }
    setModified();
    refill();
    // The registers after them have moved; the entries stay selected.
    selectEntries(entries);
}

void ModbusView::deleteSelection()
{
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        return;
    }
    // Held until the unlinking below has compared against them.
    std::vector<ZAVGateway::RemovedMapEntry> removed;
    for (ModbusMap* entry : selectedEntries()) {
        ZAVGateway::RemovedMapEntry taken = g->removeMapEntry(*entry);
        if (taken.entry) {
            removed.push_back(std::move(taken));
        }
    }
    TarnDoc& doc = m_app.document();
    bool unlinked = false;
    for (const ZAVGateway::RemovedMapEntry& taken : removed) {
        if (taken.writeImport) {
            // Other gateways may import the write import, and the clipboard may hold it.
            doc.forgetClipboardPoint(*taken.writeImport);
            doc.unlinkPointEverywhere(*taken.writeImport);
            unlinked = true;
        }
    }
    if (!removed.empty()) {
        setModified();
    }
    refill();
    if (unlinked) {
        Q_EMIT viewsChanged();
    }
}

void ModbusView::newWriteImport(const std::string& name, bool isFloat)
{
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        return;
    }
    (void)addNewWriteImport(*g, name, isFloat);
    setModified();
    refill();
    Q_EMIT viewsChanged();
}

void ModbusView::modifyWriteImport(const std::string& name)
{
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        return;
    }
    for (const ModbusMap* entry : selectedEntries()) {
        (void)g->editWriteImport(*entry, name);
    }
    setModified();
    refill();
}

void ModbusView::editStartingRegister(long value)
{
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        return;
    }
    g->editStartingRegister(value);
    setModified();
    refill();
    Q_EMIT viewsChanged();
}

// Poll and Write

void ModbusView::poll()
{
    ZAVGateway* g = gateway();
    if (g == nullptr || !canExchange()) {
        return;
    }
    const std::optional<uint8_t> slaveId = requestSlaveId(*g, m_app.notifications());
    if (!slaveId) {
        return;
    }
    // The reads as the rows close them; a row that closes a run is marked before that run is
    // read, as the walk reaches it.
    Exchange exchange{m_fillCount, selectedRows(), {}};
    std::vector<RegisterRun> runs;
    RunSplitter splitter;
    std::vector<int> pending;
    for (int row : exchange.rows) {
        const ListRow* listRow = rows().rowAt(row);
        const ModbusMap* entry = rows().itemAt<ModbusMap>(row);
        const std::optional<uint16_t> reg =
            listRow != nullptr ? rowRegister(*listRow) : std::nullopt;
        if (entry == nullptr || !reg) {
            continue;
        }
        pending.push_back(row);
        if (auto run = splitter.add(*reg, entry->isFloatFormat())) {
            runs.push_back(*run);
            exchange.pending.push_back(std::exchange(pending, {}));
        }
    }
    if (auto run = splitter.finish()) {
        runs.push_back(*run);
        exchange.pending.push_back(std::move(pending));
    }
    if (runs.empty()) {
        return;
    }
    m_running = std::move(exchange);
    startExchange();
    m_exchange->poll(*slaveId, std::move(runs));
}

void ModbusView::write()
{
    ZAVGateway* g = gateway();
    const int row = firstSelectedRow();
    const ListRow* listRow = rows().rowAt(row);
    if (g == nullptr || listRow == nullptr || !canExchange()) {
        return;
    }
    const std::optional<uint16_t> reg = rowRegister(*listRow);
    if (!reg) {
        return;
    }
    const std::optional<uint8_t> slaveId = requestSlaveId(*g, m_app.notifications());
    if (!slaveId) {
        return;
    }
    MBWriteDlg dialog(*reg, views::displayText(listRow->cells[COLUMN_REGISTER]),
                      views::displayText(listRow->cells[COLUMN_POINT]), this);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::optional<WriteValue> value = dialog.value();
    // The dialog's event loop may have let another exchange start or the node go.
    if (!value || gateway() != g || !canExchange()) {
        return;
    }
    m_running = Exchange{m_fillCount, selectedRows(), {}};
    startExchange();
    m_exchange->write(*slaveId, *reg, *value);
}

void ModbusView::startExchange()
{
    viewport()->setCursor(Qt::BusyCursor);
}

std::vector<ListRow*> ModbusView::exchangeRows()
{
    std::vector<ListRow*> found;
    if (!m_running || m_running->fill != m_fillCount) {
        return found;
    }
    for (int row : m_running->rows) {
        if (ListRow* listRow = rows().editRow(row)) {
            found.push_back(listRow);
        }
    }
    return found;
}

void ModbusView::redrawExchangeRows()
{
    if (m_running && !m_running->rows.empty()) {
        rows().rowsChanged(m_running->rows.front(), m_running->rows.back());
    }
}

void ModbusView::markPending(int run)
{
    if (!m_running || m_running->fill != m_fillCount || run < 0 ||
        static_cast<size_t>(run) >= m_running->pending.size()) {
        return;
    }
    for (int row : m_running->pending[static_cast<size_t>(run)]) {
        ListRow* listRow = rows().editRow(row);
        ModbusMap* entry = rows().itemAt<ModbusMap>(row);
        if (listRow == nullptr || entry == nullptr || listRow->cells.size() <= COLUMN_VALUE) {
            continue;
        }
        listRow->cells[COLUMN_VALUE] = POLL_PENDING_TEXT;
        (isRefreshRow(*listRow) ? entry->refreshText : entry->valueText) = POLL_PENDING_TEXT;
    }
    redrawExchangeRows();
}

void ModbusView::placeReadReply(const QByteArray& request, const QByteArray& reply)
{
    const std::vector<ListRow*> selected = exchangeRows();
    if (selected.empty()) {
        return;
    }
    showReadReply(frameOf(request), frameOf(reply), selected);
    redrawExchangeRows();
}

void ModbusView::placeWriteReply(const QByteArray& echo, bool floatWrite)
{
    const std::vector<ListRow*> selected = exchangeRows();
    if (selected.empty()) {
        return;
    }
    showWriteReply(frameOf(echo), floatWrite, selected);
    redrawExchangeRows();
}

void ModbusView::exchangeEnded(bool ok)
{
    m_running.reset();
    viewport()->unsetCursor();
    Q_EMIT exchangeFinished(ok);
}

// Drag to reorder, Enter

void ModbusView::mousePressEvent(QMouseEvent* event)
{
    m_drag = Drag{};
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton &&
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier)) == 0 &&
        gateway() != nullptr && rowAt(at.y()) >= 0) {
        m_drag.pressRow = rowAt(at.y());
        m_drag.pressPos = at;
    }
    // A press on a selected row keeps the selection, so that all of it can be dragged.
    PointListView::mousePressEvent(event);
}

void ModbusView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag.pressRow < 0) {
        PointListView::mouseMoveEvent(event);
        return;
    }
    const QPoint at = event->position().toPoint();
    if (!m_drag.dragging) {
        if ((at - m_drag.pressPos).manhattanLength() < QApplication::startDragDistance()) {
            return;
        }
        m_drag.entries = selectedEntries();
        if (m_drag.entries.empty()) {
            m_drag.pressRow = -1;
            return;
        }
        m_drag.dragging = true;
        m_drag.anchorY = m_drag.pressPos.y() + verticalOffset();
    }
    // In content pixels, so that a scroll to keep the rows in sight does not count as a step.
    const int step = verticalHeader()->defaultSectionSize();
    const auto pointerY = [&] { return at.y() + verticalOffset(); };
    while (pointerY() - m_drag.anchorY <= -step && dragStep(true)) {
        m_drag.anchorY -= step;
    }
    while (pointerY() - m_drag.anchorY >= step && dragStep(false)) {
        m_drag.anchorY += step;
    }
    event->accept();
}

void ModbusView::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_drag.dragging) {
        endDrag();
        event->accept();
        return;
    }
    m_drag = Drag{};
    PointListView::mouseReleaseEvent(event);
}

bool ModbusView::dragStep(bool up)
{
    ZAVGateway* g = gateway();
    if (g == nullptr) {
        return false;
    }
    // The dragged entries move together or not at all, so that none overtakes another.
    const bool blocked =
        std::any_of(m_drag.entries.begin(), m_drag.entries.end(), [&](const ModbusMap* entry) {
            return up ? !g->canMoveMapEntryUp(*entry) : !g->canMoveMapEntryDown(*entry);
        });
    if (blocked) {
        return false;
    }
    if (up) {
        for (ModbusMap* entry : m_drag.entries) {
            g->moveMapEntryUp(*entry);
        }
    } else {
        for (auto it = m_drag.entries.rbegin(); it != m_drag.entries.rend(); ++it) {
            g->moveMapEntryDown(**it);
        }
    }
    m_drag.moved = true;
    refill();
    selectEntries(m_drag.entries);
    return true;
}

void ModbusView::endDrag()
{
    const Drag drag = std::exchange(m_drag, Drag{});
    setState(NoState);
    if (drag.moved) {
        setModified();
        refill();
        selectEntries(drag.entries);
    }
}

void ModbusView::keyPressEvent(QKeyEvent* event)
{
    // Enter writes the row, as a double click does.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier &&
        commandEnabled(Command::mapWrite) == true) {
        event->accept();
        (void)runCommand(Command::mapWrite);
        return;
    }
    PointListView::keyPressEvent(event);
}

} // namespace quillan::device::modbus
