#pragma once
// A member's bytes read straight from the package file at the offset the
// package check found. The file may have changed since the check, so the
// read reports exactly what went wrong instead of handing back a short buffer.
#include "platform/large_buffer.h"
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "protocol/package_member.h"

namespace tarnwell {

// One member's data, held whole so that nothing of it is sent unless all of
// it could be read.
class MemberBytes {
public:
    const uint8_t* data() const { return bytes_.get(); }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    // Gives the memory back at once; a member can be tens of megabytes.
    void Release();
    // Room for `size` bytes; false when there is no memory for it.
    bool Allocate(size_t size);
    uint8_t* Writable() { return bytes_.get(); }

private:
    struct Free {
        void operator()(uint8_t* bytes) const { FreeLargeBuffer(bytes); }
    };
    std::unique_ptr<uint8_t, Free> bytes_;
    size_t size_ = 0;
};

enum class MemberRead {
    Complete,   // `data` holds exactly member.size bytes
    CannotOpen, // the package cannot be opened again
    NoMemory,   // no buffer of the member's size
    Short,      // the file ends before the member does
};

// On any outcome but Complete, `data` is left empty.
MemberRead ReadMemberData(const std::string& packagePath, const PackageMember& member, MemberBytes& data);

} // namespace tarnwell
