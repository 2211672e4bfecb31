#pragma once

#include <cassert>
#include <utility>
#include <variant>

namespace velmora {

/// The reason a step failed, on its way into an Outcome: `return Failed{RequestFailure::timedOut};`
template <typename Why> struct Failed {
    Why why;
};
// Spelled out for compilers without deduction for aggregates (clang before 17, which builds the
// fuzz targets).
template <typename Why> Failed(Why) -> Failed<Why>;

/// What a step that can fail gives back: its value when it worked, else why it did not. One
/// shape for every such step of the program (a search, an item's stats, the version check), so
/// that "a step that fails is skipped" reads the same everywhere:
///   const auto hits = searchItems(...);
///   if (!hits) show(hits.why()); else fill(hits.value());
template <typename T, typename Why> class Outcome {
public:
    Outcome(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Outcome(Failed<Why> failed) : m_state(std::in_place_index<1>, std::move(failed.why)) {}

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    /// The value; only when ok().
    const T &value() const &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T &value() &
    {
        assert(ok());
        return std::get<0>(m_state);
    }
    T &&value() &&
    {
        assert(ok());
        return std::get<0>(std::move(m_state));
    }

    /// Why the step failed; only when !ok().
    const Why &why() const
    {
        assert(!ok());
        return std::get<1>(m_state);
    }

private:
    std::variant<T, Why> m_state;
};

} // namespace velmora
