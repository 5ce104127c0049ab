// CMediaServices: the media window, as the host offers it to the MCI instructions.
//
// A media window plays one video or sound file with a play bar (play/pause and the
// position) and no menu and no open command. It outlives the statement and the run
// that made it, and ends when it is closed (MCICLOSE, the stop request) or when its
// parent goes away.
//
// Handles are small numbers the service hands out and never reuses, so a handle of a
// window that is gone, and the handle 0 (no window), are safe to pass: every
// operation on them does nothing.
#pragma once

#include <cstdint>
#include <string_view>

enum class MediaPlacement {
    FillView,   // a child of the editor view at its top-left corner, the view's size
    FullScreen, // covering the desktop; the main window is minimised
    Sized,      // a child of the editor view at its top-left corner, width x height
};

class CMediaServices {
public:
    virtual ~CMediaServices() = default;

    // Makes a media window for the file (a cp932 name) in the placement; width and
    // height count only for MediaPlacement::Sized. A file that cannot be opened still
    // gives a window, an empty one, and no message. Returns the window's handle, or 0
    // when no window could be made. Playback starts with PlayMedia.
    virtual std::uintptr_t CreateMediaWindow(std::string_view file, MediaPlacement placement,
                                             int32_t width, int32_t height) = 0;
    // Starts playback (again from the start when it had reached the end).
    virtual void PlayMedia(std::uintptr_t window) = 0;
    // Closes and destroys the window.
    virtual void CloseMediaWindow(std::uintptr_t window) = 0;
};
