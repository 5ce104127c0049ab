// Sounds played by file name, without waiting for them to end.
//
// CSoundPlayer plays through libcanberra, the desktop's event-sound library: it talks
// to the sound server (PulseAudio or PipeWire) or to ALSA, reads wave files and Ogg
// Vorbis itself, needs no event loop of ours and reports failures as values, so a
// missing file or a machine without sound is simply a sound that did not start.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <set>
#include <string>
#include <string_view>

struct ca_context;

class CSoundPlayer final {
public:
    CSoundPlayer() = default;
    // Sounds still playing are cut off.
    ~CSoundPlayer();
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Starts the sound file (a UTF-8 path) and returns at once: the id of the sound,
    // or 0 when it could not start (no such file, a format the player cannot read, no
    // sound device).
    uint32_t Play(const std::string& path);
    // A wave file named as a script names it (cp932, see ScriptFilePath). A name that
    // leads to no file plays the fixed sound instead, as the system's default sound
    // stands in for a missing file. One wave sound plays at a time: a new one cuts off
    // the one before (sounds started with Play are not touched). Returns the id as
    // Play does.
    uint32_t PlayWave(std::string_view cp932Name);
    // Stops the sound with this id; ids of sounds that ended are ignored.
    void Cancel(uint32_t id);
    // The number of sounds started and not yet ended.
    size_t Playing();
    // Waits until every sound has ended, or until stop() returns true (asked about
    // every 50 ms).
    void WaitUntilQuiet(const std::function<bool()>& stop);

private:
    static void OnFinished(ca_context* context, uint32_t id, int error, void* self);
    bool Open();

    std::mutex m_mutex;
    std::condition_variable m_quiet;
    std::set<uint32_t> m_playing;
    ca_context* m_pContext = nullptr;
    uint32_t m_nNextId = 1;
    uint32_t m_nWave = 0; // the sound PlayWave started last
};

// A file name as a script gives it (cp932, Windows style) as a path here, for sounds
// and media files alike. The fixed sound's name "C:\WINDOWS\MEDIA\Ding.wav" (letter
// case and slashes aside) is our own shipped sound. Any other name becomes UTF-8 with
// '/' for every '\', and a leading drive letter ("C:") is dropped, so
// "C:\sounds\a.wav" is "/sounds/a.wav" and "a.wav" stays relative to the working folder.
std::string ScriptFilePath(std::string_view cp932Name);

// The path of a data file we ship (such as "sounds/ding.wav"): beside the running
// executable, in the build tree, or in the install location; empty when none holds it.
std::string ShippedDataPath(const std::string& relative);

// Whether the file holds sound the player can read: a PCM wave file, or an Ogg file
// with a Vorbis stream (the sound track of an Ogg video included).
bool HasPlayableSound(const std::string& path);
