// The web console converts an INDEX8 frame through its palette and an
// RGB565 frame by the library's expansion, read back from the canvas
// exactly; the expected colours are worked out here from the same formulas
// the page draws with.
//   frame_formats_page_test.mjs PAGE_DIR
import { PageSession, firstDifference } from './page_session.mjs';

const WIDTH = 64;
const HEIGHT = 48;

function indexedExpected() {
  const rgb = Buffer.alloc(WIDTH * HEIGHT * 3);
  for (let y = 0; y < HEIGHT; ++y)
    for (let x = 0; x < WIDTH; ++x) {
      const i = (x * 5 + y * 7) & 255;
      rgb.set([(i * 37) & 255, 255 - i, (i * 11) & 255], 3 * (y * WIDTH + x));
    }
  return rgb;
}

// The library widens 5- and 6-bit channels by a float factor just short of
// 255/31 and 255/63, multiplied in double precision and truncated: a full
// 5-bit channel becomes 254.
function rgb565Expected() {
  const asFloat = bits => new Float32Array(new Uint32Array([bits]).buffer)[0];
  const k5 = asFloat(0x41039CE7);
  const k6 = asFloat(0x40818618);
  const rgb = Buffer.alloc(WIDTH * HEIGHT * 3);
  for (let y = 0; y < HEIGHT; ++y)
    for (let x = 0; x < WIDTH; ++x) {
      const p = (x * 1031 + y * 977) & 0xFFFF;
      const r = p >> 11, g = (p >> 5) & 63, b = p & 31;
      const f = Math.trunc;
      rgb.set([f(r * k5), f((g & 7) * k6) + f((g & 0x38) * k6), f(b * k5)], 3 * (y * WIDTH + x));
    }
  return rgb;
}

const session = await PageSession.open(process.argv[2], 'frame_formats_page.html');
const { page } = session;
try {
  await page.waitFor('Module.calledRun && Module._vxr_web_frames_shown() >= 1');
  const indexed = await session.canvas();
  session.check(indexed.width === WIDTH && indexed.height === HEIGHT, `canvas ${indexed.width}x${indexed.height}`);
  let difference = firstDifference(indexed.pixels, indexedExpected());
  session.check(difference === null, `INDEX8 frame: ${difference}`);
  await page.press('Space', ' ', { keyCode: 32 });
  await page.waitFor('Module._vxr_web_frames_shown() >= 2');
  difference = firstDifference((await session.canvas()).pixels, rgb565Expected());
  session.check(difference === null, `RGB565 frame: ${difference}`);
  await page.press('Space', ' ', { keyCode: 32 });
  const status = await session.exited();
  session.check(status === 'exited with code 0', `status: ${status}`);
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
session.finish();
