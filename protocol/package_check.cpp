#include "protocol/package_check.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <functional>
#include <sys/stat.h>
#include <limits>
#include <memory>
#include <string_view>

#include "protocol/file_size.h"
#include "protocol/tar_octal.h"

namespace tarnwell {
namespace {

constexpr std::uint64_t kBlockSize = 512;
constexpr std::size_t kNameOffset = 0;
constexpr std::size_t kNameLength = 100;
constexpr std::size_t kSizeOffset = 124;
constexpr std::size_t kSizeLength = 12;
constexpr std::size_t kMagicOffset = 257;
constexpr std::string_view kMagic = "ustar";
constexpr std::string_view kInstallDescriptionName = "Install.xml";
constexpr std::size_t kProbeCount = 6;
constexpr std::size_t kProbeLength = 64;

using Header = std::array<char, kBlockSize>;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Only a regular file: a named pipe typed into the path would block the worker for good.
File OpenForReading(const std::string& path) {
    struct stat kind {};
    if (::stat(path.c_str(), &kind) != 0 || !S_ISREG(kind.st_mode)) return File(nullptr);
    return File(std::fopen(path.c_str(), "rb"));
}

std::string_view Field(const Header& header, std::size_t offset, std::size_t length) {
    return std::string_view(header.data() + offset, length);
}

// The name field need not hold a NUL when the name fills all of it.
std::string_view NameOf(const Header& header) {
    const auto field = Field(header, kNameOffset, kNameLength);
    return field.substr(0, field.find('\0'));
}

std::uint64_t RoundUpToBlock(std::uint64_t offset) {
    return (offset + kBlockSize - 1) / kBlockSize * kBlockSize;
}

// Reads the 512 bytes at an offset; false when fewer are there.
using HeaderSource = std::function<bool(std::uint64_t offset, Header& header)>;

int ScanHeaders(const HeaderSource& readHeader, const std::string& path, std::uint64_t fileSize, PackageTable& table) {
    int result = 1;
    std::uint64_t headerOffset = 0;
    for (std::size_t index = 0;; ++index) {
        Header header{};
        if (!readHeader(headerOffset, header)) {
            std::printf("1updatefile %s is not tar\n", path.c_str());
            return 0;
        }
        if (header[0] == '\0') {
            // End blocks. An archive without members has no install
            // description either, and would leave nothing to send.
            if (index == 0) {
                std::printf("updatefile %s first file is not\n", path.c_str());
                return 0;
            }
            return result;
        }
        if (Field(header, kMagicOffset, kMagic.size()) != kMagic) {
            std::printf("2updatefile %s is not tar\n", path.c_str());
            return 0;
        }
        if (index == table.size()) {
            std::printf("updatefile %s has more than %zu members\n", path.c_str(), table.size());
            return 0;
        }
        const auto name = NameOf(header);
        if (index == 0 && name != kInstallDescriptionName) {
            std::printf("updatefile %s first file is not\n", path.c_str());
            result = 0;
        }
        const auto sizeField = Field(header, kSizeOffset, kSizeLength);
        std::uint32_t memberSize = 0;
        if (!ReadTarSize(sizeField, memberSize)) {
            std::printf("updatefile %s member %zu has a bad size field\n", path.c_str(), index);
            return 0;
        }
        const std::uint64_t dataOffset = headerOffset + kBlockSize;
        const std::uint64_t size = memberSize;
        // A member cut short would reach the device as a short or garbage image.
        if (dataOffset + size > fileSize) {
            std::printf("updatefile %s member %zu runs past the end of the file\n", path.c_str(), index);
            return 0;
        }
        if (dataOffset > std::numeric_limits<std::uint32_t>::max()) {
            std::printf("updatefile %s member %zu lies beyond 4 GiB\n", path.c_str(), index);
            return 0;
        }
        table[index] = PackageMember{1, MemberTypeOf(name), static_cast<std::uint32_t>(dataOffset),
                                     static_cast<std::uint32_t>(size)};
        headerOffset = RoundUpToBlock(dataOffset + size);
        if (headerOffset >= fileSize) return result;
    }
}

// The upgrade reopens the package for every member; make sure that works
// before anything reaches the device.
int ProbeMembers(const std::string& path, const PackageTable& table, int result) {
    for (std::size_t index = 0; index < kProbeCount; ++index) {
        const File file = OpenForReading(path);
        if (!file) {
            std::printf("open file failed\n");
            return 0;
        }
        std::array<char, kProbeLength> probe{};
        if (::fseeko(file.get(), static_cast<off_t>(table[index].dataOffset), SEEK_SET) != 0 ||
            std::fread(probe.data(), 1, probe.size(), file.get()) != probe.size()) {
            return result;
        }
    }
    return result;
}

} // namespace

int CheckUpgradePackage(const std::string& path, PackageTable& table) {
    // Entries left from another package must never be sent with this one.
    table.fill(PackageMember{});
    int result = 0;
    {
        const File file = OpenForReading(path);
        if (!file) {
            std::printf("open %s is error\n", path.c_str());
            return 0;
        }
        std::FILE* stream = file.get();
        auto readHeader = [stream](std::uint64_t offset, Header& header) {
            return ::fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0 &&
                   std::fread(header.data(), 1, header.size(), stream) == header.size();
        };
        result = ScanHeaders(readHeader, path, FileSizeOf(path), table);
    }
    return ProbeMembers(path, table, result);
}

int CheckUpgradePackageBytes(const std::uint8_t* data, std::size_t size, const std::string& name, PackageTable& table) {
    table.fill(PackageMember{});
    auto readHeader = [data, size](std::uint64_t offset, Header& header) {
        if (offset > size || size - offset < header.size()) return false;
        std::memcpy(header.data(), data + offset, header.size());
        return true;
    };
    return ScanHeaders(readHeader, name, size, table);
}

} // namespace tarnwell
