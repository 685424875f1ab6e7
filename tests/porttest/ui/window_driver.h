#pragma once
// Helpers for driving Porvik's windows by control id, as a user would.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

#include "recording_port.h"

template <class T>
T* Ctl(QWidget* window, int id)
{
    T* w = window->findChild<T*>(QString::number(id));
    if (!w)
        qFatal("no control with id %d", id);
    return w;
}

// On the box itself, not on its caption, so that the click lands whatever the caption's width.
inline void ClickBox(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }

// The twenty reads of one full refresh over registers that hold `data`, `status`, `control`:
// pins 1..17 in order, then the data, control and status registers.
inline std::vector<PortAccess> RefreshReads(std::uint8_t data, std::uint8_t status, std::uint8_t control)
{
    std::vector<PortAccess> v{Rc(control)};
    for (int pin = 2; pin <= 9; ++pin)
        v.push_back(Rd(data));
    for (int pin = 10; pin <= 13; ++pin)
        v.push_back(Rs(status));
    v.insert(v.end(), {Rc(control), Rs(status), Rc(control), Rc(control), Rd(data), Rc(control), Rs(status)});
    return v;
}

inline std::vector<PortAccess> Concat(std::vector<PortAccess> a, const std::vector<PortAccess>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Runs `handler` once on each modal window that becomes active while `action` runs (a modal loop
// blocks the test, so the handler must run from the event loop); the handler should end it. A
// modal left open is closed after the watchdog's time. Returns how many modals were handled.
inline int WithEachModal(const std::function<void()>& action, const std::function<void(QWidget*)>& handler)
{
    int handled = 0;
    QPointer<QWidget> last; // null again once that window is gone, whatever its address
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != last.data()) {
            last = modal;
            ++handled;
            handler(modal);
        } else if (clock.elapsed() > 5000 && modal) {
            modal->close(); // watchdog: never leave a test hanging in a modal loop
        }
    });
    poll.start();
    action();
    poll.stop();
    return handled;
}

// The same for the next modal window only; false when none appeared within the watchdog's time.
inline bool WithNextModal(const std::function<void()>& action, const std::function<void(QWidget*)>& handler)
{
    bool first = true;
    return WithEachModal(action, [&](QWidget* modal) {
               if (first) {
                   first = false;
                   handler(modal);
               }
           }) > 0;
}
