#pragma once
// The console's Search button: runs the device search dialog over the console
// and puts the picked device's address and web port into the console's address
// control and Web Port edit, in that order. A cancelled search changes nothing.
#include "platform/network_adapters.h"

namespace tarnwell {

class DeviceSearchLibrary;
class OperatorConsoleDialog;

void SearchFromConsole(OperatorConsoleDialog& console, DeviceSearchLibrary& library,
                       AdapterSource& adapters = SystemAdapterSource());

} // namespace tarnwell
