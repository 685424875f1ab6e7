#pragma once
#include <filesystem>
#include <memory>
#include <optional>

class QWidget;
class QFileDialog;

// File dialogs behind an interface so windows can be driven by scripted answers in tests.
class IFileChooser {
public:
    virtual ~IFileChooser() = default;
    // Shows the dialog modally; the chosen full path, or nothing when cancelled.
    virtual std::optional<std::filesystem::path> Choose(QWidget* parent) = 0;
};

// The real chooser for device list files. One dialog is created on first use and kept, so
// that it comes back in the folder and with the name the user chose last time.
class QtFileChooser : public IFileChooser {
public:
    enum class Mode { Open, Save };

    explicit QtFileChooser(Mode mode);
    ~QtFileChooser() override;
    QtFileChooser(const QtFileChooser&) = delete;
    QtFileChooser& operator=(const QtFileChooser&) = delete;

    std::optional<std::filesystem::path> Choose(QWidget* parent) override;

    Mode GetMode() const { return mode_; }
    // The kept dialog, nullptr before the first Choose(); for tests that drive it.
    QFileDialog* Dialog() const;

private:
    Mode mode_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
