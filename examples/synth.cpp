// A one-voice synthesiser: the keys A S D F G H J K play a scale while held,
// the window draws the wave being played, Escape quits. The sound is pushed
// a frame at a time, kept two frames ahead of the speaker.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "vxr/vxr.h"

namespace {

constexpr int RATE = 48000;
constexpr int FRAME_SAMPLES = RATE / 60;
constexpr double TURN = 6.283185307179586;  // 2 pi: not every C library names it
const vxr::Key KEYS[] = {vxr::Key::A, vxr::Key::S, vxr::Key::D, vxr::Key::F,
                         vxr::Key::G, vxr::Key::H, vxr::Key::J, vxr::Key::K};
const double NOTES[] = {261.63, 293.66, 329.63, 349.23, 392.00, 440.00, 493.88, 523.25};

// The held key's note, or 0 for silence.
double heldNote(vxr::Window& window)
{
    for (int i = 0; i < 8; ++i)
        if (window.keyDown(KEYS[i])) return NOTES[i];
    return 0.0;
}

void drawWave(vxr::Window& window, const std::vector<float>& wave)
{
    vxr::FrameLock pixels = window.lock();
    for (int y = 0; y < pixels.height(); ++y)
        for (std::uint32_t& pixel : pixels.row<std::uint32_t>(y)) pixel = 0x101820;
    for (int x = 0; x < pixels.width(); ++x) {
        const float sample = wave[static_cast<std::size_t>(x) * wave.size() / pixels.width()];
        const int y = pixels.height() / 2 - static_cast<int>(sample * (pixels.height() / 2 - 2));
        pixels.row<std::uint32_t>(y)[x] = 0x60FF90;
    }
}

}  // namespace

int main()
{
    vxr::Window window({.title = "synth"});
    if (!window.isOpen()) return std::fprintf(stderr, "%s\n", window.error()), 1;
    vxr::AudioStream sound({.sampleRate = RATE, .channels = 1});
    if (!sound.isOpen()) std::fprintf(stderr, "playing silently: %s\n", sound.error());
    std::vector<float> wave(FRAME_SAMPLES);
    double phase = 0.0, level = 0.0, lastNote = NOTES[0];
    while (window.isOpen()) {
        for (vxr::Event event; window.pollEvent(event);)
            if (event.type == vxr::EventType::KeyDown && event.key == vxr::Key::Escape) return 0;
        const double note = heldNote(window);
        // The level glides to its target, so notes start and end without a click.
        for (float& sample : wave) {
            level += ((note > 0.0 ? 0.4 : 0.0) - level) * 0.002;
            if (note > 0.0) lastNote = note;
            phase += lastNote / RATE;
            sample = static_cast<float>(level * std::sin(TURN * (phase - std::floor(phase))));
        }
        if (sound.queued() < 2 * FRAME_SAMPLES) sound.write(wave.data(), FRAME_SAMPLES);
        drawWave(window, wave);
        window.present(true);
    }
}
