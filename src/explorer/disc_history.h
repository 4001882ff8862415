#pragma once
// The window's undo history. Each step is one command's change to the disc,
// recorded by the core; the steps live on a QUndoStack, whose clean state is
// "nothing unsaved". The history is bounded in bytes: the oldest steps go
// first.

#include <cstddef>
#include <functional>

#include <QObject>
#include <QString>
#include <QUndoStack>

#include "image/change.h"

namespace marlin::explorer {

class DiscHistory : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t kDefaultLimit = std::size_t{256} << 20;

    // disc: the window's disc, which the steps change back and forth;
    // refresh: rebuilds what shows it after an undo or redo.
    DiscHistory(image::Disc& disc, std::function<void()> refresh, QObject* parent = nullptr);

    [[nodiscard]] QUndoStack& Stack() const { return *m_stack; }

    // Runs work as one step called name. Nothing is added when the disc did
    // not change; with join, the change becomes part of the newest step.
    void Record(const QString& name, const std::function<void()>& work, bool join = false);

    // A new, opened or saved disc: nothing to undo, nothing unsaved.
    void Clear();

    // The bound, and the bytes the steps hold now.
    void SetLimit(std::size_t bytes);
    [[nodiscard]] std::size_t HeldBytes() const;

private:
    class Step;
    friend class Step;

    [[nodiscard]] Step& StepAt(int index) const;
    void Trim();

    image::Disc& m_disc;
    std::function<void()> m_refresh;
    QUndoStack* m_stack;
    std::size_t m_limit = kDefaultLimit;
    // Set while steps are put on the stack without being done again.
    bool m_quiet = false;
};

} // namespace marlin::explorer
