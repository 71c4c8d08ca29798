#include "vxr/audio/web/web_audio_device.h"

#include <emscripten.h>

#include <algorithm>
#include <new>

#include "vxr/set_last_error.h"

namespace vxr {
namespace {

// The worklet's own code, loaded from a Blob so a page needs no extra file.
// It keeps a ring of interleaved frames that the page posts, plays from it
// and plays silence when it runs dry; it tells the page how many frames it
// has taken (played or dropped), every other quantum, so the page knows how
// far ahead the ring is.
constexpr char PROCESSOR_SOURCE[] = R"js(
class VxrStreamProcessor extends AudioWorkletProcessor {
  constructor(options) {
    super();
    this.channels = options.processorOptions.channels;
    this.capacity = options.processorOptions.ringFrames;
    this.ring = new Float32Array(this.capacity * this.channels);
    this.readAt = 0;
    this.filled = 0;
    this.taken = 0;
    this.quanta = 0;
    this.port.onmessage = event => this.keep(event.data);
  }

  // Frames that do not fit are dropped: the page never posts more than
  // its target ahead, which is well within the ring.
  keep(samples) {
    const channels = this.channels;
    const frames = samples.length / channels;
    const kept = Math.min(frames, this.capacity - this.filled);
    let at = (this.readAt + this.filled) % this.capacity;
    for (let i = 0; i < kept; ++i) {
      for (let c = 0; c < channels; ++c) this.ring[at * channels + c] = samples[i * channels + c];
      at = at + 1 === this.capacity ? 0 : at + 1;
    }
    this.filled += kept;
    this.taken += frames - kept;
  }

  process(inputs, outputs) {
    const output = outputs[0];
    const frames = output[0].length;
    const playing = Math.min(frames, this.filled);
    for (let c = 0; c < output.length; ++c) {
      const out = output[c];
      const from = Math.min(c, this.channels - 1);
      let at = this.readAt;
      for (let i = 0; i < playing; ++i) {
        out[i] = this.ring[at * this.channels + from];
        at = at + 1 === this.capacity ? 0 : at + 1;
      }
      out.fill(0, playing);
    }
    this.readAt = (this.readAt + playing) % this.capacity;
    this.filled -= playing;
    this.taken += playing;
    if (++this.quanta % 2 === 0) this.port.postMessage(this.taken);
    return true;
  }
}
registerProcessor('vxr-stream', VxrStreamProcessor);
)js";

// Why a started device stopped playing, as the page reports it.
enum LossReason { WORKLET_NOT_LOADED = 1, WORKLET_FAILED = 2, CONTEXT_CLOSED = 3 };

// The context at the wished rate where the browser takes it, else at its
// own; its real rate, or 0 with the reason in why.
EM_JS(int, openContext, (const void* device, int rate, char* why, int whySize), {
    const fail = text => { stringToUTF8(text, why, whySize); return 0; };
    const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
    if (!Context) return fail('this browser has no Web Audio');
    let context = null;
    try {
        context = new Context({ sampleRate: rate, latencyHint: 'interactive' });
    } catch (notAtRate) {
        try {
            context = new Context({ latencyHint: 'interactive' });
        } catch (error) {
            return fail('no audio context could be made: ' + String(error && error.message || error));
        }
    }
    if (!context.audioWorklet) {
        context.close();
        return fail('this page may not run audio worklets (it is not served from a secure origin)');
    }
    Module.vxrAudioDevices = Module.vxrAudioDevices || {};
    Module.vxrAudioDevices[device] = { context: context, stopped: false };
    return context.sampleRate;
});

// Loads the worklet, connects its node to the speakers, starts the timer
// that keeps its ring targetFrames ahead, and resumes the context at once
// where the page may play, else on the first pointer press or key.
// Module.vxrAudio is the last started device's context and node.
EM_JS(void, startWorklet, (const void* device, int channels, int targetFrames, int ringFrames,
                           int pumpMilliseconds, const char* processorSource), {
    const audio = Module.vxrAudioDevices[device];
    const context = audio.context;
    audio.posted = 0;
    audio.taken = 0;
    audio.node = null;
    audio.lose = reason => { if (!audio.stopped) _vxr_web_audio_lost(device, reason); };
    audio.pump = () => {
        const wanted = targetFrames - (audio.posted - audio.taken);
        if (!audio.node || wanted <= 0) return;
        const at = _vxr_web_audio_render(device, wanted) >> 2;
        if (!at) return;
        const frames = HEAPF32.slice(at, at + wanted * channels);
        audio.node.port.postMessage(frames, [frames.buffer]);
        audio.posted += wanted;
    };
    audio.resume = () => { if (context.state === 'suspended') context.resume(); };
    audio.gestures = ['pointerdown', 'keydown'];
    audio.gestures.forEach(name => window.addEventListener(name, audio.resume, true));
    audio.resume();
    context.onstatechange = () => { if (context.state === 'closed') audio.lose(3); };
    const url = URL.createObjectURL(new Blob([UTF8ToString(processorSource)], { type: 'text/javascript' }));
    context.audioWorklet.addModule(url).then(() => {
        URL.revokeObjectURL(url);
        if (audio.stopped) return;
        const node = new AudioWorkletNode(context, 'vxr-stream', {
            numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [channels],
            processorOptions: { channels: channels, ringFrames: ringFrames } });
        node.port.onmessage = event => { audio.taken = event.data; };
        node.onprocessorerror = () => audio.lose(2);
        node.connect(context.destination);
        audio.node = node;
        Module.vxrAudio = audio;
        audio.pump();
    }, () => { URL.revokeObjectURL(url); audio.lose(1); });
    audio.timer = setInterval(audio.pump, pumpMilliseconds);
});

// The timer and listeners go first, so nothing renders after this returns.
EM_JS(void, closeAudio, (const void* device), {
    const audio = Module.vxrAudioDevices && Module.vxrAudioDevices[device];
    if (!audio) return;
    audio.stopped = true;
    if (audio.timer) clearInterval(audio.timer);
    if (audio.gestures) audio.gestures.forEach(name => window.removeEventListener(name, audio.resume, true));
    if (audio.node) { audio.node.port.onmessage = null; audio.node.disconnect(); }
    audio.context.close();
    delete Module.vxrAudioDevices[device];
});

const char* lossText(int reason)
{
    switch (reason) {
    case WORKLET_NOT_LOADED: return "the browser would not load the sound worklet";
    case WORKLET_FAILED: return "the sound worklet failed while playing";
    default: return "the page's audio context was closed";
    }
}

}  // namespace

