#pragma once

#include <QObject>
#include <optional>

class QLabel;
class QStatusBar;

namespace quillan::shell {

// The status bar's CAP, NUM and SCRL panes. Qt offers no portable way to read the lock keys,
// so the state is learnt from what the keyboard sends: a letter typed in the case Shift does
// not explain means Caps Lock is on, a keypad digit means Num Lock is on, and a lock key
// pressed after that flips what is known. Until then (and always for Scroll Lock, which no
// key reveals) a pane shows dimmed, its tool-tip saying the state is unknown.
class LockKeyIndicators final : public QObject {
    Q_OBJECT
public:
    // Adds the three panes to the right end of the status bar and watches the application's
    // key presses.
    explicit LockKeyIndicators(QStatusBar& bar);
    ~LockKeyIndicators() override;

    [[nodiscard]] std::optional<bool> capsLock() const { return m_caps; }
    [[nodiscard]] std::optional<bool> numLock() const { return m_num; }
    [[nodiscard]] std::optional<bool> scrollLock() const { return m_scroll; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void learn(int key, Qt::KeyboardModifiers modifiers, const QString& text);
    void show();

    const QEvent* m_lastKey = nullptr;
    quint64 m_lastTimestamp = 0;
    int m_lastCode = 0;
    Qt::KeyboardModifiers m_lastModifiers;
    std::optional<bool> m_caps;
    std::optional<bool> m_num;
    std::optional<bool> m_scroll;
    QLabel* m_capsPane = nullptr;
    QLabel* m_numPane = nullptr;
    QLabel* m_scrollPane = nullptr;
};

} // namespace quillan::shell
