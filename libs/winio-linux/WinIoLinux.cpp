// The Linux port-access library: the eight entry points over the kernel's port and
// physical-memory access.
//
// Ports, in the first way the kernel grants:
//   1. x86 only: ioperm, then inb/inw/inl and outb/outw/outl straight from this
//      process. Permission is asked for only the ports a script touches, on their
//      first access, so that a script that drives a parallel port cannot also reach
//      PCI configuration space (0xCF8/0xCFC) or the disk controllers. iopl is never
//      used: it opens every port at once, and ioperm reaches all 65536 ports.
//   2. /dev/port, read and written at the port number (a word or double word is
//      then that many consecutive byte ports);
//   3. ppdev: the parallel port /dev/parportN (TAVIMORE_PARPORT, default
//      /dev/parport0; an elevated process ignores TAVIMORE_PARPORT), which Linux
//      lets members of the lp group use without root.
//      It reaches only the port's data, status and control registers, at the base
//      TAVIMORE_PARPORT_BASE (default 0x378; PCIe cards sit elsewhere); every other
//      port is refused and reads as 0.
// The first two need CAP_SYS_RAWIO (root, or setcap cap_sys_rawio+ep on the
// program). When none is granted, InitializeWinIo fails and says why on standard
// error, so that the program reports port access as unavailable instead of letting
// every port instruction silently do nothing.
//
// Physical memory goes through /dev/mem when it can be opened (CAP_SYS_RAWIO too; a
// kernel built with STRICT_DEVMEM maps only the first megabyte and device memory).
// Without it, mappings and reads fail; port access is unaffected.
#include <fcntl.h>
#include <linux/ppdev.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

#if defined(__x86_64__) || defined(__i386__)
#define TAVIMORE_X86_PORTS 1
#include <sys/io.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Elevation.h"
#include "WinIoApi.h"

