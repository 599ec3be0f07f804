#pragma once

class QApplication;

namespace quillan::shell {

// The program's one look: the Fusion style with a dark palette. There is no theme switch.
void applyDarkTheme(QApplication& application);

} // namespace quillan::shell
