#include "shell/MessageBoxPrompts.h"

#include "device/UpdateDevice.h"
#include "model/Text.h"

#include <QAbstractButton>
#include <QMessageBox>

namespace quillan::shell {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::information:
        return QMessageBox::Information;
    case MessageIcon::warning:
        return QMessageBox::Warning;
    case MessageIcon::error:
        return QMessageBox::Critical;
    case MessageIcon::question:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

QString fromModel(const std::string& text)
{
    return QString::fromStdString(cp1252ToUtf8(text));
}

} // namespace

void MessageBoxPrompts::message(MessageIcon icon, const std::string& caption,
                                const std::string& text)
{
    if (m_standIn != nullptr) {
        m_standIn->message(icon, caption, text);
        return;
    }
    QMessageBox box(boxIcon(icon), fromModel(caption), fromModel(text), QMessageBox::Ok, m_parent);
    box.exec();
}

MessageAnswer MessageBoxPrompts::ask(MessageIcon icon, const std::string& caption,
                                     const std::string& text, MessageButtons buttons)
{
    if (m_standIn != nullptr) {
        return m_standIn->ask(icon, caption, text, buttons);
    }
    QMessageBox::StandardButtons shown = QMessageBox::Ok;
    bool defaultNo = false;
    switch (buttons) {
    case MessageButtons::ok:
        shown = QMessageBox::Ok;
        break;
    case MessageButtons::okCancel:
        shown = QMessageBox::Ok | QMessageBox::Cancel;
        break;
    case MessageButtons::yesNo:
        shown = QMessageBox::Yes | QMessageBox::No;
        break;
    case MessageButtons::yesNoCancel:
        shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        break;
    case MessageButtons::yesNoDefaultNo:
        shown = QMessageBox::Yes | QMessageBox::No;
        defaultNo = true;
        break;
    case MessageButtons::yesNoCancelDefaultNo:
        shown = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        defaultNo = true;
        break;
    }
    QMessageBox box(boxIcon(icon), fromModel(caption), fromModel(text), shown, m_parent);
    if (defaultNo) {
        box.setDefaultButton(QMessageBox::No);
    }
    if (caption == device::SITE_SECURITY_CAPTION) {
        // The one question whose answers say what they do, on top: it stops an update that
        // is holding the port.
        box.button(QMessageBox::Yes)->setText(QStringLiteral("&Update Key"));
        box.button(QMessageBox::No)->setText(QStringLiteral("&Ignore Key"));
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    switch (box.exec()) {
    case QMessageBox::Ok:
        return MessageAnswer::ok;
    case QMessageBox::Yes:
        return MessageAnswer::yes;
    case QMessageBox::No:
        return MessageAnswer::no;
    default:
        // Closing the box answers as Escape would.
        return safeAnswer(buttons);
    }
}

} // namespace quillan::shell
