#pragma once
// Prompts answered from a script: each question takes the next queued
// answer of its kind (cancel when none is queued) and is recorded, so a test
// can check what the window asked and said.

#include <deque>
#include <optional>

#include <QMimeData>
#include <QStringList>
#include <QUrl>

#include "explorer/prompts.h"

namespace marlin::test {

class ScriptedPrompts final : public explorer::Prompts {
public:
    std::deque<std::optional<QString>> files;   // open and save dialogs
    std::deque<std::optional<QString>> folders; // folder chooser
    std::deque<std::optional<explorer::AttributeFlags>> attributes;
    std::deque<std::optional<int>> boots;
    std::deque<std::optional<QString>> titles;
    std::deque<std::optional<QString>> finds;

    QStringList messages;
    // One entry per drag handed to the desktop: its source and the local paths it carried.
    struct DragMade {
        QWidget* source;
        QStringList paths;
    };
    std::vector<DragMade> drags;
    QStringList asked; // dialog titles, prompts and kinds in order
    explorer::AttributeFlags attributesPreset;
    int bootPreset = -1;
    QString titlePreset;
    QString findPreset;
    QString lastPresetName;

    std::optional<QString> OpenFileName(QWidget*, const QString& title, const QString&, const QString& preset) override
    {
        asked << title;
        lastPresetName = preset;
        return Next(files);
    }
    std::optional<QString> SaveFileName(QWidget*, const QString& title, const QString&, const QString& preset) override
    {
        asked << title;
        lastPresetName = preset;
        return Next(files);
    }
    std::optional<QString> ChooseFolder(QWidget*, const QString& prompt) override
    {
        asked << prompt;
        return Next(folders);
    }
    void Message(QWidget*, const QString& text, explorer::MessageIcon) override { messages << text; }
    bool Attributes(QWidget*, explorer::AttributeFlags& flags) override
    {
        asked << QStringLiteral("attributes");
        attributesPreset = flags;
        const auto answer = Next(attributes);
        if (!answer)
            return false;
        flags = *answer;
        return true;
    }
    std::optional<int> BootOption(QWidget*, int current) override
    {
        asked << QStringLiteral("boot");
        bootPreset = current;
        return Next(boots);
    }
    std::optional<QString> DirectoryTitle(QWidget*, const QString& current) override
    {
        asked << QStringLiteral("title");
        titlePreset = current;
        return Next(titles);
    }
    std::optional<QString> FindText(QWidget*, const QString& current) override
    {
        asked << QStringLiteral("find");
        findPreset = current;
        return Next(finds);
    }

    void Drag(QWidget* source, std::unique_ptr<QMimeData> data) override
    {
        QStringList paths;
        for (const QUrl& url : data->urls())
            paths << url.toLocalFile();
        drags.push_back({source, paths});
    }

private:
    template <typename T> static std::optional<T> Next(std::deque<std::optional<T>>& queue)
    {
        std::optional<T> answer;
        if (!queue.empty()) {
            answer.swap(queue.front());
            queue.pop_front();
        }
        return answer;
    }
};

} // namespace marlin::test
