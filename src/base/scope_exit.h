#pragma once

#include <utility>

namespace velkin {

// Runs a function when the scope it was made in ends, however it ends: the clean-up that must
// happen after an error as much as after success. It can be neither copied nor moved, so the
// function runs exactly once.
template <typename Function> class [[nodiscard]] ScopeExit {
public:
    explicit ScopeExit(Function function) : function_(std::move(function)) {}
    ~ScopeExit() { function_(); }

    ScopeExit(const ScopeExit&) = delete;
    ScopeExit& operator=(const ScopeExit&) = delete;

private:
    Function function_;
};

} // namespace velkin
