#pragma once
#include <filesystem>
#include <memory>
#include <optional>

#include "filechooser_iface.h"

class QFileDialog;

// The real chooser for device list files. One dialog is created on first use and kept, so
// that it comes back in the folder and with the name the user chose last time.
class QtFileChooser : public IFileChooser {
public:
    enum class Mode { Open, Save };

    explicit QtFileChooser(Mode mode);
    ~QtFileChooser() override;
    QtFileChooser(const QtFileChooser&) = delete;
    QtFileChooser& operator=(const QtFileChooser&) = delete;

    std::optional<std::filesystem::path> Choose() override;

    // The kept dialog, nullptr before the first Choose(); for tests that drive it.
    QFileDialog* Dialog() const;

private:
    Mode mode_;
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
