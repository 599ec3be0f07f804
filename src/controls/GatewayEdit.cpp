#include "controls/GatewayEdit.h"

#include "controls/TextRules.h"

namespace quillan::controls {

GatewayEdit::GatewayEdit(QWidget* parent) : QLineEdit(parent)
{
    setValidator(new NodeNameValidator(this));
    explainRefusals(*this);
}

} // namespace quillan::controls
