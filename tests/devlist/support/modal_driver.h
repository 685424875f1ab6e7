#pragma once
#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>

// Driving modal dialogs from a test.
//
// DriveModal runs `run` (which enters a modal loop, e.g. dlg.DoModal()) and calls `body` once
// the loop is going. Whatever `body` leaves open is ended with kLeftOpen, so a test can tell
// "still open" from a real result without waiting. The body must not itself block in a nested
// modal loop; use ModalPoller for real message boxes.
inline constexpr int kLeftOpen = -100;
inline constexpr int kWatchdogFired = -101;

template <class Run>
int DriveModal(QDialog& dlg, Run&& run, const std::function<void()>& body)
{
    QPointer<QDialog> guard(&dlg);
    QTimer::singleShot(0, &dlg, [guard, body] {
        body();
        if (guard && guard->isVisible()) guard->QDialog::done(kLeftOpen);
    });
    return run();
}

// Polls QApplication::activeModalWidget() every 10 ms and hands each newly appeared modal
// window to the next queued handler. A watchdog ends every modal window that is up and no
// handler takes after `watchdogMs`, so that a test that goes wrong fails instead of hanging. Handlers run inside a timer: an
// action that opens another modal window (a click that shows a message box) must be queued
// with QTimer::singleShot(0, ...) so that polling continues while it is open.
class ModalPoller {
public:
    using Handler = std::function<void(QWidget*)>;

    explicit ModalPoller(int watchdogMs = 10000)
    {
        m_poll.setInterval(10);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { Poll(); });
        m_watchdog.setSingleShot(true);
        m_watchdog.setInterval(watchdogMs);
        QObject::connect(&m_watchdog, &QTimer::timeout, [this] { Bite(); });
        m_poll.start();
        m_watchdog.start();
        m_hideWatch.poller = this;
    }

    void Expect(Handler handler) { m_handlers.push_back(std::move(handler)); }
    bool AllHandled() const { return m_handlers.empty(); }
    bool WatchdogFired() const { return m_bFired; }

    // Moves for handlers, on the child with that control id.
    static void Click(QWidget* w, const char* id)
    {
        if (auto* b = w->findChild<QPushButton*>(QString::fromLatin1(id))) QTest::mouseClick(b, Qt::LeftButton);
    }
    static void SetText(QWidget* w, const char* id, const QString& text)
    {
        if (auto* e = w->findChild<QLineEdit*>(QString::fromLatin1(id))) {
            e->selectAll();
            e->clear();
            QTest::keyClicks(e, text);
        }
    }

private:
    void Poll()
    {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible() || m_handlers.empty()) return;
        if (w == m_lastHandled) return;
        // A dialog that is kept and shown again counts as new once it has been hidden.
        if (m_lastHandled) m_lastHandled->removeEventFilter(&m_hideWatch);
        m_lastHandled = w;
        w->installEventFilter(&m_hideWatch);
        Handler h = std::move(m_handlers.front());
        m_handlers.pop_front();
        h(w);
    }

    void Bite()
    {
        // A process that was starved (a loaded machine) finds the poll and the watchdog both
        // overdue, and they fire in no set order: a dialog that is up with its handler waiting is
        // handed to it, not ended, and with no modal window up there is nothing to end yet.
        const std::size_t waiting = m_handlers.size();
        Poll();
        if (m_handlers.size() != waiting || !QApplication::activeModalWidget()) {
            m_watchdog.start();
            return;
        }
        m_bFired = true;
        m_poll.stop();
        // Innermost first: done() hides a window at once, so the next one becomes active and
        // every nested loop ends as the stack unwinds.
        for (int guard = 0; guard < 16; ++guard) {
            auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (!d) break;
            d->QDialog::done(kWatchdogFired);
        }
    }

    struct HideWatch : QObject {
        ModalPoller* poller = nullptr;
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            if (event->type() == QEvent::Hide && watched == poller->m_lastHandled) {
                watched->removeEventFilter(this);
                poller->m_lastHandled = nullptr;
            }
            return false;
        }
    };

    HideWatch m_hideWatch;
    QTimer m_poll;
    QTimer m_watchdog;
    std::deque<Handler> m_handlers;
    QPointer<QWidget> m_lastHandled;
    bool m_bFired = false;
};
