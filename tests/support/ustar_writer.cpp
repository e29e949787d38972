#include "support/ustar_writer.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace tarnwell::test {
namespace {

constexpr std::size_t kBlock = 512;

void Put(std::string& header, std::size_t offset, std::size_t length, std::string_view text) {
    std::copy_n(text.begin(), std::min(length, text.size()), header.begin() + static_cast<std::ptrdiff_t>(offset));
}

std::string Octal(std::size_t digits, unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llo", static_cast<int>(digits), value);
    return text;
}

std::string MakeHeader(const UstarMember& member, TarMagic magic) {
    std::string header(kBlock, '\0');
    Put(header, 0, 100, member.name);
    Put(header, 100, 8, Octal(7, 0644));
    Put(header, 108, 8, Octal(7, 0));
    Put(header, 116, 8, Octal(7, 0));
    Put(header, 124, 12, member.rawSize ? *member.rawSize : Octal(11, member.data.size()));
    Put(header, 136, 12, Octal(11, 1700000000));
    header[156] = '0';
    if (magic == TarMagic::Posix) Put(header, 257, 8, std::string_view("ustar\0" "00", 8));
    if (magic == TarMagic::Gnu) Put(header, 257, 8, std::string_view("ustar  \0", 8));
    Put(header, 265, 32, "root");
    Put(header, 297, 32, "root");
    // The checksum counts its own field as spaces.
    std::fill_n(header.begin() + 148, 8, ' ');
    unsigned sum = 0;
    for (const char c : header) sum += static_cast<unsigned char>(c);
    Put(header, 148, 8, Octal(6, sum) + std::string(1, '\0') + " ");
    return header;
}

} // namespace

std::string MakeUstarArchive(const std::vector<UstarMember>& members, const UstarOptions& options) {
    std::string archive;
    for (const auto& member : members) {
        archive += MakeHeader(member, options.magic);
        archive += member.data;
        archive.append((kBlock - member.data.size() % kBlock) % kBlock, '\0');
    }
    if (options.endBlocks) archive.append(2 * kBlock, '\0');
    return archive;
}

} // namespace tarnwell::test
