// Any bytes as one device reply: decoding stays inside the reply, and the
// language-list path never reaches a device (the address is empty).
#include "app/operator_console.h"
#include "support/fake_console_ui.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static tarnwell::test::FakeConsoleUi ui;
    static tarnwell::OperatorConsole console(ui);
    ui.languageText = size > 0 && (data[0] & 1) ? "SimpChinese" : "English";
    console.deviceAddressText.clear();
    console.languageMatched = 0;
    tarnwell::DeviceReply reply = tarnwell::MakeDeviceReply(data, size);
    tarnwell::ReplyVerdict verdict;
    int result = console.DecodeReply(reply, verdict);
    if (result != 0 && result != 1) std::abort();
    if (verdict.replyStatus < 0 || verdict.replyStatus > 2) std::abort();
    ui.ClearRecords();
    return 0;
}
