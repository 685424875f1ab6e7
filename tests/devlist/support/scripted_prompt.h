#pragma once
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "prompt.h"

// IPrompt for tests: answers come from a queue, every message shown is recorded.
// When the queue is empty the box is "closed without a choice", which answers the way
// the real message box does (Ok for Ok, No for YesNo, Cancel for YesNoCancel).
class ScriptedPrompt : public IPrompt {
public:
    struct Shown {
        std::string text;
        Buttons buttons;
    };

    void Queue(Answer answer) { answers_.push_back(answer); }

    Answer Message(const std::string& text, Buttons buttons) override {
        shown.push_back({text, buttons});
        if (!answers_.empty()) {
            Answer a = answers_.front();
            answers_.pop_front();
            return a;
        }
        switch (buttons) {
        case Buttons::Ok: return Answer::Ok;
        case Buttons::YesNo: return Answer::No;
        case Buttons::YesNoCancel: return Answer::Cancel;
        }
        return Answer::Ok;
    }

    std::size_t Count() const { return shown.size(); }
    // How many times `text` was shown.
    int CountOf(const std::string& text) const
    {
        int n = 0;
        for (const Shown& s : shown) n += s.text == text;
        return n;
    }
    // Text of the last message, empty when none was shown.
    std::string LastText() const { return shown.empty() ? std::string() : shown.back().text; }
    std::size_t Pending() const { return answers_.size(); }
    void Clear() {
        shown.clear();
        answers_.clear();
    }

    std::vector<Shown> shown;

private:
    std::deque<Answer> answers_;
};
