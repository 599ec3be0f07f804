#include "controls/CSpinEdit.h"

#include "controls/CSEEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QStyleHints>
#include <QStyleOptionSpinBox>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace quillan::controls {

namespace {

// Scaled operands beyond this no longer fit a 64-bit integer.
constexpr double kMaxScaled = 9.0e18;

double scaleOf(int decimals)
{
    double scale = 1.0;
    for (int i = 0; i < decimals; ++i) {
        scale *= 10.0;
    }
    return scale;
}

// The remainder of a / b with the sign of a, taken on integers after both are scaled by the
// decimals, so that steps of 0.1 wrap round without a stray last digit.
double wrapRemainder(double a, double b, int decimals)
{
    const double scale = scaleOf(decimals);
    const double scaledA = std::round(a * scale);
    const double scaledB = std::round(b * scale);
    if (scaledB == 0.0) {
        return 0.0;
    }
    if (std::fabs(scaledA) < kMaxScaled && std::fabs(scaledB) < kMaxScaled) {
        const long long remainder =
            static_cast<long long>(scaledA) % static_cast<long long>(scaledB);
        return static_cast<double>(remainder) / scale;
    }
    return std::fmod(a, b);
}

double roundTo(double value, int decimals)
{
    const double scale = scaleOf(decimals);
    const double scaled = std::round(value * scale);
    return std::fabs(scaled) < kMaxScaled ? scaled / scale : value;
}

// Whether a value in the range sits on that end of it, to the digits the range keeps.
bool atEnd(double value, double end, int decimals)
{
    return std::fabs(value - end) < 0.5 / scaleOf(decimals);
}

double finished(double value, const SpinRange& range)
{
    return std::clamp(roundTo(value, range.decimals), range.minimum, range.maximum) + 0.0;
}

} // namespace

double spinStepUp(double value, double step, int n, const SpinRange& range)
{
    double next = value + step * n;
    if (next > range.maximum || next < range.minimum) {
        next = atEnd(value, range.maximum, range.decimals)
                   ? range.minimum
                   : range.minimum + wrapRemainder(next - range.minimum,
                                                   range.maximum - range.minimum, range.decimals);
    }
    return finished(next, range);
}

double spinStepDown(double value, double step, int n, const SpinRange& range)
{
    double next = value - step * n;
    if (next > range.maximum || next < range.minimum) {
        next = atEnd(value, range.minimum, range.decimals)
                   ? range.maximum
                   : range.maximum + wrapRemainder(next - range.minimum,
                                                   range.maximum - range.minimum, range.decimals);
    }
    return finished(next, range);
}

double leadingNumber(std::string_view text)
{
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size() || !((text[i] >= '0' && text[i] <= '9') || text[i] == '.')) {
        return 0.0;
    }
    double number = 0.0;
    const char* first = text.data() + i;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, number);
    if (error == std::errc::result_out_of_range) {
        // Too many digits either way: a huge number, or one too small to tell from 0.
        const std::string_view digits(first, static_cast<size_t>(end - first));
        const size_t point = digits.find('.');
        const bool huge = digits.substr(0, point).find_first_not_of('0') != std::string_view::npos;
        number = huge ? std::numeric_limits<double>::max() : 0.0;
    } else if (error != std::errc()) {
        return 0.0;
    }
    return negative ? -number : number;
}

CSpinEdit::CSpinEdit(QWidget* parent) : QAbstractSpinBox(parent)
{
    m_editor = new CSEEdit(this);
    setLineEdit(m_editor);
    m_editor->installEventFilter(this);
    const int lines = QGuiApplication::styleHints()->wheelScrollLines();
    m_wheelLines = lines > 0 ? lines : DEFAULT_WHEEL_LINES;
    showValue();
}

