#include "explorer/disc_history.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <QUndoStack>

namespace marlin::explorer {

class DiscHistory::Step final : public QUndoCommand {
public:
    Step(DiscHistory& history, const QString& name, image::Change change)
        : QUndoCommand(name), m_history(history), m_change(std::move(change))
    {
    }

    void undo() override { Swap(); }
    void redo() override { Swap(); }

    [[nodiscard]] image::Change& Change() { return m_change; }

private:
    void Swap()
    {
        if (m_history.m_quiet)
            return;
        m_change.Swap(m_history.m_disc);
        m_history.m_refresh();
    }

    DiscHistory& m_history;
    image::Change m_change;
};

DiscHistory::DiscHistory(image::Disc& disc, std::function<void()> refresh, QObject* parent)
    : QObject(parent), m_disc(disc), m_refresh(std::move(refresh)), m_stack(new QUndoStack(this))
{
}

DiscHistory::Step& DiscHistory::StepAt(int index) const
{
    // Every command on the stack is a Step.
    return *static_cast<Step*>(const_cast<QUndoCommand*>(m_stack->command(index)));
}

void DiscHistory::Record(const QString& name, const std::function<void()>& work, bool join)
{
    image::ChangeRecorder recorder(m_disc);
    work();
    image::Change change = recorder.Finish();
    if (change.Empty())
        return;
    const int top = m_stack->index() - 1;
    if (join && top >= 0 && top == m_stack->count() - 1) {
        StepAt(top).Change().Absorb(change);
    } else {
        m_quiet = true; // the work is done already
        m_stack->push(new Step(*this, name, std::move(change)));
        m_quiet = false;
    }
    Trim();
}

void DiscHistory::Clear()
{
    m_stack->clear();
}

void DiscHistory::SetLimit(std::size_t bytes)
{
    m_limit = bytes;
    Trim();
}

std::size_t DiscHistory::HeldBytes() const
{
    std::size_t bytes = 0;
    for (int i = 0; i < m_stack->count(); ++i)
        bytes += StepAt(i).Change().HeldBytes();
    return bytes;
}

void DiscHistory::Trim()
{
    // The newest step stays even when it alone is over the bound: the
    // command just done can always be taken back. Only steps that are done
    // can go (the image is past them).
    std::size_t held = HeldBytes();
    int drop = 0;
    const int droppable = std::min(m_stack->count() - 1, m_stack->index());
    while (held > m_limit && drop < droppable)
        held -= StepAt(drop++).Change().HeldBytes();
    if (drop == 0)
        return;
    // A QUndoStack cannot let go of its oldest commands, so the rest go onto
    // it again, as they are, with the clean state where it was (or none when
    // it went with the dropped steps).
    const int count = m_stack->count();
    const int index = m_stack->index();
    const int clean = m_stack->cleanIndex();
    std::vector<std::pair<QString, image::Change>> kept;
    for (int i = drop; i < count; ++i)
        kept.emplace_back(m_stack->command(i)->text(), std::move(StepAt(i).Change()));
    m_quiet = true;
    m_stack->clear();
    for (auto& [name, change] : kept)
        m_stack->push(new Step(*this, name, std::move(change)));
    if (clean >= drop) {
        m_stack->setIndex(clean - drop);
        m_stack->setClean();
    } else {
        m_stack->resetClean();
    }
    m_stack->setIndex(index - drop);
    m_quiet = false;
}

} // namespace marlin::explorer
