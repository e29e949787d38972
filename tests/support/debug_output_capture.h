#pragma once
// Collects what the code under test writes to the developer's debug channel
// (standard error on POSIX, the debugger's OutputDebugString on Windows)
// from construction until Text() is called.
#include <string>

namespace tarnwell::test {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // Everything written so far; ends the capture.
    std::string Text();

private:
    bool capturing_ = true;
};

} // namespace tarnwell::test
