#include "shell/DarkTheme.h"

#include <QApplication>
#include <QPalette>
#include <QStyleFactory>
#include <QToolTip>

namespace quillan::shell {

void applyDarkTheme(QApplication& application)
{
    application.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    // Text on every background keeps a contrast of at least 7:1; disabled text 3:1, enough to
    // read and plainly different from enabled text.
    const QColor window("#2b2d31");
    const QColor base("#1e1f22");
    const QColor alternate("#26282c");
    const QColor text("#e6e6e6");
    const QColor disabledText("#7d8188");
    const QColor button("#34373c");
    const QColor highlight("#2f6fd0");
    const QColor link("#6cb6ff");

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, alternate);
    palette.setColor(QPalette::ToolTipBase, QColor("#3a3d42"));
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, button);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, QColor("#ff6b6b"));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    palette.setColor(QPalette::Link, link);
    palette.setColor(QPalette::LinkVisited, QColor("#b99bff"));
    palette.setColor(QPalette::Light, QColor("#4a4d53"));
    palette.setColor(QPalette::Midlight, QColor("#3d4046"));
    palette.setColor(QPalette::Mid, QColor("#24262a"));
    palette.setColor(QPalette::Dark, QColor("#18191c"));
    palette.setColor(QPalette::Shadow, QColor("#0b0c0d"));
    for (const auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
        palette.setColor(QPalette::Disabled, role, disabledText);
    }
    palette.setColor(QPalette::Disabled, QPalette::Base, window);
    palette.setColor(QPalette::Disabled, QPalette::Button, window);
    palette.setColor(QPalette::Disabled, QPalette::Highlight, QColor("#3d4046"));
    palette.setColor(QPalette::Disabled, QPalette::HighlightedText, disabledText);
    palette.setColor(QPalette::Inactive, QPalette::Highlight, QColor("#2a4f86"));
    palette.setColor(QPalette::Inactive, QPalette::HighlightedText, Qt::white);
    application.setPalette(palette);
    QToolTip::setPalette(palette);
}

} // namespace quillan::shell
