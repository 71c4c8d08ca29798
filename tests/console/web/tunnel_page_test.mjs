// The tunnel as a page, from the outside: its frames equal the native
// headless renderer's at the same place in the schedule, a key through the
// browser's input ends the free run, the credit line is the one line of
// output and the page says how it exited; and without its texture it shows
// the error and exits with 1. A fourth argument names the canvas backend
// (webgl or 2d); without it the console picks.
//   tunnel_page_test.mjs DEMO_DIR TUNNEL_RENDER TEXTURE [BACKEND]
import { execFileSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { PageSession, firstDifference } from './page_session.mjs';

const [demoDir, tunnelRender, texture, backend] = process.argv.slice(2);
const PAGE = backend ? `tunnel.html?canvas=${backend}` : 'tunnel.html';
const CREDIT = 'vxr tunnel: a textured, lit tunnel drawn on the CPU with the VXR frame-buffer library';
const AFTER_FREE_RUN = 150 + 64;
// The native renderer comes from the native preset's build of this tree.
if (!existsSync(tunnelRender)) {
  const root = path.resolve(path.dirname(texture), '..');
  execFileSync('cmake', ['--preset', 'native'], { cwd: root, stdio: 'ignore' });
  execFileSync('cmake', ['--build', '--preset', 'native', '-j2', '--target', 'tunnel-render'], { cwd: root, stdio: 'ignore' });
}
const work = mkdtempSync(path.join(tmpdir(), 'vxr-tunnel-page-'));

// The native renderer's frame (counted from 0) as R, G, B bytes.
function renderedFrame(index) {
  const file = path.join(work, `frame${index}.ppm`);
  execFileSync(tunnelRender, ['--texture', texture, '--free-run', '100000', '--frames', String(index),
                              '--out', path.join(work, 'frame%d.ppm')]);
  const ppm = readFileSync(file);
  const header = 'P6\n320 200\n255\n';
  if (ppm.subarray(0, header.length).toString() !== header) throw new Error('unexpected PPM header');
  return ppm.subarray(header.length);
}

async function compareFrameAfter(session, frames) {
  await session.page.waitFor(`Module.calledRun && Module._vxr_web_frames_shown() >= ${frames}`);
  const shown = await session.canvas();
  session.check(shown.width === 320 && shown.height === 200, `canvas is ${shown.width}x${shown.height}`);
  const difference = firstDifference(shown.pixels, renderedFrame(shown.frame - 1));
  session.check(difference === null, `frame ${shown.frame - 1} differs from tunnel-render's: ${difference}`);
}

async function fullRun() {
  const session = await PageSession.open(demoDir, PAGE);
  try {
    await session.page.waitFor('document.title === "tunnel"');
    const inUse = await session.page.evaluate('Module.vxrCanvasBackendInUse');
    session.check(!backend || inUse === backend, `canvas drawn through ${inUse}, not ${backend}`);
    // The canvas keeps the frame's size; CSS shows it three times over in
    // 1000x760, the frame's proportions kept and every pixel sharp.
    const style = await session.page.evaluate(
      '[Module.canvas.style.width, Module.canvas.style.height, Module.canvas.style.imageRendering].join(" ")');
    session.check(style === '960px 600px pixelated', `canvas CSS: ${style}`);
    await compareFrameAfter(session, 40);   // in the fly-in, fading in
    await compareFrameAfter(session, 320);  // in the free run, the camera moving
    const beforeKey = await session.framesShown();
    await session.page.press('Space', ' ', { keyCode: 32 });
    const status = await session.exited();
    session.check(status === 'exited with code 0', `status after the key: ${status}`);
    const output = await session.output();
    session.check(output === CREDIT + '\n', `output: ${JSON.stringify(output)}`);
    const frames = await session.framesShown();
    session.check(frames >= beforeKey + AFTER_FREE_RUN,
      `only ${frames - beforeKey} frames after the key; the swirl-out and fade have ${AFTER_FREE_RUN}`);
    const error = await session.page.evaluate('getComputedStyle(document.getElementById("error")).display');
    session.check(error === 'none', 'no error shown after a full run');
  } finally {
    await session.close();
  }
  return session.failures;
}

async function withoutTexture() {
  const folder = path.join(work, 'page');
  execFileSync('mkdir', ['-p', folder]);
  for (const name of ['tunnel.html', 'tunnel.js', 'tunnel.wasm']) copyFileSync(path.join(demoDir, name), path.join(folder, name));
  const session = await PageSession.open(folder, PAGE);
  try {
    const status = await session.exited();
    session.check(status === 'exited with code 1', `status without the texture: ${status}`);
    const shown = await session.page.evaluate(
      'getComputedStyle(document.getElementById("error")).display + "|" + document.getElementById("error").innerText.replace(/\\s+/g, " ").trim()');
    session.check(shown === 'block|vxr error could not create tunnel', `error notice: ${shown}`);
    session.check((await session.output()).includes('vxr error: could not create tunnel'), 'the error in the output');
  } finally {
    await session.close();
  }
  return session.failures;
}

let failures = 0;
try {
  failures += await fullRun();
  failures += await withoutTexture();
} catch (error) {
  console.log(`FAIL: ${error.stack || error}`);
  failures += 1;
} finally {
  rmSync(work, { recursive: true, force: true });
}
console.log(`${failures} failed`);
process.exitCode = failures ? 1 : 0;
