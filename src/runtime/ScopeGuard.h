// Runs a one-off cleanup when the scope ends; Dismiss keeps it from running,
// which turns it into an undo for the failures between the two:
//
//   ScopeGuard undo([&] { rows_.pop_back(); });
//   Report(...);      // may throw: the row goes again
//   undo.Dismiss();   // it stays
#pragma once

#include <utility>

template <typename F>
class ScopeGuard {
public:
    explicit ScopeGuard(F f) : f_(std::move(f)) {}
    ScopeGuard(const ScopeGuard&) = delete;
    ScopeGuard& operator=(const ScopeGuard&) = delete;
    ~ScopeGuard()
    {
        if (armed_)
            f_();
    }
    void Dismiss() noexcept { armed_ = false; }

private:
    F f_;
    bool armed_ = true;
};
