#pragma once
#include "prompt.h"

#include <QString>

class QWidget;

// IPrompt over real modal message boxes with the Chinese button captions users expect.
class QtPrompt : public IPrompt {
public:
    // `title` is the box caption; the platform's message boxes carry the program's name.
    explicit QtPrompt(QString title, QWidget* parent = nullptr) : m_title(std::move(title)), m_parent(parent) {}
    void SetParent(QWidget* parent) { m_parent = parent; }

    Answer Message(const std::string& text, Buttons buttons) override;

private:
    QString m_title;
    QWidget* m_parent;
};
