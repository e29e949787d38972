#include "image/mkcramfs.h"

#include "image/cramfs_layout.h"
#include "image/logo_entry_name.h"

#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace tarnwell {

namespace {

using namespace cramfs;

constexpr int kStatusOpenOrRead = 1;
constexpr int kStatusTooBig = 8;
constexpr int kStatusRecord = 8;
constexpr int kStatusStat = 16;
constexpr std::uint64_t kMiB = 1u << 20;

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, CloseFile>;

struct FreeBuffer {
    void operator()(std::uint8_t* buffer) const { std::free(buffer); }
};

struct InputName {
    std::string name;
    std::string path;
};

struct ImageEntry {
    std::string name;
    std::uint32_t mode = 0;
    std::uint32_t size = 0;
    std::unique_ptr<std::uint8_t[]> contents;  // none for an empty file
    std::size_t inodeAt = 0;
};

// Sorted by name, equal names in argument order (a stable sort of the argument order).
std::vector<InputName> SortInputNames(int argc, const char* const argv[]) {
    std::vector<InputName> names;
    for (int i = 2; i < argc; ++i) names.push_back({LogoEntryName(argv[i]), argv[i]});
    std::stable_sort(names.begin(), names.end(),
                     [](const InputName& a, const InputName& b) { return a.name < b.name; });
    return names;
}

// One image from start to end; every counter starts afresh with the object.
class ImageBuilder {
public:
    ImageBuilder(std::FILE* out, std::FILE* err) : out_(out), err_(err) {}

    MkcramfsResult Build(const char* outputPath, const std::vector<InputName>& inputs) {
        outputPath_ = outputPath;
        output_.reset(std::fopen(outputPath, "wb"));
        if (!output_) return Fail(ReportSystemError("fopen", kStatusOpenOrRead));
        int status = ReadInputs(inputs);
        if (status == 0) status = AllocateImage();
        if (status == 0) status = WriteDirectory();
        if (status == 0) status = WriteData();
        if (status == 0) status = Finish();
        return status == 0 ? MkcramfsResult{0, true} : Fail(status);
    }

private:
    int ReportSystemError(const char* prefix, int status) {
        const int error = errno;
        if (prefix != nullptr)
            std::fprintf(err_, "%s: %s\n", prefix, std::strerror(error));
        else
            std::fprintf(err_, "%s\n", std::strerror(error));
        return status;
    }

    // Nothing of the image reaches the output before the single final write,
    // so after a failure the output is left (or made) empty.
    MkcramfsResult Fail(int status) {
        if (outputWasTouched_) {
            output_.reset();
            FileHandle truncate(std::fopen(outputPath_.c_str(), "wb"));
        }
        return MkcramfsResult{status, false};
    }

    int ReadInputs(const std::vector<InputName>& inputs) {
        for (const InputName& input : inputs) {
            int status = ReadInput(input);
            if (status != 0) return status;
        }
        return 0;
    }

    int ReadInput(const InputName& input) {
        FileHandle file(std::fopen(input.path.c_str(), "rb"));
        if (!file) {
            std::fprintf(err_, "fopen %s fail\n", input.path.c_str());
            return kStatusOpenOrRead;
        }
        struct stat status {};
        if (::fstat(::fileno(file.get()), &status) != 0) return ReportSystemError("stat", kStatusStat);

        ImageEntry entry;
        entry.name = input.name;
        // Every entry is a regular file, whatever the input was: the device's
        // logo partition must not gain device nodes or pipes.
        entry.mode = S_IFREG | (static_cast<std::uint32_t>(status.st_mode) & 07777);
        std::uint64_t size = status.st_size > 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
        const std::size_t entrySize = kInodeSize + RoundUp(entry.name.size(), 4);
        directorySize_ += entrySize;
        estimate_ += entrySize;
        if (size != 0) {
            if (size > kMaxFileSize) {
                size = kMaxFileSize;
                sizesCut_ = true;
            }
            entry.size = static_cast<std::uint32_t>(size);
            entry.contents.reset(new (std::nothrow) std::uint8_t[entry.size]);
            if (!entry.contents) {
                std::fprintf(err_, "malloc %d bytes fail\n", static_cast<int>(entry.size));
                return kStatusOpenOrRead;
            }
            const std::size_t got = std::fread(entry.contents.get(), 1, entry.size, file.get());
            if (got != entry.size) return ReportShortRead(file.get(), input.path, got, entry.size);
            estimate_ += size + 30u * BlockCount(entry.size) + 3;
        }
        entries_.push_back(std::move(entry));
        return 0;
    }

