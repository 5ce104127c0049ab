// Powering the machine off through systemd-logind.
#pragma once

#include <string>

// Calls org.freedesktop.login1.Manager.PowerOff(interactive = false) on the system bus
// (libdbus honours DBUS_SYSTEM_BUS_ADDRESS), or on the bus at busAddress when it is
// not empty. Waits at most timeoutMs for the answer, which is not reported: whether
// the machine goes down is logind's and its policy's decision. Returns whether the
// call was answered without an error, for the tests.
bool RequestPowerOff(const std::string& busAddress, int timeoutMs);