extern "C" EMSCRIPTEN_KEEPALIVE const float* vxr_web_audio_render(WebAudioDevice* device, int frames)
{
    return device->render(frames);
}

extern "C" EMSCRIPTEN_KEEPALIVE void vxr_web_audio_lost(WebAudioDevice* device, int reason)
{
    device->lost(lossText(reason));
}

std::unique_ptr<AudioDevice> makeSystemAudioDevice()
{
    return std::unique_ptr<AudioDevice>(new (std::nothrow) WebAudioDevice);
}

WebAudioDevice::~WebAudioDevice()
{
    stop();
    closeContext();
}

bool WebAudioDevice::open(const DeviceFormat& wished, DeviceFormat& granted)
{
    char why[200] = "";
    const int rate = openContext(this, wished.rate, why, sizeof why);
    if (rate <= 0) {
        setLastError("the browser's sound output could not be opened: %s", why);
        return false;
    }
    contextOpen = true;
    // The worklet plays 128 frames a quantum, and the page's timer may run
    // late while the program draws: keep at least four quanta ahead.
    const std::int64_t target = std::int64_t{wished.bufferFrames} * rate / std::max(wished.rate, 1);
    granted.rate = rate;
    granted.channels = std::clamp(wished.channels, 1, 2);
    granted.format = SampleFormat::Float32;
    granted.bufferFrames = static_cast<std::int32_t>(std::clamp<std::int64_t>(target, 512, rate));
    granted.periodFrames = std::max(granted.bufferFrames / 4, 128);
    rendered.reset(new (std::nothrow)
                       float[static_cast<std::size_t>(granted.bufferFrames) * granted.channels]);
    if (!rendered) {
        setLastError("out of memory for the sound output's frames");
        closeContext();
        return false;
    }
    format = granted;
    return true;
}

bool WebAudioDevice::start(AudioSource& source)
{
    feed = &source;
    const int pumpMilliseconds =
        std::max(static_cast<int>(std::int64_t{format.periodFrames} * 1000 / format.rate), 4);
    startWorklet(this, format.channels, format.bufferFrames, 2 * format.bufferFrames + 1024,
                 pumpMilliseconds, PROCESSOR_SOURCE);
    return true;
}

void WebAudioDevice::stop()
{
    if (!feed) return;
    closeContext();
    feed = nullptr;
}

void WebAudioDevice::closeContext()
{
    if (!contextOpen) return;
    contextOpen = false;
    closeAudio(this);
}

const float* WebAudioDevice::render(std::int32_t frames)
{
    if (!feed || frames <= 0 || frames > format.bufferFrames) return nullptr;
    feed->render(rendered.get(), frames);
    return rendered.get();
}

void WebAudioDevice::lost(const char* why)
{
    if (feed) feed->deviceLost(why);
}

}  // namespace vxr
