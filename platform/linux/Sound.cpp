#include "Sound.h"

#include <canberra.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <cstring>
#include <fstream>
#include <vector>

#include "DlLoader.h"
#include "Encoding.h"

#ifndef TAVIMORE_INSTALL_DATADIR
#define TAVIMORE_INSTALL_DATADIR "/usr/local/share/tavimore"
#endif

namespace {

constexpr const char* kFixedSoundName = "c:/windows/media/ding.wav";
constexpr const char* kFixedSoundFile = "sounds/ding.wav";

bool Readable(const std::string& path)
{
    return access(path.c_str(), R_OK) == 0;
}

uint32_t ReadLe(const unsigned char* p, int bytes)
{
    uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = value << 8 | p[i];
    return value;
}

// A RIFF WAVE file whose format chunk says PCM with 8 or 16 bits a sample.
bool IsPcmWave(const std::vector<unsigned char>& head)
{
    if (head.size() < 12 || std::memcmp(head.data(), "RIFF", 4) != 0 ||
        std::memcmp(head.data() + 8, "WAVE", 4) != 0)
        return false;
    size_t pos = 12;
    while (pos + 8 <= head.size()) {
        const uint32_t size = ReadLe(head.data() + pos + 4, 4);
        if (std::memcmp(head.data() + pos, "fmt ", 4) == 0) {
            if (size < 16 || pos + 8 + 16 > head.size()) return false;
            const uint32_t format = ReadLe(head.data() + pos + 8, 2);
            const uint32_t bits = ReadLe(head.data() + pos + 8 + 14, 2);
            return format == 1 && (bits == 8 || bits == 16);
        }
        if (size > head.size()) return false;
        pos += 8 + size + (size & 1);
    }
    return false;
}

// An Ogg file with a Vorbis identification header among its first pages.
bool IsOggWithVorbis(const std::vector<unsigned char>& head)
{
    static const unsigned char kVorbis[] = {0x01, 'v', 'o', 'r', 'b', 'i', 's'};
    if (head.size() < 4 || std::memcmp(head.data(), "OggS", 4) != 0) return false;
    return memmem(head.data(), head.size(), kVorbis, sizeof kVorbis) != nullptr;
}

} // namespace

CSoundPlayer::~CSoundPlayer()
{
    if (m_pContext) ca_context_destroy(m_pContext);
}

bool CSoundPlayer::Open()
{
    if (m_pContext) return true;
    if (ca_context_create(&m_pContext) < 0) {
        m_pContext = nullptr;
        return false;
    }
    ca_context_change_props(m_pContext, CA_PROP_APPLICATION_NAME, "Tavimore",
                            CA_PROP_APPLICATION_ID, "tavimore", nullptr);
    return true;
}

uint32_t CSoundPlayer::Play(const std::string& path)
{
    if (path.empty() || !Open()) return 0;
    uint32_t id;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        id = m_nNextId++;
        if (m_nNextId == 0) m_nNextId = 1;
        m_playing.insert(id);
    }
    ca_proplist* props = nullptr;
    int result = ca_proplist_create(&props);
    if (result == CA_SUCCESS) {
        ca_proplist_sets(props, CA_PROP_MEDIA_FILENAME, path.c_str());
        // Files of the user's are read afresh each time, not kept by the sound server.
        ca_proplist_sets(props, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
        // The lock is not held here: the finish callback takes it on the library's
        // own thread, which may hold the library's lock meanwhile.
        result = ca_context_play_full(m_pContext, id, props, &CSoundPlayer::OnFinished, this);
        ca_proplist_destroy(props);
    }
    if (result == CA_SUCCESS) return id;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_playing.erase(id);
    }
    m_quiet.notify_all();
    return 0;
}

uint32_t CSoundPlayer::PlayWave(std::string_view cp932Name)
{
    std::string path = ScriptFilePath(cp932Name);
    if (!Readable(path)) path = ShippedDataPath(kFixedSoundFile);
    Cancel(m_nWave);
    m_nWave = Play(path);
    return m_nWave;
}

void CSoundPlayer::OnFinished(ca_context*, uint32_t id, int, void* self)
{
    auto* player = static_cast<CSoundPlayer*>(self);
    {
        std::lock_guard<std::mutex> lock(player->m_mutex);
        player->m_playing.erase(id);
    }
    player->m_quiet.notify_all();
}

void CSoundPlayer::Cancel(uint32_t id)
{
    if (id != 0 && m_pContext) ca_context_cancel(m_pContext, id);
}

size_t CSoundPlayer::Playing()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_playing.size();
}

void CSoundPlayer::WaitUntilQuiet(const std::function<bool()>& stop)
{
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            if (m_quiet.wait_for(lock, std::chrono::milliseconds(50),
                                 [this] { return m_playing.empty(); }))
                return;
        }
        if (stop && stop()) return;
    }
}

std::string ScriptFilePath(std::string_view cp932Name)
{
    std::string path = encoding::Cp932ToUtf8(cp932Name);
    for (char& c : path)
        if (c == '\\') c = '/';
    std::string folded = path;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (folded == kFixedSoundName) return ShippedDataPath(kFixedSoundFile);
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    if (drive) path.erase(0, 2);
    return path;
}

std::string ShippedDataPath(const std::string& relative)
{
    const std::string folder = ExecutableFolder();
    std::vector<std::string> candidates;
    if (!folder.empty()) {
        candidates.push_back(folder + "/" + relative);                   // beside the program
        candidates.push_back(folder + "/../" + relative);                // the build tree
        candidates.push_back(folder + "/../share/tavimore/" + relative); // a moved install
    }
    candidates.push_back(std::string(TAVIMORE_INSTALL_DATADIR) + "/" + relative);
    for (const std::string& candidate : candidates)
        if (Readable(candidate)) return candidate;
    return {};
}

bool HasPlayableSound(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    std::vector<unsigned char> head(64 * 1024);
    file.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(file.gcount()));
    return IsPcmWave(head) || IsOggWithVorbis(head);
}
