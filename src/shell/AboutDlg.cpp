#include "shell/AboutDlg.h"

#include "shell/Icons.h"
#include "shell/Version.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

namespace quillan::shell {

AboutDlg::AboutDlg(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About Quillan"));
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(20, 20, 20, 14);
    layout->setHorizontalSpacing(18);

    auto* picture = new QLabel(this);
    picture->setPixmap(appPicture(64));
    picture->setAlignment(Qt::AlignTop);
    layout->addWidget(picture, 0, 0, 3, 1);

    auto* name = new QLabel(QStringLiteral("Quillan"), this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    layout->addWidget(name, 0, 1);
    layout->addWidget(new QLabel(QString::fromLatin1(VERSION_TEXT), this), 1, 1);
    auto* blurb = new QLabel(
        QStringLiteral("Configures ZAV Gateway Modules and their wireless I/O network."), this);
    blurb->setWordWrap(true);
    blurb->setMinimumWidth(260);
    layout->addWidget(blurb, 2, 1);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons, 3, 0, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace quillan::shell
