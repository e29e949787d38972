#include "device/firmware_package.h"

#include "platform/read_only_file.h"
#include "protocol/file_size.h"
#include "protocol/package_check.h"
#include "protocol/sha256.h"

namespace tarnwell {

std::shared_ptr<const FirmwarePackage> FirmwarePackage::OnDisk(const std::string& path) {
    auto package = std::make_shared<FirmwarePackage>();
    package->path_ = path;
    if (CheckUpgradePackage(path, package->table_) == 0) return nullptr;
    return package;
}

std::shared_ptr<const FirmwarePackage> FirmwarePackage::Snapshot(const std::string& path) {
    ReadOnlyFile file;
    if (!file.Open(path)) {
        std::printf("open %s is error\n", path.c_str());
        return nullptr;
    }
    const uint64_t size = FileSizeOf(path);
    auto bytes = std::make_shared<MemberBytes>();
    if (size > SIZE_MAX || !bytes->Allocate(static_cast<size_t>(size))) return nullptr;
    // The file may grow or shrink meanwhile: only what was read counts.
    if (size > 0 && file.ReadAt(0, bytes->Writable(), bytes->size()) != bytes->size()) {
        std::printf("1updatefile %s is not tar\n", path.c_str());
        return nullptr;
    }
    auto package = std::make_shared<FirmwarePackage>();
    package->path_ = path;
    if (CheckUpgradePackageBytes(bytes->data(), bytes->size(), path, package->table_) == 0) return nullptr;
    package->sha256_ = Sha256Hex(Sha256Of(bytes->data(), bytes->size()));
    package->bytes_ = std::move(bytes);
    return package;
}

int FirmwarePackage::MemberCount() const {
    int count = 0;
    for (const PackageMember& member : table_) count += member.present ? 1 : 0;
    return count;
}

MemberRead FirmwarePackage::Member(size_t index, MemberBytes& scratch, const uint8_t*& data) const {
    const PackageMember& member = table_.at(index);
    if (!bytes_) {
        MemberRead read = ReadMemberData(path_, member, scratch);
        data = scratch.data();
        return read;
    }
    // The check put every member inside the bytes it was given.
    data = bytes_->data() + member.dataOffset;
    return MemberRead::Complete;
}

} // namespace tarnwell
