#include "shell/LockKeyIndicators.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QStatusBar>

namespace quillan::shell {

namespace {

QLabel* pane(QStatusBar& bar, const QString& text)
{
    auto* label = new QLabel(text, &bar);
    label->setAlignment(Qt::AlignCenter);
    label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRLM")));
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    bar.addPermanentWidget(label);
    return label;
}

void showState(QLabel* label, const char* key, const std::optional<bool>& state)
{
    // A pane that is off or unknown is drawn disabled, as an unlit lamp.
    label->setEnabled(state.value_or(false));
    QString tip = QStringLiteral("%1: ").arg(QString::fromLatin1(key));
    if (!state) {
        tip += QStringLiteral("not known yet (it shows once the keyboard reveals it)");
    } else {
        tip += *state ? QStringLiteral("on") : QStringLiteral("off");
    }
    label->setToolTip(tip);
}

bool isKeypadNavigation(int key)
{
    switch (key) {
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Insert:
    case Qt::Key_Delete:
    case Qt::Key_Clear:
        return true;
    default:
        return false;
    }
}

} // namespace

LockKeyIndicators::LockKeyIndicators(QStatusBar& bar) : QObject(&bar)
{
    m_capsPane = pane(bar, QStringLiteral("CAP"));
    m_numPane = pane(bar, QStringLiteral("NUM"));
    m_scrollPane = pane(bar, QStringLiteral("SCRL"));
    qApp->installEventFilter(this);
    show();
}

LockKeyIndicators::~LockKeyIndicators()
{
    qApp->removeEventFilter(this);
}

bool LockKeyIndicators::eventFilter(QObject* watched, QEvent* event)
{
    // A key press passes the filter once for each widget it is offered to (the focus widget,
    // then its parents): learn from it once.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool seen = key == m_lastKey && key->timestamp() == m_lastTimestamp &&
                          key->key() == m_lastCode && key->modifiers() == m_lastModifiers;
        m_lastKey = key;
        m_lastTimestamp = key->timestamp();
        m_lastCode = key->key();
        m_lastModifiers = key->modifiers();
        if (!seen && !key->isAutoRepeat()) {
            learn(key->key(), key->modifiers(), key->text());
        }
    }
    return QObject::eventFilter(watched, event);
}

void LockKeyIndicators::learn(int key, Qt::KeyboardModifiers modifiers, const QString& text)
{
    const std::optional<bool> caps = m_caps;
    const std::optional<bool> num = m_num;
    const std::optional<bool> scroll = m_scroll;
    const auto flip = [](std::optional<bool>& state) {
        if (state) {
            state = !*state;
        }
    };
    if (key == Qt::Key_CapsLock) {
        flip(m_caps);
    } else if (key == Qt::Key_NumLock) {
        flip(m_num);
    } else if (key == Qt::Key_ScrollLock) {
        flip(m_scroll);
    } else if (modifiers & Qt::KeypadModifier) {
        if (key >= Qt::Key_0 && key <= Qt::Key_9) {
            m_num = true;
        } else if (isKeypadNavigation(key)) {
            m_num = false;
        }
    } else if (text.size() == 1 && text[0].isLetter() && text[0].isUpper() != text[0].isLower()) {
        const bool shift = (modifiers & Qt::ShiftModifier) != 0;
        m_caps = text[0].isUpper() != shift;
    }
    if (caps != m_caps || num != m_num || scroll != m_scroll) {
        show();
    }
}

void LockKeyIndicators::show()
{
    showState(m_capsPane, "Caps Lock", m_caps);
    showState(m_numPane, "Num Lock", m_num);
    showState(m_scrollPane, "Scroll Lock", m_scroll);
}

} // namespace quillan::shell