    // A file that shrank after its size was taken must not become a silently
    // shorter (zero-padded) entry.
    int ReportShortRead(std::FILE* file, const std::string& path, std::size_t got, std::uint32_t wanted) {
        if (std::ferror(file)) return ReportSystemError("read", kStatusOpenOrRead);
        std::fprintf(err_, "read: %s: %zu of %u bytes, file changed while read\n", path.c_str(), got, wanted);
        return kStatusOpenOrRead;
    }

    int AllocateImage() {
        std::uint64_t estimate = RoundUp(estimate_, kImageAlignment);
        if (estimate > kMaxImageSize) {
            std::fprintf(err_,
                         "warning: guestimate of required size (upper bound) is %lldMB, but maximum image size is "
                         "%uMB.  We might die prematurely.\n",
                         static_cast<long long>(estimate / kMiB), kMaxImageSizeMiB);
            estimate = kMaxImageSize;
        }
        allocated_ = static_cast<std::size_t>(estimate);
        image_.reset(static_cast<std::uint8_t*>(std::calloc(allocated_, 1)));
        if (!image_) {
            std::fprintf(err_, "malloc %d bytes fail\n", static_cast<int>(allocated_));
            return kStatusOpenOrRead;
        }
        return 0;
    }

    int WriteDirectory() {
        std::size_t at = kSuperblockSize;
        for (ImageEntry& entry : entries_) {
            const std::size_t paddedName = RoundUp(entry.name.size(), 4);
            if (at + kInodeSize + paddedName > allocated_) return ReportNoSpace(at + kInodeSize + paddedName);
            entry.inodeAt = at;
            StoreInode(image_.get() + at,
                       Inode{entry.mode, 0, entry.size, 0, static_cast<std::uint32_t>(paddedName / 4), 0});
            ++fileCount_;
            std::memcpy(image_.get() + at + kInodeSize, entry.name.data(), entry.name.size());
            at += kInodeSize + paddedName;
            std::fprintf(out_, "  %s\n", entry.name.c_str());
        }
        std::fprintf(out_, "Directory data: %d bytes\n", static_cast<int>(at));
        position_ = at;
        return 0;
    }

    int WriteData() {
        for (ImageEntry& entry : entries_) {
            if (entry.size == 0) continue;
            int status = WriteFileData(entry);
            if (status != 0) return status;
        }
        return 0;
    }

    int WriteFileData(ImageEntry& entry) {
        if (position_ > kMaxOffset) {
            std::fprintf(err_, "filesystem too big.  Exiting.\n");
            return kStatusTooBig;
        }
        Inode inode = LoadInode(image_.get() + entry.inodeAt);
        inode.offset = static_cast<std::uint32_t>(position_);
        StoreInode(image_.get() + entry.inodeAt, inode);

        const std::uint32_t blocks = BlockCount(entry.size);
        blockCount_ += blocks;
        const std::size_t tableAt = position_;
        position_ += blocks * 4u;
        if (position_ > allocated_) return ReportNoSpace(position_);

        const std::uint8_t* source = entry.contents.get();
        std::uint32_t left = entry.size;
        for (std::uint32_t block = 0; block < blocks; ++block) {
            const std::uint32_t input = std::min<std::uint32_t>(left, kBlockSize);
            int status = CompressBlock(source, input);
            if (status != 0) return status;
            StoreWord(image_.get() + tableAt + block * 4u, static_cast<std::uint32_t>(position_));
            source += input;
            left -= input;
        }
        position_ = RoundUp(position_, 4);

        const std::int64_t change = static_cast<std::int64_t>(position_ - tableAt) - entry.size;
        const std::int32_t percentTimesSize = static_cast<std::int32_t>(change * 100);
        std::fprintf(out_, "%6.2f%% (%+d bytes)\t%s\n", percentTimesSize / static_cast<double>(entry.size),
                     static_cast<int>(change), entry.name.c_str());
        entry.contents.reset();
        return 0;
    }

    int CompressBlock(const std::uint8_t* source, std::uint32_t length) {
        // Never let zlib write past the buffer, even when the estimate was capped.
        const std::size_t room = std::min(kBlockRoom, allocated_ - std::min(allocated_, position_));
        uLongf compressed = static_cast<uLongf>(room);
        const int result = ::compress(image_.get() + position_, &compressed, source, length);
        if (compressed > kBlockRoom) {
            std::fprintf(out_, "AIEEE: block \"compressed\" to > 2*blocklength (%ld)\n", static_cast<long>(compressed));
            return kStatusTooBig;
        }
        if (result == Z_BUF_ERROR) return ReportNoSpace(position_ + kBlockRoom);
        if (result != Z_OK) {
            std::fprintf(err_, "compress failed (%d)\n", result);
            return kStatusTooBig;
        }
        position_ += compressed;
        return 0;
    }

