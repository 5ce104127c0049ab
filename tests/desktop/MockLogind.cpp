// tavimore-mock-logind: stands in for systemd-logind on a private bus in the tests.
//
//   tavimore-mock-logind ADDRESS RECORD [CANPOWEROFF]
//
// Connects to the bus at ADDRESS, owns org.freedesktop.login1, writes "ready" to
// RECORD once it does, then answers every org.freedesktop.login1.Manager.PowerOff call
// on /org/freedesktop/login1 and appends "PowerOff interactive=<true|false>" to RECORD.
// It powers nothing off. CanPowerOff is answered with CANPOWEROFF ("yes" by default).
#include <dbus/dbus.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: tavimore-mock-logind ADDRESS RECORD [CANPOWEROFF]\n");
        return 2;
    }
    DBusError error;
    dbus_error_init(&error);
    DBusConnection* bus = dbus_connection_open_private(argv[1], &error);
    if (bus == nullptr || !dbus_bus_register(bus, &error)) {
        std::fprintf(stderr, "tavimore-mock-logind: %s\n",
                     error.message ? error.message : "no bus");
        return 1;
    }
    if (dbus_bus_request_name(bus, "org.freedesktop.login1", DBUS_NAME_FLAG_DO_NOT_QUEUE, &error) !=
        DBUS_REQUEST_NAME_REPLY_PRIMARY_OWNER) {
        std::fprintf(stderr, "tavimore-mock-logind: cannot own the name\n");
        return 1;
    }
    auto record = [&](const char* line) {
        if (FILE* f = std::fopen(argv[2], "a")) {
            std::fprintf(f, "%s\n", line);
            std::fclose(f);
        }
    };
    const char* canPowerOff = argc == 4 ? argv[3] : "yes";
    // Answers a call, with the answer to CanPowerOff when answer is set.
    auto reply = [&](DBusMessage* call, const char* const* answer) {
        DBusMessage* message = dbus_message_new_method_return(call);
        if (answer != nullptr)
            dbus_message_append_args(message, DBUS_TYPE_STRING, answer, DBUS_TYPE_INVALID);
        dbus_connection_send(bus, message, nullptr);
        dbus_connection_flush(bus);
        dbus_message_unref(message);
    };
    record("ready");
    while (dbus_connection_read_write(bus, -1)) {
        while (DBusMessage* message = dbus_connection_pop_message(bus)) {
            if (dbus_message_is_method_call(message, "org.freedesktop.login1.Manager",
                                            "PowerOff") &&
                std::strcmp(dbus_message_get_path(message), "/org/freedesktop/login1") == 0) {
                dbus_bool_t interactive = TRUE;
                const bool hasArgument = dbus_message_get_args(message, nullptr, DBUS_TYPE_BOOLEAN,
                                                               &interactive, DBUS_TYPE_INVALID);
                record(!hasArgument  ? "PowerOff without its argument"
                       : interactive ? "PowerOff interactive=true"
                                     : "PowerOff interactive=false");
                reply(message, nullptr);
            } else if (dbus_message_is_method_call(message, "org.freedesktop.login1.Manager",
                                                   "CanPowerOff")) {
                reply(message, &canPowerOff);
            }
            dbus_message_unref(message);
        }
    }
    return 0;
}
