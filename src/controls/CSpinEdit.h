#pragma once

#include <QAbstractSpinBox>
#include <string_view>

namespace quillan::controls {

class CSEEdit;

// The range a spin edit steps in, with the digits its values keep.
struct SpinRange {
    double minimum = 0.0;
    double maximum = 0.0;
    int decimals = 0;
};

// n steps up from a value in the range. Past the maximum the overshoot wraps round to the
// minimum; from the maximum itself the next value is the minimum.
[[nodiscard]] double spinStepUp(double value, double step, int n, const SpinRange& range);
// The mirror of spinStepUp: past the minimum the overshoot wraps round to the maximum.
[[nodiscard]] double spinStepDown(double value, double step, int n, const SpinRange& range);
// The leading decimal number of a text, after any blanks; 0 when it starts with none.
[[nodiscard]] double leadingNumber(std::string_view text);

// A number field with arrows, wheel and keyboard stepping that wraps round at the ends, an
// optional unit suffix, and an in-place editor (CSEEdit) that opens on a click, on the focus
// or on typing and clamps what was typed into the range when it closes. Escape in the editor
// first takes back what was typed; when there is nothing to take back it reaches the dialog,
// as Enter does after the typed value is taken.
class CSpinEdit final : public QAbstractSpinBox {
    Q_OBJECT
public:
    enum Mode { integerMode = 0, floatMode = 1, floatMode2 = 2 };

    struct Settings {
        bool showSuffix = false;
        double value = 0.0;
        double defaultValue = 0.0; // kept for the owner
        double minimum = 0.0;
        double maximum = 100.0;
        double step = 1.0;
        int decimals = 0; // floating modes
        QString suffix;
        int mode = integerMode;
    };

    // Steps per wheel detent where the desktop does not say.
    static constexpr int DEFAULT_WHEEL_LINES = 3;
    // More digits than this would not survive the wrap-round arithmetic.
    static constexpr int MAX_DECIMALS = 12;

    explicit CSpinEdit(QWidget* parent = nullptr);

    // Integer mode truncates every number to an integer and uses no decimals. Then the range
    // is put in order, the step made positive and no larger than the range, and the value and
    // default clamped into the range. False, changing nothing, for an unknown mode.
    bool configure(const Settings& settings);
    [[nodiscard]] const Settings& settings() const { return m_settings; }

    [[nodiscard]] double value() const { return m_settings.value; }
    // Through configure, the other settings unchanged.
    void setValue(double value);

    // The value as shown: "%d" in integer mode, else with the configured decimals; the suffix
    // follows when it is shown.
    [[nodiscard]] QString valueText(bool withSuffix) const;

    // Steps per wheel detent; -1 means one step per detent.
    [[nodiscard]] int wheelLines() const { return m_wheelLines; }
    void setWheelLines(int lines) { m_wheelLines = lines; }

    [[nodiscard]] bool isEditing() const { return m_editing; }
    [[nodiscard]] CSEEdit& editor() const { return *m_editor; }

    void stepBy(int steps) override;
    [[nodiscard]] QSize sizeHint() const override;
    [[nodiscard]] QSize minimumSizeHint() const override;

Q_SIGNALS:
    // Every change the user makes: a step, the wheel, a typed value. Not for configure.
    void valueEdited(double value);

protected:
    [[nodiscard]] StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void openEditor();
    // Takes the typed value, clamped into the range; an unchanged text keeps the value as it is.
    void closeEditor();
    // Closes the editor without taking what was typed.
    void cancelEditor();
    void showValue();
    void userSet(double value);
    [[nodiscard]] SpinRange range() const;
    [[nodiscard]] QString formatValue(double value, bool withSuffix) const;

    Settings m_settings;
    CSEEdit* m_editor = nullptr;
    bool m_editing = false;
    // The click that gave the focus opened the editor; it must not also place the cursor.
    bool m_swallowClick = false;
    int m_wheelLines = DEFAULT_WHEEL_LINES;
    int m_wheelDelta = 0;
};

} // namespace quillan::controls
