#include "protocol/package_check.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "protocol/file_size.h"
#include "protocol/tar_octal.h"
#include "support/platform_limits.h"
#include "support/temp_dir.h"
#include "support/ustar_writer.h"

namespace tarnwell {
namespace {

using test::MakeUstarArchive;
using test::TarMagic;
using test::UstarMember;

} // namespace

void PrintTo(const PackageMember& m, std::ostream* out) {
    *out << "{" << m.present << ", " << m.type << ", " << m.dataOffset << ", " << m.size << "}";
}

namespace {

class PackageCheckTest : public ::testing::Test {
protected:
    // Runs the check on `bytes` written as pkg.tar; keeps what it printed.
    int Check(const std::string& bytes) {
        test::WriteFileBytes(path_, bytes);
        return CheckPath(path_);
    }

    int CheckPath(const std::string& path) {
        ::testing::internal::CaptureStdout();
        const int result = CheckUpgradePackage(path, table_);
        output_ = ::testing::internal::GetCapturedStdout();
        for (const auto& entry : table_) {
            if (entry.present) {
                EXPECT_LE(uint64_t{entry.dataOffset} + entry.size, FileSizeOf(path));
            }
        }
        return result;
    }

    int PresentCount() const {
        int count = 0;
        for (const auto& entry : table_) count += entry.present;
        return count;
    }

    test::TempDir dir_;
    std::string path_ = dir_.File("pkg.tar");
    PackageTable table_{};
    std::string output_;
};

class GnuTarPackageTest : public PackageCheckTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(GnuTarPackageTest, TwoMembersAreAcceptedWithTheirOffsets) {
    if (const test::PlatformLimit limit = test::NoPosixTools()) GTEST_SKIP() << limit.reason;
    test::WriteFileBytes(dir_.File("Install.xml"), std::string(700, 'x'));
    test::WriteFileBytes(dir_.File("romfs-x.cramfs.img"), std::string(3000, 'r'));
    const std::string command = "cd '" + dir_.Path().string() + "' && tar --format=" + GetParam() +
                                " -cf pkg.tar Install.xml romfs-x.cramfs.img";
    ASSERT_EQ(std::system(command.c_str()), 0);

    EXPECT_EQ(CheckPath(path_), 1);
    EXPECT_EQ(output_, "");
    EXPECT_EQ(table_[0], (PackageMember{1, 0, 512, 700}));
    EXPECT_EQ(table_[1], (PackageMember{1, 2, 512 + 1024 + 512, 3000}));
    EXPECT_EQ(PresentCount(), 2);
}

INSTANTIATE_TEST_SUITE_P(Formats, GnuTarPackageTest, ::testing::Values("ustar", "gnu"));

TEST_F(PackageCheckTest, MemberOfWholeBlocksNeedsNoPadding) {
    EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", std::string(512, 'i')}, {"logo-x.cramfs.img", "L"}},
                                     {TarMagic::Gnu, false})),
              1);
    EXPECT_EQ(table_[1], (PackageMember{1, 6, 1024 + 512, 1}));
}

TEST_F(PackageCheckTest, NamesOutsideTheComparedTableGetTypeEleven) {
    EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", "i"},
                                      {"/dev/mtd/3", "3"},
                                      {"/dev/mtd/4", "4"},
                                      {"romfs-x.cramfs", "?"},
                                      {std::string(100, 'n'), "full name field"}})),
              1);
    EXPECT_EQ(table_[1].type, 10);
    EXPECT_EQ(table_[2].type, kUnknownMemberType);
    EXPECT_EQ(table_[3].type, kUnknownMemberType);
    EXPECT_EQ(table_[4].type, kUnknownMemberType);
    EXPECT_EQ(MemberTypeOf("/dev/mtd/5"), kUnknownMemberType);
}

TEST_F(PackageCheckTest, WrongFirstNameIsRefusedButEveryMemberIsEntered) {
    EXPECT_EQ(Check(MakeUstarArchive({{"install.xml", "i"}, {"u-boot.bin.img", "u"}, {"Install.xml", "i"}})), 0);
    EXPECT_EQ(output_, "updatefile " + path_ + " first file is not\n");
    EXPECT_EQ(PresentCount(), 3);
    EXPECT_EQ(table_[1].type, 1);
}

TEST_F(PackageCheckTest, FullWidthSizeFieldIsReadWithinItsTwelveBytes) {
    EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", std::string(1000, 'i'), "000000001750"}})), 1);
    EXPECT_EQ(table_[0], (PackageMember{1, 0, 512, 1000}));
}

TEST_F(PackageCheckTest, FilesThatAreNotTarAreRefused) {
    EXPECT_EQ(Check(std::string(500, 'x')), 0);
    EXPECT_EQ(output_, "1updatefile " + path_ + " is not tar\n");
    EXPECT_EQ(Check(""), 0);
    EXPECT_EQ(output_, "1updatefile " + path_ + " is not tar\n");
    EXPECT_EQ(Check(std::string(1024, '\0')), 0);
    EXPECT_EQ(output_, "updatefile " + path_ + " first file is not\n");
    EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", "i"}}, {TarMagic::None})), 0);
    EXPECT_EQ(output_, "2updatefile " + path_ + " is not tar\n");
    const std::string missing = dir_.File("missing.tar");
    EXPECT_EQ(CheckPath(missing), 0);
    EXPECT_EQ(output_, "open " + missing + " is error\n");
}

