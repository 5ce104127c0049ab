// tavimore-test-window: a small X client for the desktop tests.
//
//   tavimore-test-window [--title TEXT] [--no-pid] [--closed FILE]
//
// Opens a top-level window titled TEXT (UTF-8), with _NET_WM_NAME and WM_NAME,
// WM_DELETE_WINDOW, and _NET_WM_PID unless --no-pid (as older toolkits leave it out).
// When asked to close it appends "closed <window id in hex>" to FILE, followed by
// " opacity <value>" when the window had _NET_WM_WINDOW_OPACITY, and ends.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    std::string title = "tavimore test window";
    std::string closedFile;
    bool setPid = true;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--title" && i + 1 < argc)
            title = argv[++i];
        else if (arg == "--closed" && i + 1 < argc)
            closedFile = argv[++i];
        else if (arg == "--no-pid")
            setPid = false;
        else {
            std::fprintf(stderr, "tavimore-test-window: unknown argument %s\n", arg.c_str());
            return 2;
        }
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    Atom netWmName = XInternAtom(display, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom netWmPid = XInternAtom(display, "_NET_WM_PID", False);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    Atom opacity = XInternAtom(display, "_NET_WM_WINDOW_OPACITY", False);

    Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 160, 90, 1,
                                   BlackPixel(display, 0), WhitePixel(display, 0));
    XChangeProperty(display, w, netWmName, utf8, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    if (std::all_of(title.begin(), title.end(), [](unsigned char c) {
            return c < 0x80;
        })) // WM_NAME as STRING is Latin-1: only a plain title fits it as it stands
        XStoreName(display, w, title.c_str());
    if (setPid) {
        long pid = getpid();
        XChangeProperty(display, w, netWmPid, XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<unsigned char*>(&pid), 1);
    }
    XSetWMProtocols(display, w, &deleteWindow, 1);
    XMapWindow(display, w);
    XFlush(display);

    for (;;) {
        XEvent event;
        XNextEvent(display, &event);
        if (event.type == ClientMessage && event.xclient.message_type == protocols &&
            static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
            if (!closedFile.empty()) {
                char closed[32];
                std::snprintf(closed, sizeof closed, "closed %lx", event.xclient.window);
                std::string line = closed;
                Atom type = None;
                int format = 0;
                unsigned long count = 0, after = 0;
                unsigned char* data = nullptr;
                if (XGetWindowProperty(display, event.xclient.window, opacity, 0, 1, False,
                                       XA_CARDINAL, &type, &format, &count, &after,
                                       &data) == Success &&
                    data != nullptr && count == 1)
                    line += " opacity " + std::to_string(*reinterpret_cast<unsigned long*>(data));
                if (data != nullptr) XFree(data);
                if (FILE* f = std::fopen(closedFile.c_str(), "a")) {
                    std::fprintf(f, "%s\n", line.c_str());
                    std::fclose(f);
                }
            }
            XCloseDisplay(display);
            return 0;
        }
    }
}
