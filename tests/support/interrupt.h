#pragma once
// Plays the operator's Ctrl-C on this test program.
namespace tarnwell::test {

// Delivers the interrupt the way the platform would: SIGINT on POSIX, the
// console's Ctrl-C event on Windows. False when it cannot be delivered (a
// Windows program without a console).
bool InterruptThisProcess();

} // namespace tarnwell::test
