#pragma once
// A firmware package as the upgrade sends it: checked once, with its member
// table and where each member's bytes come from. The console reads each
// member from the file just before it goes out, whole, so a file that changed
// stops the upgrade before the member. A line job reads the package once
// into one shared copy, checks and hashes those very bytes, and every unit
// sends from it: a file that changes on disk afterwards never reaches a unit.
#include "protocol/member_data.h"
#include "protocol/package_member.h"

#include <memory>
#include <string>

namespace tarnwell {

class FirmwarePackage {
public:
    // Null when the check refuses the package (its diagnostics are printed).
    static std::shared_ptr<const FirmwarePackage> OnDisk(const std::string& path);
    static std::shared_ptr<const FirmwarePackage> Snapshot(const std::string& path);

    const std::string& Path() const { return path_; }
    const PackageTable& Table() const { return table_; }
    int MemberCount() const;
    // Of the snapshot's bytes; "" for a package read from disk.
    const std::string& Sha256() const { return sha256_; }

    // The bytes of table entry `index`: from the snapshot, or read into
    // `scratch` from the file. `data` points at them on Complete.
    MemberRead Member(size_t index, MemberBytes& scratch, const uint8_t*& data) const;

private:
    std::string path_;
    PackageTable table_{};
    std::string sha256_;
    std::shared_ptr<const MemberBytes> bytes_;
};

} // namespace tarnwell