namespace {

enum class Access { None, Processor, DevPort, ParallelPort };

struct CState {
    Access access = Access::None;
    int portFd = -1; // /dev/port or /dev/parportN
    int memFd = -1;  // /dev/mem
    uint32_t parportBase = 0x378;
    std::string parportPath;
    bool dataReverse = false; // ppdev: the data lines read from outside (control bit 5)
    bool warnedRefused = false;
#ifdef TAVIMORE_X86_PORTS
    // One bit per port: set once ioperm granted it to this process.
    uint64_t granted[0x10000 / 64] = {};
#endif
};

CState g_state;

struct CMapping {
    void* base;
    size_t length;
};

std::string Reason(const char* what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

bool OpenParallelPort(std::string& why)
{
    const char* path = std::getenv("TAVIMORE_PARPORT");
    if (path && *path && ProcessIsElevated()) {
        std::fprintf(stderr, "tavimore-winio: TAVIMORE_PARPORT is ignored: the program runs with "
                             "elevated privilege, so it opens only /dev/parport0\n");
        path = nullptr;
    }
    g_state.parportPath = path && *path ? path : "/dev/parport0";
    if (const char* base = std::getenv("TAVIMORE_PARPORT_BASE"); base && *base) {
        char* end = nullptr;
        unsigned long value = std::strtoul(base, &end, 0);
        if (*end != '\0' || value > 0xFFFD) {
            why = std::string("TAVIMORE_PARPORT_BASE '") + base + "' is not a port number";
            return false;
        }
        g_state.parportBase = static_cast<uint32_t>(value);
    }
    int fd = open(g_state.parportPath.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        why = Reason(g_state.parportPath.c_str());
        return false;
    }
    if (ioctl(fd, PPCLAIM) != 0) {
        why = Reason((g_state.parportPath + " (claim)").c_str());
        close(fd);
        return false;
    }
    int forward = 0;
    ioctl(fd, PPDATADIR, &forward);
    g_state.dataReverse = false;
    g_state.portFd = fd;
    return true;
}

void WarnRefused(uint32_t port)
{
    if (g_state.warnedRefused) return;
    g_state.warnedRefused = true;
    std::fprintf(stderr,
                 "tavimore-winio: port 0x%x is not reachable through %s, which reaches only "
                 "0x%x-0x%x; such ports read as 0 and writes to them are dropped\n",
                 port, g_state.parportPath.c_str(), g_state.parportBase, g_state.parportBase + 2);
}

// ---- ppdev: one register of the parallel port
bool ParallelRead(uint32_t port, uint8_t& value)
{
    unsigned char byte = 0;
    int r = -1;
    const uint32_t reg = port - g_state.parportBase;
    if (port < g_state.parportBase || reg > 2) {
        WarnRefused(port);
        return false;
    }
    if (reg == 0)
        r = ioctl(g_state.portFd, PPRDATA, &byte);
    else if (reg == 1)
        r = ioctl(g_state.portFd, PPRSTATUS, &byte);
    else {
        r = ioctl(g_state.portFd, PPRCONTROL, &byte);
        if (g_state.dataReverse) byte |= 0x20;
    }
    value = byte;
    return r == 0;
}

bool ParallelWrite(uint32_t port, uint8_t value)
{
    unsigned char byte = value;
    const uint32_t reg = port - g_state.parportBase;
    if (port < g_state.parportBase || reg > 2) {
        WarnRefused(port);
        return false;
    }
    if (reg == 0) return ioctl(g_state.portFd, PPWDATA, &byte) == 0;
    if (reg == 1) return true; // the status register is read-only on the hardware too
    // Bits 0-3 are the control lines; bit 5 turns the data lines around.
    int reverse = (value & 0x20) != 0;
    if (ioctl(g_state.portFd, PPDATADIR, &reverse) == 0) g_state.dataReverse = reverse != 0;
    byte = static_cast<unsigned char>(value & 0x0F);
    return ioctl(g_state.portFd, PPWCONTROL, &byte) == 0;
}

bool ValidSize(uint32_t size)
{
    return size == 1 || size == 2 || size == 4;
}

#ifdef TAVIMORE_X86_PORTS
// Makes sure the process may use the ports [port, port + size), asking the kernel on
// the first access to any of them. An access beyond port 0xFFFF is refused: the
// processor would fault on it.
inline bool GrantPorts(uint32_t port, uint32_t size)
{
    if (port + size > 0x10000) return false;
    bool all = true;
    for (uint32_t p = port; p < port + size; ++p)
        all = all && (g_state.granted[p / 64] >> (p % 64) & 1) != 0;
    if (all) return true;
    if (ioperm(port, size, 1) != 0) return false;
    for (uint32_t p = port; p < port + size; ++p)
        g_state.granted[p / 64] |= uint64_t{1} << (p % 64);
    return true;
}
#endif

} // namespace

int32_t InitializeWinIo(void)
{
    if (g_state.access != Access::None) return 1;
    std::string reasons;
    auto note = [&](const std::string& why) { reasons += (reasons.empty() ? "" : "; ") + why; };
#ifdef TAVIMORE_X86_PORTS
    // Whether the kernel grants ports at all, asked with the POST diagnostic port,
    // which nothing listens to; it is given back at once.
    if (ioperm(0x80, 1, 1) == 0) {
        ioperm(0x80, 1, 0);
        g_state.access = Access::Processor;
    } else {
        note(Reason("ioperm"));
    }
#endif
    if (g_state.access == Access::None) {
        g_state.portFd = open("/dev/port", O_RDWR | O_CLOEXEC);
        if (g_state.portFd >= 0)
            g_state.access = Access::DevPort;
        else
            note(Reason("/dev/port"));
    }
    if (g_state.access == Access::None) {
        std::string why;
        if (OpenParallelPort(why))
            g_state.access = Access::ParallelPort;
        else
            note(why);
    }
    if (g_state.access == Access::None) {
        std::fprintf(stderr, "tavimore-winio: no port access: %s\n", reasons.c_str());
        return 0;
    }
    g_state.memFd = open("/dev/mem", O_RDWR | O_SYNC | O_CLOEXEC);
    return 1;
}

void ShutdownWinIo(void)
{
#ifdef TAVIMORE_X86_PORTS
    if (g_state.access == Access::Processor) ioperm(0, 0x10000, 0);
#endif
    if (g_state.access == Access::ParallelPort) ioctl(g_state.portFd, PPRELEASE);
    if (g_state.portFd >= 0) close(g_state.portFd);
    if (g_state.memFd >= 0) close(g_state.memFd);
    g_state = CState();
}

int32_t GetPortVal(uint32_t port, uint32_t* value, uint32_t size)
{
    if (value == nullptr) return 0;
    *value = 0;
    if (!ValidSize(size)) return 0;
    port &= 0xFFFF;
    switch (g_state.access) {
#ifdef TAVIMORE_X86_PORTS
    case Access::Processor: {
        if (!GrantPorts(port, size)) return 0;
        const auto p = static_cast<unsigned short>(port);
        *value = size == 1 ? inb(p) : size == 2 ? inw(p) : inl(p);
        return 1;
    }
#endif
    case Access::DevPort: {
        uint8_t bytes[4] = {};
        if (pread(g_state.portFd, bytes, size, port) != static_cast<ssize_t>(size)) return 0;
        for (uint32_t i = 0; i < size; ++i)
            *value |= static_cast<uint32_t>(bytes[i]) << (8 * i);
        return 1;
    }
    case Access::ParallelPort:
        for (uint32_t i = 0; i < size; ++i) {
            uint8_t byte = 0;
            if (!ParallelRead(port + i, byte)) {
                *value = 0;
                return 0;
            }
            *value |= static_cast<uint32_t>(byte) << (8 * i);
        }
        return 1;
    default:
        return 0;
    }
}

int32_t SetPortVal(uint32_t port, uint32_t value, uint32_t size)
{
    if (!ValidSize(size)) return 0;
    port &= 0xFFFF;
    switch (g_state.access) {
#ifdef TAVIMORE_X86_PORTS
    case Access::Processor: {
        if (!GrantPorts(port, size)) return 0;
        const auto p = static_cast<unsigned short>(port);
        if (size == 1)
            outb(static_cast<unsigned char>(value), p);
        else if (size == 2)
            outw(static_cast<unsigned short>(value), p);
        else
            outl(value, p);
        return 1;
    }
#endif
    case Access::DevPort: {
        uint8_t bytes[4];
        for (uint32_t i = 0; i < 4; ++i)
            bytes[i] = static_cast<uint8_t>(value >> (8 * i));
        return pwrite(g_state.portFd, bytes, size, port) == static_cast<ssize_t>(size);
    }
    case Access::ParallelPort: {
        bool ok = true;
        for (uint32_t i = 0; i < size; ++i)
            ok = ParallelWrite(port + i, static_cast<uint8_t>(value >> (8 * i))) && ok;
        return ok;
    }
    default:
        return 0;
    }
}

uint8_t* MapPhysToLin(uint32_t physAddress, uint32_t length, void** handle)
{
    if (handle == nullptr) return nullptr;
    *handle = nullptr;
    if (g_state.memFd < 0 || length == 0) return nullptr;
    const auto page = static_cast<uint64_t>(sysconf(_SC_PAGESIZE));
    const uint64_t start = physAddress / page * page;
    const uint64_t end = (static_cast<uint64_t>(physAddress) + length + page - 1) / page * page;
    void* base = mmap(nullptr, end - start, PROT_READ | PROT_WRITE, MAP_SHARED, g_state.memFd,
                      static_cast<off_t>(start));
    if (base == MAP_FAILED) return nullptr;
    auto* mapping = new CMapping{base, static_cast<size_t>(end - start)};
    *handle = mapping;
    return static_cast<uint8_t*>(base) + (physAddress - start);
}

int32_t UnmapPhysicalMemory(void* handle, uint8_t* linearAddress)
{
    (void)linearAddress;
    auto* mapping = static_cast<CMapping*>(handle);
    if (mapping == nullptr) return 0;
    munmap(mapping->base, mapping->length);
    delete mapping;
    return 1;
}

int32_t GetPhysLong(uint32_t physAddress, uint32_t* value)
{
    if (value == nullptr) return 0;
    *value = 0;
    uint8_t bytes[4];
    if (g_state.memFd < 0 || pread(g_state.memFd, bytes, 4, physAddress) != 4) return 0;
    *value = bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    return 1;
}

int32_t SetPhysLong(uint32_t physAddress, uint32_t value)
{
    uint8_t bytes[4];
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<uint8_t>(value >> (8 * i));
    return g_state.memFd >= 0 && pwrite(g_state.memFd, bytes, 4, physAddress) == 4;
}
