#include "controls/CSEEdit.h"

#include "controls/TextRules.h"

namespace quillan::controls {

CSEEdit::CSEEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new SpinTextValidator(this));
}

void CSEEdit::open(const QString& text)
{
    m_openingText = text;
    setReadOnly(false);
    setText(text);
    selectAll();
}

} // namespace quillan::controls
