// A named pipe or a device chosen as an update file is refused at once, not
// opened and read: Windows' own special files.
#include "firmware/file_selection_fixture.h"

#include <windows.h>

#include <atomic>
#include <future>

using namespace tarnwell;
using namespace tarnwell::test;

namespace {

// A pipe with a server end waiting, so a reader's open succeeds and a read would block.
class NamedPipe {
public:
    NamedPipe() {
        static std::atomic<int> counter{0};
        path_ = "\\\\.\\pipe\\tarnwell-test-" + std::to_string(::GetCurrentProcessId()) + "-" +
                std::to_string(counter++);
        handle_ = ::CreateNamedPipeA(path_.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 4, 4096, 4096,
                                     0, nullptr);
    }
    ~NamedPipe() { Close(); }
    void Close() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }
    bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

} // namespace

TEST_F(FileSelectionTest, AWindowsPipeOrDeviceIsRefusedWithoutReadingIt) {
    UiLanguage = 1;
    NamedPipe pipe;
    ASSERT_TRUE(pipe.IsOpen());
    for (const std::string& path : {pipe.Path(), std::string("NUL"), std::string("\\\\.\\NUL")}) {
        ui.ClearRecords();
        ui.fileChoices.push_back({path});
        auto browse = std::async(std::launch::async, [this] { console.OnBrowseFirmware(); });
        if (browse.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // A pipe read blocks until the server end closes: close it so the test can end, then fail.
            pipe.Close();
            browse.wait();
            FAIL() << "Browse blocked on " << path;
        }
        EXPECT_EQ(ui.Messages(), (Strings{"打开文件 " + path + " ,失败", "该文件不能用来升级bios"})) << path;
        EXPECT_EQ(console.firmwareFileCount, 0) << path;
    }
}
