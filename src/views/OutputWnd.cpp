#include "views/OutputWnd.h"

#include "settings/VelLogFile.h"
#include "shell/TarnApp.h"
#include "views/OutputLineModel.h"

#include <QAction>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QListView>
#include <QMenu>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <array>
#include <vector>

namespace quillan::views {

bool OutputWnd::drawsMonospaced(const QFont& font)
{
    // What the font draws, not what it declares: fontconfig leaves the spacing of some
    // monospaced faces (Noto Sans Mono) unset, and QFontInfo then reports them proportional.
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(QLatin1Char('i'));
    return width > 0 && metrics.horizontalAdvance(QLatin1Char('W')) == width &&
           metrics.horizontalAdvance(QLatin1Char('0')) == width &&
           metrics.horizontalAdvance(QLatin1Char(' ')) == width;
}

QFont OutputWnd::outputFont()
{
    QFont wanted("Courier New", kFontPoints);
    wanted.setStyleHint(QFont::TypeWriter);
    wanted.setFixedPitch(true);
    QFont system = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    system.setPointSize(kFontPoints);
    std::vector<QFont> candidates{wanted, system};
    // DejaVu Sans Mono comes with the program's dependencies (fonts-dejavu-core).
    for (const char* family : {"DejaVu Sans Mono", "Liberation Mono", "Noto Sans Mono"}) {
        candidates.emplace_back(QString::fromLatin1(family), kFontPoints);
    }
    for (const QFont& font : candidates) {
        if (drawsMonospaced(font)) {
            return font;
        }
    }
    return wanted;
}

OutputWnd::OutputWnd(shell::TarnApp& app, QWidget* parent) : QWidget(parent), m_app(app)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_tabs = new QTabWidget(this);
    m_tabs->setTabPosition(QTabWidget::South);
    m_tabs->setDocumentMode(true);
    const QFont font = outputFont();
    for (List list : {build, debug}) {
        m_models[list] = new OutputLineModel(this);
        auto* view = new QListView(m_tabs);
        view->setModel(m_models[list]);
        view->setFont(font);
        // Two lines will do: the pane starts 100 pixels high, its caption and tabs included.
        view->setMinimumHeight(2 * QFontMetrics(font).lineSpacing());
        view->setUniformItemSizes(true);
        view->setLayoutMode(QListView::Batched);
        view->setBatchSize(10000);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        view->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, list, view](const QPoint& at) {
                    showListMenu(list, view->viewport()->mapToGlobal(at));
                });
        m_views[list] = view;
        m_tabs->addTab(view, list == build ? "Build" : "Debug");

        m_scrollLater[list] = new QTimer(this);
        m_scrollLater[list]->setSingleShot(true);
        m_scrollLater[list]->setInterval(0);
        connect(m_scrollLater[list], &QTimer::timeout, view, [this, list, view] {
            if (m_autoScroll[list]) {
                view->scrollToBottom();
            }
        });
    }
    layout->addWidget(m_tabs);

    m_poll = new QTimer(this);
    m_poll->setInterval(kPollIntervalMs);
    connect(m_poll, &QTimer::timeout, this, &OutputWnd::pollDebugPort);
    m_poll->start();
}

OutputWnd::~OutputWnd()
{
    m_poll->stop();
}

void OutputWnd::addOutputLine(const std::string& text)
{
    addLine(build, text);
}

void OutputWnd::addDebugLine(const std::string& text)
{
    addLine(debug, text);
    m_app.logFile().writeLine(text);
}

void OutputWnd::addLine(List list, const std::string& text)
{
    OutputLineModel& model = *m_models[list];
    model.append(VelLogFile::formatOutputLine(VelLogFile::localTime(), text));
    if (list == debug && model.size() > kMaxDebugLines) {
        model.removeOldest(kDebugTrim);
    }
    if (m_autoScroll[list] && !m_scrollLater[list]->isActive()) {
        m_scrollLater[list]->start();
    }
}

void OutputWnd::clearDebug()
{
    m_models[debug]->clear();
}

void OutputWnd::setAutoScroll(List list, bool on)
{
    m_autoScroll[list] = on;
    if (on) {
        m_scrollLater[list]->start();
    }
}

void OutputWnd::showListMenu(List list, const QPoint& globalPos)
{
    QMenu menu("Debug", this);
    QAction* autoScroll = menu.addAction("&Auto Scroll");
    autoScroll->setCheckable(true);
    autoScroll->setChecked(m_autoScroll[list]);
    connect(autoScroll, &QAction::toggled, this,
            [this, list](bool on) { setAutoScroll(list, on); });
    menu.exec(globalPos);
}

void OutputWnd::pollDebugPort()
{
    device::SerialLink* link = m_app.link();
    if (!m_active || link == nullptr || !link->isOpen() || !link->cts()) {
        return;
    }
    std::array<uint8_t, kPollBytes> buffer{};
    // Never wait here: this runs on the user-interface thread.
    const device::ReadResult result = link->read(buffer.data(), buffer.size(), 0);
    if (result.status != device::ReadStatus::data) {
        return;
    }
    m_assembler.feed(buffer.data(), result.count, [this](std::string line) { addDebugLine(line); });
}

void OutputWnd::suspend()
{
    if (!m_active) {
        return;
    }
    m_app.logFile().writeLine("OutputWindow::SuspendDebugOutput()");
    m_poll->stop();
    if (device::SerialLink* link = m_app.link(); link != nullptr && link->isOpen()) {
        (void)link->configure(device::DEVICE_LINE_SETTINGS);
    }
    m_active = false;
}

void OutputWnd::activate()
{
    if (m_active) {
        return;
    }
    m_app.logFile().writeLine("OutputWindow::ActivateDebugOutput()");
    if (device::SerialLink* link = m_app.link(); link != nullptr && link->isOpen()) {
        (void)link->configure(m_app.configPortLine());
    }
    m_poll->start();
    m_active = true;
}

} // namespace quillan::views
