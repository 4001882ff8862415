#pragma once
// Every modal question the window asks, and every drag it hands to the
// desktop, goes through one Prompts object, so tests can answer and watch
// them without a person. WidgetPrompts shows the real dialogs.

#include <cstdint>
#include <memory>
#include <optional>

#include <QString>

#include "identity.h"
#include "image/messages.h"

class QMessageBox;
class QMimeData;
class QWidget;

namespace marlin::explorer {

using marlin::kProgramTitle;

enum class MessageIcon { None, Exclamation };

enum class SaveAnswer { Save, Discard, Cancel };

// A file's load and execution addresses, exchanged with frmAddr.
struct Addresses {
    std::uint32_t load = 0;
    std::uint32_t exec = 0;
    bool operator==(const Addresses&) const = default;
};

// The three attribute flags exchanged with frmAttr.
struct AttributeFlags {
    bool R = false;
    bool W = false;
    bool L = false;
    bool operator==(const AttributeFlags&) const = default;
};

class Prompts {
public:
    virtual ~Prompts() = default;

    // File dialogs: nullopt when cancelled, otherwise the chosen path (which
    // may be empty). filter is in the form "Description (*.dat)|*.dat".
    virtual std::optional<QString> OpenFileName(QWidget* owner, const QString& title, const QString& filter,
                                                const QString& preset) = 0;
    virtual std::optional<QString> SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                                const QString& preset) = 0;
    // Folder chooser titled "Browse For Folder" with prompt as its label.
    virtual std::optional<QString> ChooseFolder(QWidget* owner, const QString& prompt) = 0;
    // A message box titled "Marlin Explorer" with an OK button.
    virtual void Message(QWidget* owner, const QString& text, MessageIcon icon = MessageIcon::None) = 0;
    // The question before unsaved changes would be lost: Save, Discard or
    // Cancel (also when the box is closed).
    virtual SaveAnswer SaveChanges(QWidget* owner, const QString& text) = 0;
    // A question with OK and Cancel: true for OK.
    virtual bool Confirm(QWidget* owner, const QString& text) = 0;
    // frmAttr: true when closed with OK (flags then hold the new values).
    virtual bool Attributes(QWidget* owner, AttributeFlags& flags) = 0;
    // frmBoot: the option chosen with OK, nullopt otherwise.
    virtual std::optional<int> BootOption(QWidget* owner, int current) = 0;
    // frmTitle: the text as typed when closed with OK.
    virtual std::optional<QString> DirectoryTitle(QWidget* owner, const QString& current) = 0;
    // frmFindFiles: the wildcard pattern when closed with OK.
    virtual std::optional<QString> FindPattern(QWidget* owner, const QString& current) = 0;
    // frmAddr: the load and execution addresses when closed with OK.
    virtual std::optional<Addresses> FileAddresses(QWidget* owner, const Addresses& current) = 0;
    // frmFind: the text to find when closed with OK.
    virtual std::optional<QString> FindText(QWidget* owner, const QString& current) = 0;
    // Runs the desktop's drag of data from source, offering the copy effect
    // only; returns when the user has dropped it or given up.
    virtual void Drag(QWidget* source, std::unique_ptr<QMimeData> data) = 0;
};

class WidgetPrompts final : public Prompts {
public:
    std::optional<QString> OpenFileName(QWidget* owner, const QString& title, const QString& filter,
                                        const QString& preset) override;
    std::optional<QString> SaveFileName(QWidget* owner, const QString& title, const QString& filter,
                                        const QString& preset) override;
    std::optional<QString> ChooseFolder(QWidget* owner, const QString& prompt) override;
    void Message(QWidget* owner, const QString& text, MessageIcon icon) override;
    SaveAnswer SaveChanges(QWidget* owner, const QString& text) override;
    bool Confirm(QWidget* owner, const QString& text) override;
    bool Attributes(QWidget* owner, AttributeFlags& flags) override;
    std::optional<int> BootOption(QWidget* owner, int current) override;
    std::optional<QString> DirectoryTitle(QWidget* owner, const QString& current) override;
    std::optional<QString> FindText(QWidget* owner, const QString& current) override;
    std::optional<QString> FindPattern(QWidget* owner, const QString& current) override;
    std::optional<Addresses> FileAddresses(QWidget* owner, const Addresses& current) override;
    void Drag(QWidget* source, std::unique_ptr<QMimeData> data) override;
};

// The message box Message shows: titled "Marlin Explorer", with an OK button.
[[nodiscard]] std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* owner, const QString& text, MessageIcon icon);

// Turns "Description (*.dat)|*.dat|All (*.*)|*.*" into Qt's "Description (*.dat);;All (*.*)".
[[nodiscard]] QString QtFilter(const QString& barFilter);

// Shows the core's refusals as message boxes through the prompts.
class PromptSink final : public image::MessageSink {
public:
    PromptSink(Prompts& prompts, QWidget* owner) : m_prompts(prompts), m_owner(owner) {}
    void Show(const std::string& text) override;

private:
    Prompts& m_prompts;
    QWidget* m_owner;
};

} // namespace marlin::explorer
