// The browser's sound output plays what a stream is written: in headless
// Chromium that may play without a gesture, the context runs at once, at
// the rate the stream reports; an AnalyserNode after the worklet's node
// hears the page's 440 Hz sine peak at 440 Hz within one bin of the
// analysis (its width, the context's rate over 8192, is about 5.9 Hz at
// 48 kHz); once the queue has run dry the worklet plays exact silence and
// the stream counts an underrun.
//   audio_page_test.mjs PAGE_DIR
import { PageSession } from '../../console/web/page_session.mjs';

const [folder] = process.argv.slice(2);
const TONE = 440;
const FFT_SIZE = 8192;

// The tap's power spectrum now, linear, one value a bin.
const READ_POWER = `(() => {
  const tap = Module.vxrAudioTap;
  const levels = new Float32Array(tap.frequencyBinCount);
  tap.getFloatFrequencyData(levels);
  return Array.from(levels, level => Math.pow(10, level / 10));
})()`;

// The largest sample the tap has in its window now.
const READ_LOUDEST_SAMPLE = `(() => {
  const samples = new Float32Array(Module.vxrAudioTap.fftSize);
  Module.vxrAudioTap.getFloatTimeDomainData(samples);
  return samples.reduce((most, value) => Math.max(most, Math.abs(value)), 0);
})()`;

const sleep = milliseconds => new Promise(resolve => setTimeout(resolve, milliseconds));
const outputHas = async (session, line) => (await session.output()).split('\n').includes(line);

const session = await PageSession.open(folder, 'audio_page.html',
  { flags: ['--autoplay-policy=no-user-gesture-required'] });
const { page } = session;
try {
  await page.waitFor('Module.vxrAudio && Module.vxrAudio.node !== null');
  const context = await page.evaluate(`(() => {
    const audio = Module.vxrAudio;
    const tap = audio.context.createAnalyser();
    tap.fftSize = ${FFT_SIZE};
    tap.smoothingTimeConstant = 0;
    audio.node.connect(tap);
    Module.vxrAudioTap = tap;
    return { rate: audio.context.sampleRate };
  })()`);
  session.check(await session.printed(`device ${context.rate} Hz, 2 channels`), 'the rate reported is the context\'s');
  await page.waitFor('Module.vxrAudio.context.state === "running"', 10000);
  // The spectra read while the tone plays, added up: one read that catches
  // the tone's start or end (a step, heard in the lowest bins) moves the sum
  // little.
  const power = new Float64Array(FFT_SIZE / 2);
  let reads = 0;
  while (!await outputHas(session, 'queue drained') && (await page.evaluate('Module.vxrExitCode')) === null) {
    (await page.evaluate(READ_POWER)).forEach((value, bin) => { power[bin] += value; });
    reads += 1;
    await sleep(40);
  }
  let peak = 0;
  for (let bin = 1; bin < power.length; ++bin) if (power[bin] > power[peak]) peak = bin;
  const binWidth = context.rate / FFT_SIZE;
  const heard = peak * binWidth;
  const level = 10 * Math.log10(power[peak] / Math.max(reads, 1));
  session.check(Math.abs(heard - TONE) <= binWidth,
    `strongest frequency ${heard.toFixed(1)} Hz (${level.toFixed(1)} dB over ${reads} reads), not ${TONE} ± ${binWidth.toFixed(1)}`);
  session.check(level > -40, `the tone's peak is only ${level.toFixed(1)} dB over ${reads} reads`);
  // The ring and the analysis window have both passed the last samples.
  await sleep(500);
  const after = await page.evaluate(READ_LOUDEST_SAMPLE);
  session.check(after === 0, `after the queue ran dry the worklet played ${after}, not silence`);
  const status = await session.exited();
  session.check(status === 'exited with code 0', `status: ${status}\n${await session.output()}`);
  const underruns = /underruns (\d+)/.exec(await session.output());
  session.check(underruns && Number(underruns[1]) >= 1, `underruns counted: ${underruns && underruns[1]}`);
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
session.finish();
