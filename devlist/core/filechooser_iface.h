#pragma once
#include <filesystem>
#include <optional>

// Where a file name comes from: the file dialog in the program, scripted answers in tests.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Asks modally; the chosen full path, or nothing when cancelled.
    virtual std::optional<std::filesystem::path> Choose() = 0;
};
