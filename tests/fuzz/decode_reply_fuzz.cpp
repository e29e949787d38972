// Any bytes as one device reply: decoding stays inside the reply, and the
// language-list path never reaches a device (the address is empty).
#include "app/operator_console.h"
#include "protocol/reply_decoding.h"
#include "protocol/reply_reader.h"
#include "support/fake_console_ui.h"

#include <cstdlib>
#include <cstring>
#include <memory>

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

    // How much of the bytes a reply takes: never more than it was given or than a reply holds.
    std::unique_ptr<uint8_t[]> exact(new uint8_t[size == 0 ? 1 : size]);
    if (size > 0) std::memcpy(exact.get(), data, size);
    const size_t meaningful = tarnwell::MeaningfulReplyLength(exact.get(), size);
    if (meaningful > size || meaningful > tarnwell::kDeviceReplyMax) std::abort();
    const tarnwell::DecodedReply decoded = tarnwell::DecodeDeviceReply(reply);
    if (decoded.flashLayout && (*decoded.flashLayout < 0 || *decoded.flashLayout > 15)) std::abort();
    if (decoded.languageList) (void)tarnwell::LanguageListHas(*decoded.languageList, "SimpChinese");
    return 0;
}
