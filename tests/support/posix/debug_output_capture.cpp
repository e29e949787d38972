#include "support/debug_output_capture.h"

#include <gtest/gtest.h>

namespace tarnwell::test {

DebugOutputCapture::DebugOutputCapture() { testing::internal::CaptureStderr(); }

DebugOutputCapture::~DebugOutputCapture() {
    if (capturing_) Text();
}

std::string DebugOutputCapture::Text() {
    capturing_ = false;
    return testing::internal::GetCapturedStderr();
}

} // namespace tarnwell::test
