#include "LogindPower.h"

#include <dbus/dbus.h>

bool RequestPowerOff(const std::string& busAddress, int timeoutMs)
{
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = nullptr;
    if (busAddress.empty()) {
        bus = dbus_bus_get_private(DBUS_BUS_SYSTEM, &error);
    } else {
        bus = dbus_connection_open_private(busAddress.c_str(), &error);
        if (bus != nullptr && !dbus_bus_register(bus, &error)) {
            dbus_connection_close(bus);
            dbus_connection_unref(bus);
            bus = nullptr;
        }
    }
    if (bus == nullptr) {
        dbus_error_free(&error);
        return false;
    }
    // A bus that goes away must not end the application.
    dbus_connection_set_exit_on_disconnect(bus, FALSE);

    bool answered = false;
    DBusMessage* call =
        dbus_message_new_method_call("org.freedesktop.login1", "/org/freedesktop/login1",
                                     "org.freedesktop.login1.Manager", "PowerOff");
    dbus_bool_t interactive = FALSE;
    if (call != nullptr &&
        dbus_message_append_args(call, DBUS_TYPE_BOOLEAN, &interactive, DBUS_TYPE_INVALID)) {
        DBusMessage* reply =
            dbus_connection_send_with_reply_and_block(bus, call, timeoutMs, &error);
        answered = reply != nullptr;
        if (reply != nullptr) dbus_message_unref(reply);
    }
    if (call != nullptr) dbus_message_unref(call);
    dbus_error_free(&error);
    dbus_connection_close(bus);
    dbus_connection_unref(bus);
    return answered;
}
