#include "explorer/prompts.h"

#include <QDir>
#include <QDrag>
#include <QFileDialog>
#include <QMessageBox>

#include "explorer/dialogs.h"
#include "explorer/find_dialog.h"

namespace marlin::explorer {

QString QtFilter(const QString& barFilter)
{
    // Pairs of description and pattern; the description already names the pattern.
    const QStringList parts = barFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << parts[i];
    return filters.join(QStringLiteral(";;"));
}

namespace {

// Shows a file dialog with the preset name: nothing when cancelled, else the
// chosen path (empty when none was chosen).
std::optional<QString> ChosenFile(QFileDialog& dialog, const QString& preset)
{
    if (!preset.isEmpty())
        dialog.selectFile(preset);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    return files.isEmpty() ? QString() : files.first();
}

} // namespace

std::optional<QString> WidgetPrompts::OpenFileName(QWidget* owner, const QString& title, const QString& filter,
                                                   const QString& preset)
{
    QFileDialog dialog(owner, title, QString(), QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile); // a missing file is reported by the command, not the dialog
    return ChosenFile(dialog, preset);
}

std::optional<QString> WidgetPrompts::SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                                   const QString& preset)
{
    QFileDialog dialog(owner, title, QString(), QtFilter(filter));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite); // Save replaces without asking
    return ChosenFile(dialog, preset);
}

std::optional<QString> WidgetPrompts::ChooseFolder(QWidget* owner, const QString& prompt)
{
    QFileDialog dialog(owner, QStringLiteral("Browse For Folder"), QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    // The prompt says what the folder is for; the native chooser has no other place for it.
    dialog.setLabelText(QFileDialog::LookIn, prompt);
    dialog.setLabelText(QFileDialog::Accept, QStringLiteral("OK"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return std::nullopt;
    return files.first();
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, MessageIcon icon)
{
    auto box =
        std::make_unique<QMessageBox>(icon == MessageIcon::Exclamation ? QMessageBox::Warning : QMessageBox::NoIcon,
                                      QString::fromLatin1(kProgramTitle), text, QMessageBox::Ok, owner);
    FitCaption(*box);
    return box;
}

void WidgetPrompts::Message(QWidget* owner, const QString& text, MessageIcon icon)
{
    MakeMessageBox(owner, text, icon)->exec();
}

SaveAnswer WidgetPrompts::SaveChanges(QWidget* owner, const QString& text)
{
    auto box = MakeMessageBox(owner, text, MessageIcon::Exclamation);
    box->setStandardButtons(QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Save);
    box->setEscapeButton(QMessageBox::Cancel);
    FitCaption(*box);
    switch (box->exec()) {
    case QMessageBox::Save:
        return SaveAnswer::Save;
    case QMessageBox::Discard:
        return SaveAnswer::Discard;
    default:
        return SaveAnswer::Cancel;
    }
}

bool WidgetPrompts::Confirm(QWidget* owner, const QString& text)
{
    auto box = MakeMessageBox(owner, text, MessageIcon::Exclamation);
    box->setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    box->setDefaultButton(QMessageBox::Cancel);
    FitCaption(*box);
    return box->exec() == QMessageBox::Ok;
}

bool WidgetPrompts::Attributes(QWidget* owner, AttributeFlags& flags)
{
    frmAttr dialog(flags, owner);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    flags = dialog.Flags();
    return true;
}

std::optional<int> WidgetPrompts::BootOption(QWidget* owner, int current)
{
    frmBoot dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Option();
}

std::optional<QString> WidgetPrompts::DirectoryTitle(QWidget* owner, const QString& current)
{
    frmTitle dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Title();
}

std::optional<QString> WidgetPrompts::FindText(QWidget* owner, const QString& current)
{
    explorer::frmFind dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Text();
}

std::optional<QString> WidgetPrompts::FindPattern(QWidget* owner, const QString& current)
{
    frmFindFiles dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Pattern();
}

std::optional<Addresses> WidgetPrompts::FileAddresses(QWidget* owner, const Addresses& current)
{
    frmAddr dialog(current, owner);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.Values();
}

void WidgetPrompts::Drag(QWidget* source, std::unique_ptr<QMimeData> data)
{
    auto* drag = new QDrag(source);
    drag->setMimeData(data.release());
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

void PromptSink::Show(const std::string& text)
{
    // Host paths in messages are UTF-8; image names are 7-bit, so both read correctly.
    m_prompts.Message(m_owner, QString::fromUtf8(text));
}

} // namespace marlin::explorer
