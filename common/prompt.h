#pragma once
#include <string>

// Modal questions and messages, kept behind an interface so that the logic that asks can be
// driven by scripted answers in tests and by real message boxes in the programs.
// Texts are UTF-8.
class IPrompt {
public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~IPrompt() = default;
    // Shows `text` modally and returns the button the user chose. Closing the box without a
    // choice answers Cancel for YesNoCancel, No for YesNo and Ok for Ok, as the platform does.
    virtual Answer Message(const std::string& text, Buttons buttons) = 0;

    void Inform(const std::string& text) { Message(text, Buttons::Ok); }
};
