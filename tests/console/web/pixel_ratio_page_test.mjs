// On a screen of 1.5 and 2 device pixels a CSS pixel, the web console's
// canvas holds the screen's own pixels: its width is its CSS width times
// the ratio, and the screenshot (in device pixels) shows every frame pixel
// as one solid block of the whole multiple that fits the room's device
// pixels. The program hears the ratio (Window::scale) and the canvas's
// size in a Resize event; the pointer at the box's corners is at the
// frame's corners. When the ratio changes while the frame shows (the page
// zoomed with Ctrl and +, as a user does), the canvas takes the new
// ratio's pixels, a Resize event says so, and the blocks follow.
//   pixel_ratio_page_test.mjs PAGE_DIR
import { PageSession } from './page_session.mjs';
import { frameIndexOf, lineProblem, screenPixels } from './screen_lines.mjs';

const [folder, backend] = process.argv.slice(2);
const WIDTH = 160;
const HEIGHT = 100;
const RESERVED = 48;
const PAGE_BACKGROUND = [28, 28, 28];

// The room in CSS pixels, as the page's holder gives it.
const room = page => page.evaluate(`(() => {
  const holder = Module.canvas.parentElement;
  return { width: holder.clientWidth,
           height: Math.floor(innerHeight - Math.max(0, holder.getBoundingClientRect().top) - ${RESERVED}) };
})()`);

// The whole multiple of the frame that fits the room's device pixels,
// worked out here on its own.
async function expectedMultiple(page, ratio) {
  const { width, height } = await room(page);
  const across = Math.round(width * ratio), down = Math.round(height * ratio);
  return Math.min(Math.floor(across / WIDTH), Math.floor(down / HEIGHT));
}

const canvasFacts = page => page.evaluate(`(() => {
  const box = Module.canvas.getBoundingClientRect();
  return { left: box.left, top: box.top, cssWidth: box.width, cssHeight: box.height,
           width: Module.canvas.width, height: Module.canvas.height, ratio: devicePixelRatio };
})()`);

// Every row and column of the box in the screenshot: frame indices in
// order, each on exactly `multiple` device pixels.
async function checkBlocks(session, facts, multiple, what) {
  const { page } = session;
  const ratio = facts.ratio;
  // The viewport's screenshot is in device pixels: the ratio's own.
  const shot = await screenPixels(page);
  const viewport = await page.evaluate('innerWidth');
  if (!session.check(Math.abs(shot.width / viewport - ratio) < 0.01,
                     `${what}: a screenshot ${shot.width} wide of a viewport ${viewport} wide`))
    return;
  // The browser puts the box on whole device pixels, next to where its
  // CSS position falls: the first pixel past the page's background.
  const background = colour => colour.every((value, i) => value === PAGE_BACKGROUND[i]);
  const middleX = Math.round((facts.left + facts.cssWidth / 2) * ratio);
  const middleY = Math.round((facts.top + facts.cssHeight / 2) * ratio);
  let x0 = Math.floor(facts.left * ratio) - 1, y0 = Math.floor(facts.top * ratio) - 1;
  while (x0 < middleX && background(shot.at(x0, middleY))) ++x0;
  while (y0 < middleY && background(shot.at(middleX, y0))) ++y0;
  const across = WIDTH * multiple, down = HEIGHT * multiple;
  let problem = null;
  for (let y = 0; y < down && !problem; ++y) {
    const found = lineProblem(Array.from({ length: across }, (_, x) => frameIndexOf(shot.at(x0 + x, y0 + y), true)), WIDTH, across);
    if (found) problem = `${what}: screen row ${y} of the canvas: ${found}`;
  }
  for (let x = 0; x < across && !problem; ++x) {
    const found = lineProblem(Array.from({ length: down }, (_, y) => frameIndexOf(shot.at(x0 + x, y0 + y), false)), HEIGHT, down);
    if (found) problem = `${what}: screen column ${x} of the canvas: ${found}`;
  }
  session.check(!problem, problem);
}

async function checkAtRatio(session, ratio, what) {
  const { page } = session;
  const multiple = await expectedMultiple(page, ratio);
  // The canvas may have as many pixels at the new ratio as at the old: it
  // has caught up when its box has them at the new ratio too.
  await page.waitFor(`Module.canvas.width === ${WIDTH * multiple} &&
                      Math.round(Module.canvas.getBoundingClientRect().width * ${ratio}) === Module.canvas.width`, 10000)
    .catch(() => {});
  const facts = await canvasFacts(page);
  session.check(Math.abs(facts.ratio - ratio) < 1e-6, `${what}: devicePixelRatio ${facts.ratio}, not ${ratio}`);
  session.check(facts.width === Math.round(facts.cssWidth * ratio) && facts.height === Math.round(facts.cssHeight * ratio),
                `${what}: canvas ${facts.width}x${facts.height} for a CSS box of ${facts.cssWidth}x${facts.cssHeight}`);
  if (!session.check(facts.width === WIDTH * multiple && facts.height === HEIGHT * multiple,
                     `${what}: canvas ${facts.width}x${facts.height}, expected ${multiple} times the frame`))
    return;
  // The page prints the scale as printf's %g does.
  await session.printed(`resize ${facts.width} ${facts.height} scale ${Number(ratio.toPrecision(6))}`);
  await checkBlocks(session, facts, multiple, what);
  // Half a CSS pixel in from each edge of the box.
  const right = facts.left + facts.cssWidth - 0.5, bottom = facts.top + facts.cssHeight - 0.5;
  const corners = [[facts.left + 0.5, facts.top + 0.5, 0, 0], [right, facts.top + 0.5, WIDTH - 1, 0],
                   [right, bottom, WIDTH - 1, HEIGHT - 1], [facts.left + 0.5, bottom, 0, HEIGHT - 1]];
  for (const [x, y, frameX, frameY] of corners) {
    await page.mouse('mouseMoved', x, y);
    await session.printed(`move x=${frameX} y=${frameY} inside=1`);
  }
  await page.evaluate('document.getElementById("output").textContent = ""');
}

const CONTROL = 2;  // the DevTools protocol's modifier bit for Ctrl
const ZOOM_STEP = 1.1;

let failures = 0;
for (const ratio of [1.5, 2]) {
  const session = await PageSession.open(folder, `scaling_page.html?arg=integer&canvas=${backend}`, { scale: ratio });
  session.failures = failures;
  try {
    await session.printed('ready');
    const inUse = await session.page.evaluate('Module.vxrCanvasBackendInUse');
    session.check(inUse === backend, `canvas drawn through ${inUse}, not ${backend}`);
    await checkAtRatio(session, ratio, `at ${ratio}`);
    // The browser's own zoom changes the ratio, as a move to another
    // monitor does.
    // A shortcut types nothing: a raw key down, as the browser sends it.
    for (const type of ['rawKeyDown', 'keyUp'])
      await session.page.send('Input.dispatchKeyEvent', { type, modifiers: CONTROL, key: '=', code: 'Equal',
                                                          windowsVirtualKeyCode: 187, nativeVirtualKeyCode: 187 });
    const zoomed = await session.page.waitFor(`devicePixelRatio > ${ratio + 0.01} && devicePixelRatio`, 10000);
    session.check(Math.abs(zoomed - ratio * ZOOM_STEP) < 0.01, `zoomed from ${ratio} to ${zoomed}`);
    await checkAtRatio(session, zoomed, `zoomed from ${ratio} to ${zoomed}`);
  } catch (error) {
    session.check(false, error.stack || String(error));
  } finally {
    await session.close();
  }
  failures = session.failures;
  if (ratio === 2) session.finish();
}
