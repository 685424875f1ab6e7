#include "aboutentry.h"

#include <QAction>
#include <QKeySequence>
#include <QWidget>

#include "sysmenu.h"

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
#ifdef Q_OS_WIN // winId() would make a native window of it elsewhere, for nothing
    AppendSystemMenuCommand(static_cast<std::uintptr_t>(window->winId()), kAboutCommand,
                            reinterpret_cast<const char16_t*>(text.utf16()));
#endif
    return action;
}

bool IsAboutSystemCommand(const void* message)
{
    return IsSystemMenuCommand(message, kAboutCommand);
}
