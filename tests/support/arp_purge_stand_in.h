#pragma once
// The console's ARP purge for test programs built before the console's own
// definition joins the core. The stand-in is weak: a real definition wins.

namespace tarnwell::test {

// Call from a fixture so the linker keeps the stand-in.
void LinkArpPurgeStandIn();

} // namespace tarnwell::test
