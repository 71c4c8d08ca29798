// The web console shows frames of each kind of format exactly as the
// library's converters make them, read back from the canvas byte for byte,
// through the canvas backend named (webgl: the GPU converts; 2d: the CPU
// does, and putImageData shows): indexed frames through their palette, also
// when it changes; RGB565 by the library's expansion; 32-bit frames by
// their channels' bytes; ARGB1555 by its bits repeated; a 24-bit frame. A
// change of part of the canvas leaves the rest as it was. The expected
// colours are worked out here from the same formulas the page draws with.
//   frame_formats_page_test.mjs PAGE_DIR webgl|2d
import { PageSession, firstDifference } from './page_session.mjs';

const [folder, backend, size] = process.argv.slice(2);
const WIDTH = 64;
const HEIGHT = 48;

const indexAt = (x, y) => (x * 5 + y * 7) & 255;
const paletteA = i => [(i * 37) & 255, 255 - i, (i * 11) & 255];
const paletteB = i => [255 - i, (i * 3) & 255, i ^ 0x5A];
const paletteC = i => [(i * 7) & 255, i, (i * 5 + 1) & 255];
const channelsOf = value => [(value >>> 16) & 255, (value >>> 8) & 255, value & 255];
const scrambled = (x, y, add, factor) => Math.imul(x * 64 + y + add, factor) >>> 0;

// The library widens 5- and 6-bit channels of RGB565 by a float factor just
// short of 255/31 and 255/63, multiplied in double precision and truncated:
// a full 5-bit channel becomes 254.
function rgb565(x, y) {
  const asFloat = bits => new Float32Array(new Uint32Array([bits]).buffer)[0];
  const k5 = asFloat(0x41039CE7);
  const k6 = asFloat(0x40818618);
  const p = (x * 1031 + y * 977) & 0xFFFF;
  const r = p >> 11, g = (p >> 5) & 63, b = p & 31;
  const f = Math.trunc;
  return [f(r * k5), f((g & 7) * k6) + f((g & 0x38) * k6), f(b * k5)];
}

// Other formats' narrow channels repeat their bits downwards.
function argb1555(x, y) {
  const p = (x * 2003 + y * 1409) & 0xFFFF;
  return [(p >> 10) & 31, (p >> 5) & 31, p & 31].map(c => (c << 3) | (c >> 2));
}

const rgb888 = (x, y) => [(x * 9 + y) & 255, (y * 13) & 255, (x * y) & 255];
const argb = (x, y) => channelsOf(scrambled(x, y, 1, 2654435761));
const argbOther = (x, y) => channelsOf(scrambled(x, y, 7, 2246822519));
// 0xBBGGRRAA
const bgra = (x, y) => { const v = scrambled(x, y, 3, 3266489917); return [(v >>> 8) & 255, (v >>> 16) & 255, v >>> 24]; };

// 0xAABBGGRR
const abgr = (x, y) => { const v = (0xFF000000 | (scrambled(x, y, 5, 2654435761) >>> 8)) >>> 0; return [v & 255, (v >>> 8) & 255, (v >>> 16) & 255]; };
const abgrSeeThrough = (x, y) => { const v = scrambled(x, y, 9, 2246822519); return [v & 255, (v >>> 8) & 255, (v >>> 16) & 255]; };
const inside = (left, top, right, bottom) => (x, y) => x >= left && x < right && y >= top && y < bottom;
// Where a step changes part of the canvas: its own colours inside, the
// step before outside.
const over = (before, area, colours) => (x, y) => (area(x, y) ? colours : before)(x, y);

const indexedA = (x, y) => paletteA(indexAt(x, y));
const indexedB = (x, y) => paletteB(indexAt(x, y));
const indexedC = over(indexedB, inside(0, 0, 32, 24), (x, y) => paletteC(indexAt(x, y)));
const STEPS = [
  ['INDEX8', indexedA],
  ['INDEX8, palette changed', indexedB],
  ['INDEX8, palette changed, part shown', indexedC],
  ['RGB565', rgb565],
  ['RGB888 over part of the RGB565 frame', over(rgb565, inside(16, 8, 48, 40), rgb888)],
  ['ARGB8888', argb],
  // 31 pixels wide: the CPU maps them four at a time and then one by one.
  // 31 pixels wide: the CPU maps four at a time, then the rest one by one.
  ['ARGB8888 over part of another', over(argb, inside(8, 4, 39, 20), argbOther)],
  ['BGRA8888', bgra],
  ['ARGB1555', argb1555],
  ['ABGR8888', abgr],
  ['ABGR8888 over part of the same', abgr],
  ['ABGR8888 with alpha below 255 over part of another', over(abgr, inside(4, 6, 44, 28), abgrSeeThrough)],
];

function expected(colourAt) {
  const rgb = Buffer.alloc(WIDTH * HEIGHT * 3);
  for (let y = 0; y < HEIGHT; ++y)
    for (let x = 0; x < WIDTH; ++x) rgb.set(colourAt(x, y), 3 * (y * WIDTH + x));
  return rgb;
}

// 120 CSS pixels wide: less than two frames.
const room = size === 'unscaled' ? { width: 120, height: 400 } : {};
const session = await PageSession.open(folder, `frame_formats_page.html?canvas=${backend}`, room);
const { page } = session;
try {
  await page.waitFor('Module.calledRun && Module._vxr_web_frames_shown() >= 1');
  const inUse = await page.evaluate('Module.vxrCanvasBackendInUse');
  session.check(inUse === backend, `canvas drawn through ${inUse}, not ${backend}`);
  if (size === 'unscaled') {
    const pixels = await page.evaluate('[Module.canvas.width, Module.canvas.height].join("x")');
    session.check(pixels === `${WIDTH}x${HEIGHT}`, `the canvas has ${pixels} pixels`);
  }
  for (const [number, [name, colourAt]] of STEPS.entries()) {
    await page.waitFor(`Module._vxr_web_frames_shown() >= ${number + 1}`);
    const shown = await session.canvas();
    session.check(shown.width === WIDTH && shown.height === HEIGHT, `canvas ${shown.width}x${shown.height}`);
    const difference = firstDifference(shown.pixels, expected(colourAt));
    session.check(difference === null, `${name} frame: ${difference}`);
    await page.press('Space', ' ', { keyCode: 32 });
  }
  const status = await session.exited();
  session.check(status === 'exited with code 0', `status: ${status}`);
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
session.finish();
