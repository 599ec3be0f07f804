#pragma once

#include "shell/Command.h"
#include "views/PointListView.h"

#include <QPoint>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quillan {
class ModbusMap;
class Node;
class ZAVGateway;
} // namespace quillan

namespace quillan::shell {
class TarnApp;
}

namespace quillan::views {
class ListRowModel;
class OutputWnd;
} // namespace quillan::views

namespace quillan::device::modbus {

class ModbusExchange;

// The Modbus tab: the slave map of the shown gateway, one row per register (integer table,
// then floating-point table), with its commands, drag to reorder, and the poll and write of
// registers on the attached gateway.
//
// Poll and Write run on a worker (ModbusExchange) and the window keeps answering meanwhile.
// The rows an exchange fills are fixed when it starts; should the list be filled again before
// a reply comes back (an edit, another node), that reply is not shown: the rows it was meant
// for are gone, and the values already shown live on in their entries.
class ModbusView final : public views::PointListView {
    Q_OBJECT
public:
    // model: the tab's columns (Select All, Type, Register, Source, Point, Value, Refresh).
    ModbusView(shell::TarnApp& app, views::ListRowModel* model, QWidget* parent = nullptr);
    ~ModbusView() override;

    void setDebugOutput(std::function<views::OutputWnd*()> find);

    // The node the tabbed view shows: its map is listed when it is a gateway.
    void showNode(Node* node);
    // Fills the list again, keeping the top row; select is the entry whose row is selected.
    void refill(const ModbusMap* select = nullptr);
    [[nodiscard]] ZAVGateway* gateway() const;

    [[nodiscard]] std::optional<bool> commandEnabled(shell::Command command);
    bool runCommand(shell::Command command);

    // A poll or write is on its way.
    [[nodiscard]] bool isExchanging() const;
    // The entries of the selected rows in list order, each once.
    [[nodiscard]] std::vector<ModbusMap*> selectedEntries() const;

    // What the dialogs of New Write Import, Modify Write Import and Edit Starting Register
    // lead to once they are confirmed.
    void newWriteImport(const std::string& name, bool isFloat);
    void modifyWriteImport(const std::string& name);
    void editStartingRegister(long value);

Q_SIGNALS:
    // The points changed in a way the other tabs show too.
    void viewsChanged();
    // A poll or write ended; ok when every request was answered correctly.
    void exchangeFinished(bool ok);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    [[nodiscard]] bool canExchange() const;
    void moveSelection(bool up);
    void setRefreshTime(bool on);
    void deleteSelection();
    void poll();
    void write();
    void startExchange();
    void markPending(int run);
    void placeReadReply(const QByteArray& request, const QByteArray& reply);
    void placeWriteReply(const QByteArray& echo, bool floatWrite);
    void exchangeEnded(bool ok);
    // The rows the running exchange fills, while the list is still the one it started on.
    [[nodiscard]] std::vector<ListRow*> exchangeRows();
    void redrawExchangeRows();
    void selectEntries(const std::vector<ModbusMap*>& entries);
    // One row step of a drag; false when a dragged entry cannot go further.
    bool dragStep(bool up);
    void endDrag();
    void setModified();

    shell::TarnApp& m_app;
    ModbusExchange* m_exchange = nullptr;
    uint64_t m_fillCount = 0; // refills so far; an exchange's rows belong to one fill

    struct Exchange {
        uint64_t fill = 0;
        std::vector<int> rows;                 // selected when it started, in list order
        std::vector<std::vector<int>> pending; // per run: the rows marked "--" before its read
    };
    std::optional<Exchange> m_running;

    struct Drag {
        int pressRow = -1;
        QPoint pressPos;
        bool dragging = false;
        int anchorY = 0; // where the dragged rows stand, in viewport pixels
        std::vector<ModbusMap*> entries;
        bool moved = false;
    };
    Drag m_drag;
};

} // namespace quillan::device::modbus
