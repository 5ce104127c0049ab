// CHost: everything the engine needs from the world around it.
//
// The engine never calls the operating system. Message boxes, the message pump, the
// clock and sleeping, and (through the services each instruction family declares
// beside this class) processes, windows, sounds, media and power all go through one
// host object that the program installs: the Qt host of the editor, the console host
// of tavimore-run, or the recording host of the unit tests.
//
// Texts crossing the seam are cp932 bytes, as the engine keeps them; a host converts
// at its own edge.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "MediaServices.h"

class CDesktopServices;
class CLibraryLoader;

enum class MessageButtons { Ok, OkCancel };
enum class DeviceLibrary { Ports, Ftdi };
enum class MessageAnswer { Ok, Cancel };

class CHost {
public:
    virtual ~CHost() = default;

    // A modal message box with no owner window. Returns when the user answers.
    virtual MessageAnswer ShowMessage(std::string_view text, std::string_view caption,
                                      MessageButtons buttons) = 0;
    // The application's own message box: OK only, the application's name as caption.
    virtual void ShowAppMessage(std::string_view text) = 0;

    // Dispatches every message waiting for the user-interface thread, then returns.
    virtual void PumpMessages() = 0;
    // Asked by the engine while a run is in progress (at least every 100 ms of run
    // time, and between the slices of a sleep): lets only a stop request through and
    // returns true when the user asked to stop since the last call.
    virtual bool PollStop() = 0;

    // Milliseconds since an arbitrary start, truncated to 32 bits.
    virtual uint32_t GetTickCount() = 0;
    // Sleeps, returning false at once when the user asks to stop meanwhile.
    virtual bool Sleep(uint32_t milliseconds) = 0;

    // The media windows of the MCI instructions; null when the host has none.
    virtual CMediaServices* Media() { return nullptr; }
    // Closes the media window with this handle: MCICLOSE does this, and so does the
    // stop request while one is open. It is the media service's own close.
    virtual void CloseMediaWindow(std::uintptr_t window)
    {
        if (CMediaServices* media = Media()) media->CloseMediaWindow(window);
    }

    // Plays a wave file by name without waiting for it to end; a file that cannot be
    // played, or a machine without sound, is silently ignored. The name
    // msg::kFixedSound ("C:\WINDOWS\MEDIA\Ding.wav") is the program's own short sound.
    virtual void PlaySound(std::string_view file) { (void)file; }

    // The display's power-saving (low-power) time-out in seconds. Get returns false when
    // there is no display to ask; Set changes it for this session only.
    virtual bool GetLowPowerTimeout(uint32_t& seconds)
    {
        (void)seconds;
        return false;
    }
    virtual void SetLowPowerTimeout(uint32_t seconds) { (void)seconds; }

    // Run-time loading for the device bindings, and the library file each binding
    // loads on first use (empty: none, which never loads).
    virtual CLibraryLoader* Loader() { return nullptr; }
    virtual std::string LibraryFile(DeviceLibrary which)
    {
        (void)which;
        return {};
    }

    // Processes, windows, the console and power (DesktopServices.h); none: the
    // desktop instructions act on nothing.
    virtual CDesktopServices* Desktop() { return nullptr; }
};
