// The web console places its canvas the way the page's program chose, and
// changes it while the frame shows: the largest whole multiple of the frame
// in the canvas's room (the console's own way), the largest area of the
// frame's aspect, or the whole room. A screenshot shows every column and
// row of the frame once and in order, each as many pixels wide as the way
// says, with the page around the canvas; the pointer at the corners of the
// canvas's box is at the frame's corner pixels; a room smaller than the
// frame shows all of it scaled down.
//   scaling_page_test.mjs PAGE_DIR
import { PageSession } from './page_session.mjs';
import { frameIndexOf, lineProblem, screenPixels } from './screen_lines.mjs';

const folder = process.argv[2];
const WIDTH = 160;
const HEIGHT = 100;
// What the page leaves below the canvas, unless Module.vxrReservedHeight says otherwise.
const RESERVED = 48;
const PAGE_BACKGROUND = [28, 28, 28];

// The box each way gives the frame in a room, worked out here on its own.
function expectedBox(way, room) {
  if (way === 'stretch') return { width: room.width, height: room.height };
  const whole = Math.min(Math.floor(room.width / WIDTH), Math.floor(room.height / HEIGHT));
  if (way === 'integer' && whole >= 1) return { width: WIDTH * whole, height: HEIGHT * whole };
  // Width first; a frame too tall for that fills the height.
  let width = room.width, height = Math.floor(room.width * HEIGHT / WIDTH);
  if (height > room.height) { height = room.height; width = Math.floor(room.height * WIDTH / HEIGHT); }
  return { width, height };
}

// The room the page gives the canvas: its holder's width, and the window's
// height below the holder's top less what is kept for the page below.
const room = page => page.evaluate(`(() => {
  const holder = Module.canvas.parentElement;
  return { width: holder.clientWidth,
           height: Math.floor(innerHeight - Math.max(0, holder.getBoundingClientRect().top) - ${RESERVED}) };
})()`);
const canvasBox = page => page.evaluate(
  '(({ left, top, width, height }) => ({ left, top, width, height }))(Module.canvas.getBoundingClientRect())');

// The screenshot around the box: blocks in every line, the page's own
// background just outside, where the box leaves room for it.
async function checkScreen(session, box, way) {
  const { page } = session;
  const viewport = await page.evaluate('({ width: innerWidth, height: innerHeight })');
  const left = Math.max(0, box.left - 1), top = Math.max(0, box.top - 1);
  const area = { x: left, y: top, width: Math.min(viewport.width, box.left + box.width + 1) - left,
                 height: Math.min(viewport.height, box.top + box.height + 1) - top };
  const shot = await screenPixels(page, area);
  const x0 = box.left - left, y0 = box.top - top;
  let problem = null;
  for (let y = 0; y < box.height && !problem; ++y) {
    const indices = Array.from({ length: box.width }, (_, x) => frameIndexOf(shot.at(x0 + x, y0 + y), true));
    const found = lineProblem(indices, WIDTH, box.width);
    if (found) problem = `${way}: screen row ${y} of the box: ${found}`;
  }
  for (let x = 0; x < box.width && !problem; ++x) {
    const indices = Array.from({ length: box.height }, (_, y) => frameIndexOf(shot.at(x0 + x, y0 + y), false));
    const found = lineProblem(indices, HEIGHT, box.height);
    if (found) problem = `${way}: screen column ${x} of the box: ${found}`;
  }
  session.check(!problem, problem);
  const background = colour => colour.every((value, i) => value === PAGE_BACKGROUND[i]);
  if (y0 > 0)
    session.check(background(shot.at(x0 + Math.floor(box.width / 2), y0 - 1)), `${way}: the page above the canvas`);
  if (x0 > 0)
    session.check(background(shot.at(x0 - 1, y0 + Math.floor(box.height / 2))), `${way}: the page left of the canvas`);
}

// The canvas's box is where the way puts it, the screen shows it so, and
// the pointer at its corners is at the frame's corners.
async function checkWay(session, way) {
  const { page } = session;
  const wanted = expectedBox(way, await room(page));
  // A new box reaches the page's layout with its next turn.
  await page.waitFor(`(box => box.width === ${wanted.width} && box.height === ${wanted.height})(Module.canvas.getBoundingClientRect())`, 10000)
    .catch(() => {});
  const box = await canvasBox(page);
  if (!session.check(box.width === wanted.width && box.height === wanted.height,
                     `${way}: box ${JSON.stringify(box)}, expected ${JSON.stringify(wanted)}`))
    return;
  await checkScreen(session, box, way);
  const corners = [[0, 0, 0, 0], [box.width - 1, 0, WIDTH - 1, 0],
                   [box.width - 1, box.height - 1, WIDTH - 1, HEIGHT - 1], [0, box.height - 1, 0, HEIGHT - 1]];
  for (const [x, y, frameX, frameY] of corners) {
    await page.mouse('mouseMoved', box.left + x, box.top + y);
    await session.printed(`move x=${frameX} y=${frameY} inside=1`);
  }
  // Each way's lines stand on their own.
  await page.evaluate('document.getElementById("output").textContent = ""');
}

async function pressFor(session, digit, line) {
  await session.page.press(`Digit${digit}`, String(digit), { keyCode: 48 + digit });
  return session.printed(line);
}

// Chosen at open, then while the frame shows; the compositor's is refused.
let session = await PageSession.open(folder, 'scaling_page.html?arg=sharp');
try {
  await session.printed('ready');
  await checkWay(session, 'sharp');
  await pressFor(session, 2, 'scaling 52 ok');
  await checkWay(session, 'integer');
  await pressFor(session, 3, 'scaling 53 ok');
  await checkWay(session, 'stretch');
  await session.page.press('Digit4', '4', { keyCode: 52 });
  await session.page.waitFor('document.getElementById("output").textContent.includes("scaling 51 refused: ")', 10000)
    .catch(() => session.check(false, `no refusal in:\n${session.output()}`));
  await checkWay(session, 'stretch');
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
let failures = session.failures;

// The console's own way, in a room that fits the frame and in one that does not.
session = await PageSession.open(folder, 'scaling_page.html');
session.failures = failures;
try {
  await session.printed('ready');
  await checkWay(session, 'integer');
  await session.page.send('Emulation.setDeviceMetricsOverride', { width: 150, height: 160, deviceScaleFactor: 1, mobile: false });
  await checkWay(session, 'integer');
  await pressFor(session, 3, 'scaling 53 ok');
  await checkWay(session, 'stretch');
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
session.finish();
