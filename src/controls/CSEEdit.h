#pragma once

#include <QLineEdit>

namespace quillan::controls {

// The in-place editor of a CSpinEdit: the spin edit opens it over its text area, pre-filled
// with the value, and reads it back when it closes. It refuses letters and the punctuation a
// number never holds.
class CSEEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit CSEEdit(QWidget* parent = nullptr);

    // Fills the editor and remembers the text, which Escape brings back.
    void open(const QString& text);
    [[nodiscard]] const QString& openingText() const { return m_openingText; }
    [[nodiscard]] bool isChanged() const { return text() != m_openingText; }

private:
    QString m_openingText;
};

} // namespace quillan::controls