    int ReportNoSpace(std::size_t used) {
        std::fprintf(err_, "not enough space allocated for ROM image (%lld allocated, %d used)\n",
                     static_cast<long long>(allocated_), static_cast<int>(used));
        return kStatusTooBig;
    }

    int Finish() {
        const std::size_t length = RoundUp(position_, kImageAlignment);
        std::fprintf(out_, "Everything: %d kilobytes\n", static_cast<int>(length / 1024));
        // Checked before the superblock and CRC touch the whole length.
        if (allocated_ < length) return ReportNoSpace(length);
        WriteSuperblock(length);
        std::fprintf(out_, "Super block: %d bytes\n", static_cast<int>(kSuperblockSize));
        const std::uint32_t crc = static_cast<std::uint32_t>(::crc32(::crc32(0, nullptr, 0), image_.get(), length));
        StoreWord(image_.get() + kCrcAt, crc);
        std::fprintf(out_, "CRC: %x\n", crc);
        const int status = WriteImage(length);
        if (status != 0) return status;
        if (sizesCut_) std::fprintf(err_, "warning: file sizes truncated to %luMB (minus 1 byte).\n", 16ul);
        return 0;
    }

    void WriteSuperblock(std::size_t length) {
        std::uint8_t* super = image_.get();
        StoreWord(super + kMagicAt, kMagic);
        StoreWord(super + kSizeAt, static_cast<std::uint32_t>(length));
        StoreWord(super + kFlagsAt, kFlagFsidVersion2 | kFlagSortedDirs);
        StoreWord(super + kFutureAt, 0);
        std::memcpy(super + kSignatureAt, kSignature.data(), kSignature.size());
        StoreWord(super + kCrcAt, 0);
        StoreWord(super + kEditionAt, 0);
        StoreWord(super + kBlocksAt, blockCount_);
        StoreWord(super + kFilesAt, fileCount_);
        std::memcpy(super + kNameAt, kVolumeName.data(), kVolumeName.size());
        StoreInode(super + kRootInodeAt, Inode{kRootMode, 0, static_cast<std::uint32_t>(directorySize_), 0, 0,
                                               static_cast<std::uint32_t>(kSuperblockSize)});
    }

    int WriteImage(std::size_t length) {
        outputWasTouched_ = true;
        errno = 0;
        const std::size_t written = std::fwrite(image_.get(), 1, length, output_.get());
        if (std::ferror(output_.get())) return ReportSystemError("ROM image", kStatusTooBig);
        if (written != length) {
            std::fprintf(err_, "ROM image write failed (%d %d)\n", static_cast<int>(written), static_cast<int>(length));
            return kStatusTooBig;
        }
        // A full disk often shows only when the last buffered bytes go out.
        std::FILE* file = output_.release();
        if (std::fclose(file) != 0) return ReportSystemError("ROM image", kStatusTooBig);
        return 0;
    }

    std::FILE* out_;
    std::FILE* err_;
    std::string outputPath_;
    FileHandle output_;
    bool outputWasTouched_ = false;
    std::vector<ImageEntry> entries_;
    std::size_t directorySize_ = 0;
    std::uint64_t estimate_ = kSuperblockSize;
    std::unique_ptr<std::uint8_t, FreeBuffer> image_;
    std::size_t allocated_ = 0;
    std::size_t position_ = 0;
    std::uint32_t blockCount_ = 0;
    std::uint32_t fileCount_ = 1;  // the root
    bool sizesCut_ = false;
};

} // namespace

MkcramfsResult mkcramfs(int argc, const char* const argv[], std::FILE* out, std::FILE* err) {
    if (argc < 3) {
        const char* program = (argc > 0 && argv[0] != nullptr) ? argv[0] : "mkcramfs";
        std::fprintf(err, "usage: %s  outfile infile1 infile2 ...\n", program);
        return MkcramfsResult{0, false};
    }
    try {
        ImageBuilder builder(out, err);
        return builder.Build(argv[1], SortInputNames(argc, argv));
    } catch (const std::bad_alloc&) {
        // A name or record could not be allocated; the output was not written.
        std::fprintf(err, "%s\n", std::strerror(ENOMEM));
        return MkcramfsResult{kStatusRecord, false};
    }
}

} // namespace tarnwell
