#include "aboutentry.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {
// Windows keeps the low four bits of a system command for itself.
constexpr unsigned kAboutCommand = 0x0010;
}  // namespace

QAction* AddAboutEntry(QWidget* window, const QString& text, std::function<void()> show)
{
    if (text.isEmpty()) return nullptr;
    auto* action = new QAction(text, window);
    action->setShortcut(QKeySequence(Qt::Key_F1));
    action->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(action, &QAction::triggered, window, [show = std::move(show)] { show(); });
    window->addAction(action);
    window->setContextMenuPolicy(Qt::ActionsContextMenu);
#ifdef Q_OS_WIN
    if (HMENU sys = ::GetSystemMenu(reinterpret_cast<HWND>(window->winId()), FALSE)) {
        ::AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(sys, MF_STRING, kAboutCommand, reinterpret_cast<LPCWSTR>(text.utf16()));
    }
#endif
    return action;
}

bool IsAboutSystemCommand(const void* message)
{
#ifdef Q_OS_WIN
    const MSG* msg = static_cast<const MSG*>(message);
    return msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kAboutCommand;
#else
    (void)message;
    return false;
#endif
}