bool CSpinEdit::configure(const Settings& settings)
{
    if (settings.mode < integerMode || settings.mode > floatMode2) {
        return false;
    }
    Settings s = settings;
    for (double* number : {&s.value, &s.defaultValue, &s.minimum, &s.maximum, &s.step}) {
        if (!std::isfinite(*number)) {
            *number = 0.0;
        }
        if (s.mode == integerMode) {
            *number = std::trunc(*number);
        }
    }
    s.decimals = s.mode == integerMode ? 0 : std::clamp(s.decimals, 0, MAX_DECIMALS);
    if (s.minimum > s.maximum) {
        std::swap(s.minimum, s.maximum);
    }
    s.step = std::min(std::fabs(s.step), s.maximum - s.minimum);
    // Adding 0.0 turns -0 into 0, which would otherwise show as "-0.0".
    s.value = std::clamp(s.value, s.minimum, s.maximum) + 0.0;
    s.defaultValue = std::clamp(s.defaultValue, s.minimum, s.maximum) + 0.0;
    m_settings = std::move(s);
    if (m_editing) {
        m_editor->open(valueText(false));
    } else {
        showValue();
    }
    updateGeometry();
    return true;
}

void CSpinEdit::setValue(double value)
{
    Settings s = m_settings;
    s.value = value;
    (void)configure(s);
}

QString CSpinEdit::valueText(bool withSuffix) const
{
    return formatValue(m_settings.value, withSuffix);
}

QString CSpinEdit::formatValue(double value, bool withSuffix) const
{
    QString text = m_settings.mode == integerMode
                       ? QString::number(static_cast<long long>(value))
                       : QString::asprintf("%.*f", m_settings.decimals, value);
    if (withSuffix) {
        text += m_settings.suffix;
    }
    return text;
}

SpinRange CSpinEdit::range() const
{
    return {m_settings.minimum, m_settings.maximum, m_settings.decimals};
}

void CSpinEdit::stepBy(int steps)
{
    closeEditor();
    if (steps == 0) {
        return;
    }
    userSet(steps > 0 ? spinStepUp(m_settings.value, m_settings.step, steps, range())
                      : spinStepDown(m_settings.value, m_settings.step, -steps, range()));
}

QAbstractSpinBox::StepEnabled CSpinEdit::stepEnabled() const
{
    if (isReadOnly() || !isEnabled() || m_settings.maximum <= m_settings.minimum) {
        return StepNone;
    }
    // Both ways always: the value wraps round at the ends.
    return StepUpEnabled | StepDownEnabled;
}

QSize CSpinEdit::sizeHint() const
{
    ensurePolished();
    const QFontMetrics metrics(fontMetrics());
    int width = 0;
    for (double end : {m_settings.minimum, m_settings.maximum}) {
        width = std::max(width,
                         metrics.horizontalAdvance(formatValue(end, m_settings.showSuffix) + u' '));
    }
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    // Two pixels for the blinking cursor.
    const QSize text(width + 2, m_editor->sizeHint().height());
    return style()->sizeFromContents(QStyle::CT_SpinBox, &option, text, this);
}

QSize CSpinEdit::minimumSizeHint() const
{
    return sizeHint();
}

void CSpinEdit::showValue()
{
    m_editor->setReadOnly(true);
    m_editor->setText(valueText(m_settings.showSuffix));
    m_editor->setCursorPosition(0);
    update();
}

void CSpinEdit::userSet(double value)
{
    m_settings.value = value;
    showValue();
    Q_EMIT valueEdited(value);
}

void CSpinEdit::openEditor()
{
    if (m_editing || !isEnabled() || isReadOnly()) {
        return;
    }
    m_editing = true;
    m_editor->open(valueText(false));
}

void CSpinEdit::closeEditor()
{
    if (!m_editing) {
        return;
    }
    m_editing = false;
    // The text shows the value rounded to the field's decimals: read back untouched, it would
    // round the stored value.
    if (!m_editor->isChanged()) {
        showValue();
        return;
    }
    double typed = leadingNumber(m_editor->text().toStdString());
    // The value keeps the digits the field shows, so what is seen is what is stored.
    if (m_settings.mode != integerMode) {
        typed = roundTo(typed, m_settings.decimals);
    }
    if (typed != m_settings.value) {
        Settings s = m_settings;
        s.value = typed;
        (void)configure(s);
        Q_EMIT valueEdited(m_settings.value);
    }
    showValue();
}

