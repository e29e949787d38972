#pragma once
// A journal that could not do what was asked. The action that needed it stops
// before anything reaches a device.
#include <stdexcept>
#include <string>

namespace tarnwell {

enum class JournalFault { CannotOpen, Corrupt, NewerSchema, DiskFull, Locked, ReadOnly, ConnectionLost, NotBuiltIn, Failed };

class JournalError : public std::runtime_error {
public:
    JournalError(JournalFault fault, const std::string& detail) : std::runtime_error(detail), fault_(fault) {}
    JournalFault Fault() const { return fault_; }

private:
    JournalFault fault_;
};

} // namespace tarnwell
