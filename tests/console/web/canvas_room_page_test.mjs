// A resizable canvas follows its room in the page; a fixed one keeps the
// frame's size on the screen (the frame × the pixel ratio) whatever the
// room. A canvas that shows nothing (display:none, or a holder with no
// width) has no pixels, says so with a Resize event to 0 x 0, and a
// present then shows nothing and still succeeds; when the canvas is back,
// it shows the last frame presented, also when the canvas showed that frame
// straight from the program's memory.
//   canvas_room_page_test.mjs PAGE_DIR
import { PageSession } from './page_session.mjs';

const folder = process.argv[2];
const WIDTH = 64;
const HEIGHT = 48;
const colourOf = (colour, y) => [(colour * 40) & 255, (y * 4) & 255, 99];

const RESERVED = 48;
// The whole multiple of the frame the page's room holds, worked out here.
const roomMultiple = page => page.evaluate(`(() => {
  const holder = Module.canvas.parentElement;
  const height = Math.floor(innerHeight - Math.max(0, holder.getBoundingClientRect().top) - ${RESERVED});
  return Math.min(Math.floor(holder.clientWidth / ${WIDTH}), Math.floor(height / ${HEIGHT}));
})()`);
const clearOutput = page => page.evaluate('document.getElementById("output").textContent = ""');

const pixels = page => page.evaluate('[Module.canvas.width, Module.canvas.height].join("x")');

async function present(session, colour) {
  await session.page.press('KeyP', 'p', { keyCode: 80 });
  return session.printed(`presented ${colour} ok`);
}

// The canvas shows the frame of that colour.
async function showsColour(session, colour, what) {
  const shown = await session.canvas();
  const wrong = [];
  for (let y = 0; y < HEIGHT && !wrong.length; ++y)
    for (let x = 0; x < WIDTH; ++x) {
      const at = 4 * (y * WIDTH + x);
      const expected = colourOf(colour, y);
      if (expected.some((value, i) => shown.pixels[at + i] !== value)) {
        wrong.push(`${x},${y}: ${[...shown.pixels.subarray(at, at + 3)]} not ${expected}`);
        break;
      }
    }
  session.check(!wrong.length, `${what}: pixel ${wrong[0]}`);
}

// Hides the canvas, presents the frame of that colour while it is hidden
// (none when presentWhileHidden is false: the canvas must then come back
// with the frame it showed before), and shows it again.
async function hideAndShow(session, hide, show, what, colour, presentWhileHidden = true) {
  const { page } = session;
  const before = await pixels(page);
  const framesBefore = await session.framesShown();
  await clearOutput(page);
  await page.evaluate(hide);
  await session.printed('resize 0 0');
  if (presentWhileHidden) await present(session, colour);
  session.check(await session.framesShown() === framesBefore, `${what}: a frame was drawn while nothing showed`);
  await clearOutput(page);
  await page.evaluate(show);
  const [width, height] = before.split('x');
  await session.printed(`resize ${width} ${height}`);
  session.check(await pixels(page) === before, `${what}: the canvas came back as ${await pixels(page)}, not ${before}`);
  await showsColour(session, colour, `${what}, back`);
}

let failures = 0;
const kinds = [
  { name: 'resizable', query: '', fixed: false },
  { name: 'fixed', query: '?arg=fixed', fixed: true },
  { name: 'fixed, in the canvas order', query: '?arg=fixed-canvas-order', fixed: true },
];
for (const kind of kinds) {
  const { fixed } = kind;
  const session = await PageSession.open(folder, `canvas_room_page.html${kind.query}`);
  session.failures = failures;
  const { page } = session;
  try {
    await session.printed('ready');
    // The resizable canvas fills the room with whole frames, the fixed
    // keeps the frame's size.
    const multiple = fixed ? 1 : await roomMultiple(page);
    const expected = `${WIDTH * multiple}x${HEIGHT * multiple}`;
    await page.waitFor(`Module.canvas.width === ${parseInt(expected)}`, 10000).catch(() => {});
    session.check(await pixels(page) === expected, `${kind.name}: canvas ${await pixels(page)}, not ${expected}`);
    await present(session, 1);
    await showsColour(session, 1, 'the first frame');
    // A smaller window: the resizable canvas follows, the fixed does not.
    await page.send('Emulation.setDeviceMetricsOverride', { width: 500, height: 400, deviceScaleFactor: 1, mobile: false });
    const smallerMultiple = fixed ? 1 : await roomMultiple(page);
    session.check(fixed || smallerMultiple < multiple, `${smallerMultiple} frames fit the smaller window`);
    const smaller = `${WIDTH * smallerMultiple}x${HEIGHT * smallerMultiple}`;
    await page.waitFor(`Module.canvas.width === ${parseInt(smaller)}`, 10000).catch(() => {});
    session.check(await pixels(page) === smaller, `in a smaller window: canvas ${await pixels(page)}, not ${smaller}`);
    await showsColour(session, 1, 'in a smaller window');
    await hideAndShow(session, 'Module.canvas.style.display = "none"', 'Module.canvas.style.display = ""',
                      `${kind.name}, display:none`, 2);
    await hideAndShow(session, 'Module.canvas.parentElement.style.width = "0px"',
                      'Module.canvas.parentElement.style.width = ""', `${kind.name}, a holder 0 wide`, 3);
    // A frame shown while the canvas shows, then out of sight and back.
    await present(session, 4);
    await showsColour(session, 4, `${kind.name}, the fourth frame`);
    await hideAndShow(session, 'Module.canvas.style.display = "none"', 'Module.canvas.style.display = ""',
                      `${kind.name}, display:none with no present`, 4, false);
    await hideAndShow(session, 'Module.canvas.parentElement.style.width = "0px"',
                      'Module.canvas.parentElement.style.width = ""',
                      `${kind.name}, a holder 0 wide with no present`, 4, false);
  } catch (error) {
    session.check(false, error.stack || String(error));
  } finally {
    await session.close();
  }
  failures = session.failures;
  if (kind === kinds[kinds.length - 1]) session.finish();
}
