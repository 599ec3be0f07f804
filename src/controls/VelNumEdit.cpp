#include "controls/VelNumEdit.h"

#include "controls/TextRules.h"

#include <QSignalBlocker>

namespace quillan::controls {

VelNumEdit::VelNumEdit(QWidget* parent) : QLineEdit(parent)
{
    m_validator = new DigitsValidator(this);
    setValidator(m_validator);
}

bool VelNumEdit::allowDecimal() const
{
    return m_validator->allowDecimal();
}

void VelNumEdit::setAllowDecimal(bool allow)
{
    if (allow == m_validator->allowDecimal()) {
        return;
    }
    m_validator->setAllowDecimal(allow);
    // The line edit judges the text again only when it changes; one it now breaks must be
    // known as such, or Backspace over it would be rolled back.
    const QSignalBlocker quiet(this);
    const QString kept = text();
    const int cursor = cursorPosition();
    clear();
    setText(kept);
    setCursorPosition(cursor);
}

} // namespace quillan::controls
