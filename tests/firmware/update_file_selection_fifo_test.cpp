// A named pipe or a device chosen as an update file is refused at once, not
// opened and waited on: POSIX special files.
#include "file_selection_fixture.h"

#include <fcntl.h>
#include <future>
#include <sys/stat.h>
#include <unistd.h>

using namespace tarnwell;
using namespace tarnwell::test;

TEST_F(FileSelectionTest, APipeOrDeviceIsRefusedWithoutWaitingForAWriter) {
    UiLanguage = 1;
    const std::string pipe = dir.File("fifo.tar");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    for (const std::string& path : {pipe, std::string("/dev/zero")}) {
        ui.ClearRecords();
        ui.fileChoices.push_back({path});
        auto browse = std::async(std::launch::async, [this] { console.OnBrowseFirmware(); });
        if (browse.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            // Free the blocked open so the test can end, then fail.
            int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
            browse.wait();
            if (writer >= 0) ::close(writer);
            FAIL() << "Browse blocked on " << path;
        }
        EXPECT_EQ(ui.Messages(), (Strings{"打开文件 " + path + " ,失败", "该文件不能用来升级bios"}));
        EXPECT_EQ(console.firmwareFileCount, 0);
    }
    // Typed into the edit over an accepted choice, the pipe stops the worker at the package check.
    ui.fileChoices.push_back({Write("fw.tar", "x")});
    console.OnBrowseFirmware();
    ui.ClearRecords();
    ui.controls.biosFilePath = pipe;
    console.StartFirmwareUpgrade();
    auto joined = std::async(std::launch::async, [this] { console.firmwareWorker.join(); });
    if (joined.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        int writer = ::open(pipe.c_str(), O_WRONLY | O_NONBLOCK);
        joined.wait();
        if (writer >= 0) ::close(writer);
        FAIL() << "the upgrade blocked on the pipe";
    }
    EXPECT_EQ(ui.Messages(), Strings{"文件格式错误!"});
}

