#pragma once
#include <deque>
#include <filesystem>
#include <optional>

#include "filechooser_iface.h"

// IFileChooser for tests: each Choose() takes the next queued answer (a path, or
// std::nullopt for a cancelled dialog); an empty queue behaves as a cancel.
class ScriptedChooser : public IFileChooser {
public:
    void Queue(std::optional<std::filesystem::path> answer) { answers_.push_back(std::move(answer)); }

    std::optional<std::filesystem::path> Choose() override {
        ++calls;
        if (answers_.empty()) return std::nullopt;
        auto a = std::move(answers_.front());
        answers_.pop_front();
        return a;
    }

    std::size_t Pending() const { return answers_.size(); }

    int calls = 0;

private:
    std::deque<std::optional<std::filesystem::path>> answers_;
};
