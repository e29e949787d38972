#include "support/debug_output_capture.h"

#include <windows.h>

#include <mutex>

namespace tarnwell::test {

namespace {

// OutputDebugString raises DBG_PRINTEXCEPTION_C with the text before any
// debugger sees it; a vectored handler in this process reads it there.
std::mutex capturedMutex;
std::string captured;
void* handler = nullptr;

LONG CALLBACK TakeDebugText(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (record.ExceptionCode == DBG_PRINTEXCEPTION_C && record.NumberParameters >= 2) {
        const auto length = static_cast<size_t>(record.ExceptionInformation[0]);
        const auto* text = reinterpret_cast<const char*>(record.ExceptionInformation[1]);
        std::lock_guard lock(capturedMutex);
        // The length counts the closing NUL.
        if (text != nullptr && length > 0) captured.append(text, length - 1);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

DebugOutputCapture::DebugOutputCapture() {
    {
        std::lock_guard lock(capturedMutex);
        captured.clear();
    }
    handler = ::AddVectoredExceptionHandler(1, TakeDebugText);
}

DebugOutputCapture::~DebugOutputCapture() {
    if (capturing_) Text();
}

std::string DebugOutputCapture::Text() {
    capturing_ = false;
    if (handler != nullptr) ::RemoveVectoredExceptionHandler(handler);
    handler = nullptr;
    std::lock_guard lock(capturedMutex);
    return captured;
}

} // namespace tarnwell::test