void CSpinEdit::cancelEditor()
{
    if (!m_editing) {
        return;
    }
    m_editing = false;
    showValue();
}

void CSpinEdit::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    switch (event->key()) {
    case Qt::Key_Escape:
        if (m_editing && m_editor->isChanged()) {
            cancelEditor();
            event->accept();
            return;
        }
        // Nothing typed to take back: the dialog's Cancel.
        cancelEditor();
        event->ignore();
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        closeEditor();
        // On to the dialog's default button, which now reads the value just typed.
        event->ignore();
        return;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (ctrl && m_editing) {
            break;
        }
        stepBy(event->key() == Qt::Key_Up ? 1 : -1);
        event->accept();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (ctrl && m_editing) {
            // Ctrl keeps the editor open and moves inside the text, a character at a time.
            QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ControlModifier,
                            event->text(), event->isAutoRepeat(), event->count());
            m_editor->event(&plain);
            event->accept();
            return;
        }
        closeEditor();
        event->accept();
        return;
    default:
        break;
    }
    const QString text = event->text();
    const bool typed =
        !ctrl && !text.isEmpty() && (text.front().isPrint() || text.front() == u'\b');
    if (typed && !m_editing) {
        openEditor();
        if (text.front() == u' ') {
            // Space only opens the editor, its text selected.
            event->accept();
            return;
        }
    }
    // The editor is read-only while closed: there it only copies and selects.
    m_editor->event(event);
}

void CSpinEdit::focusInEvent(QFocusEvent* event)
{
    QAbstractSpinBox::focusInEvent(event);
    m_swallowClick = event->reason() == Qt::MouseFocusReason;
    openEditor();
}

void CSpinEdit::focusOutEvent(QFocusEvent* event)
{
    closeEditor();
    m_swallowClick = false;
    QAbstractSpinBox::focusOutEvent(event);
}

void CSpinEdit::hideEvent(QHideEvent* event)
{
    // A dialog ended by other means than a key or a click still gets what was typed.
    closeEditor();
    QAbstractSpinBox::hideEvent(event);
}

void CSpinEdit::mousePressEvent(QMouseEvent* event)
{
    // A press on the arrows, not on the text.
    m_swallowClick = false;
    QAbstractSpinBox::mousePressEvent(event);
}

void CSpinEdit::wheelEvent(QWheelEvent* event)
{
    if (!isEnabled() || isReadOnly()) {
        event->ignore();
        return;
    }
    m_wheelDelta += event->angleDelta().y();
    const int detents = m_wheelDelta / QWheelEvent::DefaultDeltasPerStep;
    m_wheelDelta -= detents * QWheelEvent::DefaultDeltasPerStep;
    if (detents != 0 && m_wheelLines != 0) {
        stepBy(detents * (m_wheelLines < 0 ? 1 : m_wheelLines));
    }
    event->accept();
}

void CSpinEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && !isEnabled()) {
        closeEditor();
    }
    QAbstractSpinBox::changeEvent(event);
}

bool CSpinEdit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_editor) {
        return QAbstractSpinBox::eventFilter(watched, event);
    }
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && isEnabled() &&
            (!m_editing || m_swallowClick)) {
            if (!hasFocus()) {
                setFocus(Qt::MouseFocusReason);
            }
            openEditor();
            m_editor->selectAll();
            m_swallowClick = true;
            return true;
        }
        break;
    case QEvent::MouseMove:
        if (m_swallowClick) {
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (m_swallowClick) {
            m_swallowClick = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QAbstractSpinBox::eventFilter(watched, event);
}

} // namespace quillan::controls
