#pragma once
// One moment by which a whole step must be over, however many sends and
// receives it takes. A limit of zero means none.
#include "platform/socket_handle.h"

#include <algorithm>
#include <chrono>

namespace tarnwell {

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    static Deadline None() { return Deadline(); }
    static Deadline After(Milliseconds limit) {
        Deadline deadline;
        if (limit.count() > 0) {
            deadline.bounded_ = true;
            deadline.at_ = Clock::now() + limit;
        }
        return deadline;
    }

    bool Bounded() const { return bounded_; }
    bool Passed() const { return bounded_ && Clock::now() >= at_; }
    // What is left, at least 1 ms while not passed; `cap` when unbounded.
    Milliseconds Left(Milliseconds cap = Milliseconds(24L * 3600 * 1000)) const {
        if (!bounded_) return cap;
        auto left = std::chrono::duration_cast<Milliseconds>(at_ - Clock::now());
        if (left.count() <= 0) return Milliseconds(0);
        return std::clamp(left, Milliseconds(1), cap);
    }
    // The earlier of the two.
    Deadline Or(const Deadline& other) const {
        if (!other.bounded_) return *this;
        if (!bounded_) return other;
        return at_ <= other.at_ ? *this : other;
    }

private:
    bool bounded_ = false;
    Clock::time_point at_{};
};

} // namespace tarnwell