TEST_F(PackageCheckTest, TruncatedHeaderIsRefusedKeepingEarlierEntries) {
    const auto archive = MakeUstarArchive({{"Install.xml", "i"}, {"web-x.cramfs.img", "w"}});
    EXPECT_EQ(Check(archive.substr(0, 1024 + 300)), 0);
    EXPECT_EQ(output_, "1updatefile " + path_ + " is not tar\n");
    EXPECT_EQ(table_[0], (PackageMember{1, 0, 512, 1}));
    EXPECT_EQ(PresentCount(), 1);
}

TEST_F(PackageCheckTest, MemberRunningPastTheEndIsRefusedAndNotEntered) {
    const auto archive = MakeUstarArchive({{"Install.xml", "i"}, {"user-x.cramfs.img", std::string(5000, 'u')}});
    EXPECT_EQ(Check(archive.substr(0, 1024 + 4000)), 0);
    EXPECT_NE(output_.find("runs past the end"), std::string::npos);
    EXPECT_EQ(PresentCount(), 1);

    // A size field far beyond the file, data and end blocks notwithstanding.
    EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", "i", "7777777"}})), 0);
    EXPECT_EQ(PresentCount(), 0);

    // Ends exactly at the last data byte: nothing is missing.
    EXPECT_EQ(Check(archive.substr(0, 1536 + 5000)), 1);
    EXPECT_EQ(PresentCount(), 2);
}

TEST_F(PackageCheckTest, SizeFieldsThatAreNotPlainOctalAreRefused) {
    const std::vector<std::string> fields{"00000001a50", "77777777777",
                                          std::string("\x80\0\0\0\0\0\0\0\0\0\0\x01", 12)};
    for (const auto& raw : fields) {
        EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", std::string(1000, 'i'), raw}})), 0) << raw;
        EXPECT_NE(output_.find("bad size field"), std::string::npos);
        EXPECT_EQ(PresentCount(), 0);
    }
}

TEST_F(PackageCheckTest, MoreMembersThanTheTableHoldsAreRefused) {
    std::vector<UstarMember> members{{"Install.xml", "i"}};
    for (int i = 1; i < 11; ++i) members.push_back({"/dev/mtd/" + std::to_string(i % 4), std::string(i, 'm')});
    EXPECT_EQ(Check(MakeUstarArchive(members)), 1);
    EXPECT_EQ(PresentCount(), 11);

    members.push_back({"custom-x.cramfs.img", "c"});
    EXPECT_EQ(Check(MakeUstarArchive(members)), 0);
    EXPECT_EQ(output_, "updatefile " + path_ + " has more than 11 members\n");
    EXPECT_EQ(PresentCount(), 11);
}

TEST_F(PackageCheckTest, EntriesOfAnEarlierPackageAreCleared) {
    table_.fill(PackageMember{1, 3, 99999, 99999});
    EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", "i"}})), 1);
    EXPECT_EQ(PresentCount(), 1);
    EXPECT_EQ(table_[1], PackageMember{});
}

TEST(TarOctalTest, KeepsItsDigitBlindArithmetic) {
    EXPECT_EQ(ParseTarOctal("000000001750"), 1000u);
    EXPECT_EQ(ParseTarOctal(std::string_view("1750\0" "99", 7)), 1000u);
    EXPECT_EQ(ParseTarOctal(""), 0u);
    EXPECT_EQ(ParseTarOctal("18"), 16u);                // '8' counts as 8
    EXPECT_EQ(ParseTarOctal("17 "), 64u + 56u - 16u);   // ' ' counts as -16
    EXPECT_EQ(ParseTarOctal("37777777777"), 0xFFFFFFFFu);
}

TEST_F(PackageCheckTest, SizeFieldsAsPosixAllowsThemAreRead) {
    const std::string data(1000, 'x'); // 1750 in octal
    const std::vector<std::string> fields{
        "00000001750",                                 // GNU tar: NUL at the end
        std::string("0000001750 \0", 12),             // old tar: blank then NUL
        std::string("0000001750  ", 12),               // blanks to the field's end
        std::string("       1750\0", 12),             // leading blanks
        std::string("1750\0\0\0\0\0\0\0\0", 12),           // NUL right after the digits
        std::string("000000001750", 12),               // no terminator at all
    };
    for (const std::string& field : fields) {
        ASSERT_EQ(Check(MakeUstarArchive({{"Install.xml", data, field}, {"romfs-x.cramfs.img", "r"}})), 1)
            << field << " " << output_;
        EXPECT_EQ(table_[0].size, 1000u) << field;
        EXPECT_EQ(table_[1].dataOffset, 512u * 2 + 1024u) << field;
    }
    // A blank inside the digits, or a character that is not octal, is still no size.
    for (const std::string& field : {std::string("00000 01750", 11), std::string("0000001758\0", 11)}) {
        table_ = {};
        EXPECT_EQ(Check(MakeUstarArchive({{"Install.xml", data, field}})), 0) << field;
    }
    std::uint32_t size = 0;
    EXPECT_TRUE(ReadTarSize("37777777777", size));
    EXPECT_EQ(size, 0xFFFFFFFFu);
    EXPECT_FALSE(ReadTarSize("40000000000", size));
}

} // namespace
} // namespace tarnwell
