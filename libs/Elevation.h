// Whether this process holds privilege that the user who started it may not have.
//
// The port-access library needs CAP_SYS_RAWIO, which an administrator may grant to the
// program file (setcap) or through a set-user-ID bit. Such a process must not run code
// or touch files of its user's choosing with that privilege, so everything that picks a
// library or a file from the command line or the environment asks this one function.
//
// Elevated means: the kernel started us in secure mode (set-user-ID, set-group-ID or
// file capabilities: AT_SECURE), or we hold capabilities while not running as root. Root
// already has every privilege, so refusing it its own libraries would protect nothing.
// TAVIMORE_ASSUME_ELEVATED=1 makes any process count as elevated: it can only add
// refusals, which is how the tests reach them.
#pragma once

#include <linux/capability.h>
#include <sys/auxv.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

inline bool ProcessIsElevated()
{
    if (getauxval(AT_SECURE) != 0) return true;
    if (const char* forced = std::getenv("TAVIMORE_ASSUME_ELEVATED");
        forced && std::strcmp(forced, "1") == 0)
        return true;
    if (getuid() == 0) return false;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    if (syscall(SYS_capget, &header, data) != 0) return true; // cannot tell: assume the worst
    for (const auto& word : data)
        if (word.permitted != 0 || word.effective != 0) return true;
    return false;
}
