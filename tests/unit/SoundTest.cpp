// Sound names as paths, the probe for playable sound, and the player's bookkeeping
// (which must hold whether or not this machine has a sound device).
#include <gtest/gtest.h>

#include <string>

#include "Sound.h"
#include "TestHost.h"
#include "TestSupport.h"

namespace {

std::string TempFile(const std::string& name, const std::string& bytes)
{
    return WriteFile(::testing::TempDir() + name, bytes);
}

// A RIFF WAVE header with one format chunk and an empty data chunk.
std::string Wave(int format, int bits)
{
    auto le = [](uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>(v >> (8 * i) & 0xFF);
        return s;
    };
    return "RIFF" + le(36, 4) + "WAVE" + "fmt " + le(16, 4) + le(static_cast<uint32_t>(format), 2) +
           le(1, 2) + le(22050, 4) + le(44100, 4) + le(2, 2) + le(static_cast<uint32_t>(bits), 2) +
           "data" + le(0, 4);
}

TEST(ScriptFilePath, TheFixedNameIsOurShippedSoundAndOtherNamesLinuxPaths)
{
    const std::string shipped = ScriptFilePath(Sj("C:\\WINDOWS\\MEDIA\\Ding.wav"));
    ASSERT_FALSE(shipped.empty()) << "the build tree has no sounds/ding.wav";
    EXPECT_NE(shipped.find("sounds/ding.wav"), std::string::npos);
    EXPECT_EQ(ScriptFilePath("c:/windows/media/DING.WAV"), shipped);
    EXPECT_TRUE(HasPlayableSound(shipped));
    // Other names become Linux paths.
    EXPECT_EQ(ScriptFilePath(Sj("C:\\音\\ベル.wav")), "/音/ベル.wav");
    EXPECT_EQ(ScriptFilePath("d:rel.wav"), "rel.wav");
    EXPECT_EQ(ScriptFilePath("sub\\a.wav"), "sub/a.wav");
    EXPECT_EQ(ScriptFilePath("/abs/a.wav"), "/abs/a.wav");
    // The second byte of ソ is 0x5C, the backslash: it stays part of the character.
    EXPECT_EQ(ScriptFilePath(Sj("ソ\\表.wav")), "ソ/表.wav");
}

TEST(HasPlayableSound, PcmWavesAndOggVorbisOnly)
{
    EXPECT_TRUE(HasPlayableSound(TempFile("pcm16.wav", Wave(1, 16))));
    EXPECT_TRUE(HasPlayableSound(TempFile("pcm8.wav", Wave(1, 8))));
    EXPECT_FALSE(HasPlayableSound(TempFile("float.wav", Wave(3, 32))));
    EXPECT_FALSE(HasPlayableSound(TempFile("text.wav", "not a sound")));
    EXPECT_FALSE(HasPlayableSound(TempFile("short.wav", "RIFF")));
    std::string vorbis = std::string("OggS") + std::string(24, '\0') + "\x01vorbis";
    EXPECT_TRUE(HasPlayableSound(TempFile("a.ogg", vorbis)));
    std::string theoraOnly = std::string("OggS") + std::string(24, '\0') + "\x80theora";
    EXPECT_FALSE(HasPlayableSound(TempFile("v.ogv", theoraOnly)));
    EXPECT_FALSE(HasPlayableSound(::testing::TempDir() + "no-such-file.wav"));
}

TEST(SoundPlayer, SoundsThatCannotStartLeaveNothingPlayingAndWavesCutTheOneBefore)
{
    CSoundPlayer player;
    EXPECT_EQ(player.Play(""), 0u);
    EXPECT_EQ(player.Play(::testing::TempDir() + "no-such-file.wav"), 0u);
    EXPECT_EQ(player.Play(TempFile("junk.wav", "not a sound")), 0u);
    EXPECT_EQ(player.Playing(), 0u);
    player.Cancel(0);
    player.Cancel(12345);
    // Nothing plays, so the wait ends without asking to stop.
    bool asked = false;
    player.WaitUntilQuiet([&] { return asked = true; });
    EXPECT_FALSE(asked);

    // With a sound device a wave sound starts and is counted until it ends; without one
    // nothing starts. Either way the call returns without waiting for the sound.
    uint32_t id = player.PlayWave(Sj("C:\\WINDOWS\\MEDIA\\Ding.wav"));
    EXPECT_EQ(player.Playing(), id == 0 ? 0u : 1u);
    // A missing file plays the fixed sound in its place, so it starts exactly when
    // the fixed sound does.
    uint32_t missing = player.PlayWave("no-such-folder\\no-such.wav");
    EXPECT_EQ(missing == 0, id == 0);
    // One wave sound at a time: the second cut the first off.
    int polls = 0;
    player.WaitUntilQuiet([&] { return player.Playing() <= 1 || ++polls > 100; });
    EXPECT_LE(player.Playing(), 1u);
    player.Cancel(missing);
    player.WaitUntilQuiet({});
    EXPECT_EQ(player.Playing(), 0u);
}

} // namespace
