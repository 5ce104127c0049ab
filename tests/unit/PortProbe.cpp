// Reads port 0x80 (the POST diagnostic port) and exits 0; a process without the port
// permission dies of SIGSEGV instead.
#include <sys/io.h>

int main()
{
    return inb(0x80) == 0x100 ? 1 : 0;
}
