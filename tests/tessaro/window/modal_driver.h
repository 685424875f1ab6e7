#pragma once
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <utility>

// Answers real modal dialogs while the code under test sits in their exec(): every 10 ms the
// next handler in the queue is given the active modal widget. A watchdog closes whatever is
// still modal after the time limit so that a broken test fails instead of hanging.
class ModalDriver : public QObject {
public:
    using Handler = std::function<void(QWidget*)>;

    explicit ModalDriver(int watchdogMs = 10000) : m_watchdogMs(watchdogMs)
    {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { Tick(); });
        m_clock.start();
        m_timer.start();
    }

    ModalDriver& Then(Handler h)
    {
        m_handlers.push_back(std::move(h));
        return *this;
    }

    bool Done() const { return m_handlers.empty(); }
    bool TimedOut() const { return m_bTimedOut; }

    // Handlers for the usual moves.
    static void Click(QWidget* w, const char* id)
    {
        auto* b = w->findChild<QPushButton*>(QString::fromLatin1(id));
        if (b) QTest::mouseClick(b, Qt::LeftButton);
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
    void Tick()
    {
        if (m_clock.elapsed() > m_watchdogMs) {
            if (QWidget* w = QApplication::activeModalWidget()) {
                m_bTimedOut = true;
                if (auto* d = qobject_cast<QDialog*>(w))
                    d->done(2);
                else
                    w->hide();
            }
            return;
        }
        if (m_handlers.empty()) return;
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        Handler h = std::move(m_handlers.front());
        m_handlers.pop_front();
        h(w);
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    std::deque<Handler> m_handlers;
    int m_watchdogMs;
    bool m_bTimedOut = false;
};
