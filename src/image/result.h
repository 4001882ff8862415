#pragma once
// What every operation that can be refused returns. The refusal itself has
// gone to the caller's message sink as it happened (a few say nothing, such
// as a name that is not there); the result only tells which way it went. Both
// types are [[nodiscard]] classes that turn into no bool, not even by a cast,
// so a caller that ignores or misreads a result does not compile.

#include <cassert>
#include <optional>
#include <utility>

#include "image/messages.h"

namespace marlin::image {

// Done: the operation did what it was asked. Refused: it changed nothing (a
// batch keeps what it did before the refusal, as its comment says).
class [[nodiscard]] Status {
public:
    enum class Outcome : unsigned char { Done, Refused };
    static constexpr Outcome Done = Outcome::Done;
    static constexpr Outcome Refused = Outcome::Refused;

    constexpr Status(Outcome outcome) : m_outcome(outcome) {}
    friend constexpr bool operator==(const Status&, const Status&) = default;

private:
    Outcome m_outcome;
};

// The outcome of an operation that yields a value when it is done.
template <class T> class [[nodiscard]] Result {
public:
    Result(T value) : m_value(std::move(value)) {}
    // A refusal; the reason is kept where a caller must tell refusals apart.
    Result(Status refused, std::optional<RefusalCode> reason = std::nullopt) : m_reason(reason)
    {
        assert(refused == Status::Refused);
        (void)refused;
    }
    Result(Status::Outcome refused, std::optional<RefusalCode> reason = std::nullopt) : Result(Status(refused), reason)
    {
    }

    [[nodiscard]] bool Done() const { return m_value.has_value(); }
    [[nodiscard]] bool Refused() const { return !m_value.has_value(); }
    [[nodiscard]] std::optional<RefusalCode> Reason() const { return m_reason; }

    // The value of a result that is done.
    [[nodiscard]] T& operator*() &
    {
        assert(Done());
        return *m_value;
    }
    [[nodiscard]] const T& operator*() const&
    {
        assert(Done());
        return *m_value;
    }
    [[nodiscard]] T&& operator*() &&
    {
        assert(Done());
        return std::move(*m_value);
    }
    [[nodiscard]] T* operator->()
    {
        assert(Done());
        return &*m_value;
    }
    [[nodiscard]] const T* operator->() const
    {
        assert(Done());
        return &*m_value;
    }

private:
    std::optional<T> m_value;
    std::optional<RefusalCode> m_reason;
};

} // namespace marlin::image
