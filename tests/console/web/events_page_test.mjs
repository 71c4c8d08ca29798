// vxr-events as a page: input dispatched through the browser's own input
// path comes out as the same event lines the other consoles give, with the
// physical key from KeyboardEvent.code, text from its key, and positions in
// frame pixels through the CSS scale.
//   events_page_test.mjs TOOLS_DIR
import { PageSession } from './page_session.mjs';

const SHIFT = 8;  // the DevTools protocol's modifier bit for Shift
const session = await PageSession.open(process.argv[2], 'vxr-events.html');
const { page } = session;
try {
  await page.waitFor('Module.calledRun && Module._vxr_web_frames_shown() >= 1');
  session.check(await page.evaluate('document.title') === 'vxr-events', 'the title is "vxr-events"');

  // A capital A: the key's place, its unshifted symbol, the text typed.
  await page.press('KeyA', 'A', { modifiers: SHIFT, keyCode: 65 });
  await session.printed('key-down key=A symbol=U+0061 mods=shift repeat=0');
  await session.printed('text "A"');
  await session.printed('key-up key=A symbol=U+0061 mods=shift');
  // A French layout's é sits on the 2 key; what it types is the text.
  await page.press('Digit2', 'é', { keyCode: 50 });
  await session.printed('key-down key=Digit2 symbol=U+00E9 mods=none repeat=0');
  await session.printed('text "é"');
  await page.press('Digit3', '€', { keyCode: 51 });
  await session.printed('text "€"');
  // Keys that type nothing carry no text.
  await page.press('ArrowLeft', 'ArrowLeft', { keyCode: 37 });
  await session.printed('key-down key=Left symbol=U+0000 mods=none repeat=0');
  await page.press('NumpadEnter', 'Enter', { keyCode: 13 });
  await session.printed('key-down key=KeypadEnter symbol=U+0000 mods=none repeat=0');

  // The frame shows three times over; its corners, wherever CSS put it.
  const box = await page.evaluate(
    '(({ left, top, right, bottom }) => ({ left, top, right, bottom }))(Module.canvas.getBoundingClientRect())');
  session.check(box.right - box.left === 960 && box.bottom - box.top === 600, `canvas box ${JSON.stringify(box)}`);
  await page.mouse('mouseMoved', box.left + 1, box.top + 1);
  await session.printed('mouse-move x=0 y=0 inside=1');
  await page.mouse('mouseMoved', box.right - 1, box.bottom - 1);
  await session.printed('mouse-move x=319 y=199 inside=1');
  await page.mouse('mouseMoved', box.right - 1, box.top + 2);
  await session.printed('mouse-move x=319 y=0 inside=1');
  // Window pixel (31, 62) of the canvas shows frame pixel (10, 20).
  await page.click(box.left + 31, box.top + 62, 'right');
  await session.printed('mouse-down button=3 x=10 y=20');
  await session.printed('mouse-up button=3 x=10 y=20');
  await page.click(box.left + 31, box.top + 62, 'middle');
  await session.printed('mouse-down button=2 x=10 y=20');
  // One notch up, then one to the right.
  await page.mouse('mouseWheel', box.left + 31, box.top + 62, { deltaX: 0, deltaY: -100 });
  await session.printed('wheel dx=0 dy=1');
  await page.mouse('mouseWheel', box.left + 31, box.top + 62, { deltaX: 100, deltaY: 0 });
  await session.printed('wheel dx=1 dy=0');

  // A smaller window: the canvas shows at twice its size, and the pointer
  // maps through the new scale.
  await page.send('Emulation.setDeviceMetricsOverride', { width: 700, height: 600, deviceScaleFactor: 1, mobile: false });
  await session.printed('resize width=640 height=400');
  const small = await page.evaluate('Module.canvas.getBoundingClientRect().left');
  const smallTop = await page.evaluate('Module.canvas.getBoundingClientRect().top');
  await page.mouse('mouseMoved', small + 639, smallTop + 399);
  await session.printed('mouse-move x=319 y=199 inside=1');
  await page.mouse('mouseMoved', small + 21, smallTop + 41);
  await session.printed('mouse-move x=10 y=20 inside=1');
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
session.finish();
