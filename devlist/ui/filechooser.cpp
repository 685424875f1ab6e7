#include "filechooser.h"

#include "windowtext.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QSettings>
#include <QStringList>

#include <utility>

namespace {

// A file dialog stores its history, folder and view state in the user's toolkit settings when it
// goes, and nothing lets it be told not to; the program keeps no state between runs. Where those
// settings are files, they are pointed beneath the program's own file, where no folder can be
// made: reading finds nothing and writing fails quietly. (On Windows they live in the registry,
// which takes no path.)
void KeepToolkitSettingsUnstored()
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QCoreApplication::applicationFilePath() + QStringLiteral("/no-settings"));
}

// The name completer's list is a window of its own, not a child of the dialog: left open after
// Enter accepted a typed name, it would float over the main window and swallow the next click.
void CloseCompleterPopups(QFileDialog& dialog)
{
    for (QCompleter* completer : dialog.findChildren<QCompleter*>())
        if (QAbstractItemView* popup = completer->popup(); popup && popup->isVisible()) popup->hide();
}

// Qt's own file dialog gives the folder and the file-type labels no buddy, so their "&" would
// show as a character instead of underlining the key that reaches the box beside them.
void BindMnemonicLabels(QFileDialog& dialog)
{
    const std::pair<const char*, const char*> pairs[] = {{"lookInLabel", "lookInCombo"}, {"fileTypeLabel", "fileTypeCombo"}};
    for (const auto& [labelName, boxName] : pairs) {
        auto* label = dialog.findChild<QLabel*>(QLatin1String(labelName));
        if (!label || label->buddy()) continue;
        if (auto* box = dialog.findChild<QWidget*>(QLatin1String(boxName)))
            label->setBuddy(box);
        else
            label->setText(label->text().remove(QLatin1Char('&')));
    }
}

}  // namespace

struct QtFileChooser::Impl {
    // Parentless, as the platform's file dialogs were: it outlives any window it was shown over.
    std::unique_ptr<QFileDialog> dialog;
    QString lastPath;
};

QtFileChooser::QtFileChooser(Mode mode) : mode_(mode), impl_(std::make_unique<Impl>()) {}

QtFileChooser::~QtFileChooser() = default;

QFileDialog* QtFileChooser::Dialog() const { return impl_->dialog.get(); }

std::optional<std::filesystem::path> QtFileChooser::Choose()
{
    if (!impl_->dialog) {
        KeepToolkitSettingsUnstored();
        auto dlg = std::make_unique<QFileDialog>(nullptr);
        dlg->setOption(QFileDialog::DontUseNativeDialog, true);
        dlg->setNameFilter(QString::fromUtf8(kChipFilterName));
        dlg->setDefaultSuffix(QString::fromUtf8(kChipExtension));
        dlg->setWindowModality(Qt::ApplicationModal);
        if (mode_ == Mode::Save) {
            // Replacing an existing file is confirmed by the dialog itself.
            dlg->setAcceptMode(QFileDialog::AcceptSave);
            dlg->setFileMode(QFileDialog::AnyFile);
            dlg->setWindowTitle(QStringLiteral("另存为"));
            dlg->setLabelText(QFileDialog::Accept, QStringLiteral("保存(&S)"));
        } else {
            dlg->setAcceptMode(QFileDialog::AcceptOpen);
            dlg->setFileMode(QFileDialog::ExistingFile);
            dlg->setWindowTitle(QStringLiteral("打开"));
            dlg->setLabelText(QFileDialog::Accept, QStringLiteral("打开(&O)"));
        }
        dlg->setLabelText(QFileDialog::Reject, QStringLiteral("取消"));
        dlg->setLabelText(QFileDialog::FileName, QStringLiteral("文件名(&N):"));
        dlg->setLabelText(QFileDialog::FileType, QStringLiteral("文件类型(&T):"));
        dlg->setLabelText(QFileDialog::LookIn, QStringLiteral("查找范围(&I):"));
        BindMnemonicLabels(*dlg);
        QFileDialog* raw = dlg.get();
        QObject::connect(raw, &QDialog::finished, raw, [raw] { CloseCompleterPopups(*raw); });
        impl_->dialog = std::move(dlg);
    } else if (!impl_->lastPath.isEmpty()) {
        impl_->dialog->selectFile(impl_->lastPath);
    }

    if (impl_->dialog->exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = impl_->dialog->selectedFiles();
    if (files.isEmpty() || files.front().isEmpty()) return std::nullopt;
    impl_->lastPath = files.front();
    // File names go to the file system in its own encoding, byte for byte.
    return std::filesystem::path(QFile::encodeName(impl_->lastPath).toStdString());
}
