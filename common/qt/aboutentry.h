#pragma once
#include <QString>

#include <functional>

class QAction;
class QWidget;

// The About entry of a program's main window. Windows has a system menu to put it in (after a
// separator, command 0x0010); X11 and Wayland let no program add to the window menu, so there it
// sits in the window's own context menu and on F1. The returned action is that context-menu entry
// (also added on Windows, where it does no harm); `show` runs the About box.
QAction* AddAboutEntry(QWidget* window, const QString& text, std::function<void()> show);

// For a window's nativeEvent on Windows: true when `message` is the About entry's system command.
bool IsAboutSystemCommand(const void* message);
