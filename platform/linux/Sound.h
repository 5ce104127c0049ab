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

#include "Platform.h"

struct ca_context;

class CSoundPlayer final : public CSoundService {
public:
    CSoundPlayer() = default;
    // Sounds still playing are cut off.
    ~CSoundPlayer() override;
    CSoundPlayer(const CSoundPlayer&) = delete;
    CSoundPlayer& operator=(const CSoundPlayer&) = delete;

    // Paths are UTF-8.
    uint32_t Play(const std::string& path) override;
    uint32_t PlayWave(std::string_view cp932Name) override;
    void Cancel(uint32_t id) override;
    size_t Playing() override;
    void WaitUntilQuiet(const std::function<bool()>& stop) override;

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

// The path of a data file we ship (such as "sounds/ding.wav"): beside the running
// executable, in the build tree, or in the install location; empty when none holds it.
std::string ShippedDataPath(const std::string& relative);
