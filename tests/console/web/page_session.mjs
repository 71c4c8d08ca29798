// What every browser test shares: a folder served on a free port, a
// headless Chromium, the page opened in it, and reads of what the page
// shows. Failures are collected, reported together, and set the exit code.
import { Browser, serve } from '../../../scripts/web/browser.mjs';

export class PageSession {
  // scale: the screen's device pixels a CSS pixel, for the browser as a
  // whole and for the page's own viewport.
  static async open(folder, page, { width = 1000, height = 760, flags = [], scale = 1 } = {}) {
    const session = new PageSession();
    session.server = await serve(folder);
    const scaleFlags = scale === 1 ? [] : [`--force-device-scale-factor=${scale}`];
    session.browser = await Browser.launch([...flags, ...scaleFlags]);
    session.page = await session.browser.newPage();
    await session.page.open(session.server.url + page, width, height, scale);
    return session;
  }

  constructor() { this.failures = 0; }

  check(condition, what) {
    if (!condition) {
      this.failures += 1;
      console.log(`FAIL: ${what}`);
    }
    return condition;
  }

  status() { return this.page.evaluate('document.getElementById("status").textContent'); }
  output() { return this.page.evaluate('document.getElementById("output").textContent'); }
  framesShown() { return this.page.evaluate('Module.calledRun ? Module._vxr_web_frames_shown() : 0'); }

  // Waits until the program has exited; the status line then.
  async exited() {
    return this.page.waitFor('Module.vxrExitCode !== null && document.getElementById("status").textContent');
  }

  // The frame the canvas shows as R, G, B, A bytes, frame pixel by frame
  // pixel, and the number of the frame it is (frames count from 1), read in
  // one turn of the page, so no frame can come between. The canvas holds
  // the frame scaled onto the area the console placed it in: every canvas
  // pixel there must show the frame pixel under its centre, the same for
  // all pixels of a block, or the read is a failure.
  async canvas() {
    const read = await this.page.evaluate(`(() => {
      const canvas = Module.canvas;
      const state = Module.vxrCanvasState;
      let context = canvas.getContext('2d');
      if (!context) {
        const copy = document.createElement('canvas');
        copy.width = canvas.width;
        copy.height = canvas.height;
        context = copy.getContext('2d');
        context.drawImage(canvas, 0, 0);
      }
      const data = context.getImageData(0, 0, canvas.width, canvas.height).data;
      const [left, top, areaWidth, areaHeight] = state.area;
      const width = state.frameWidth, height = state.frameHeight;
      const frame = new Uint8Array(width * height * 4);
      const seen = new Uint8Array(width * height);
      let problem = null;
      for (let y = 0; y < areaHeight && !problem; ++y) {
        const frameY = Math.floor((2 * y + 1) * height / (2 * areaHeight));
        for (let x = 0; x < areaWidth; ++x) {
          const frameX = Math.floor((2 * x + 1) * width / (2 * areaWidth));
          const at = 4 * ((top + y) * canvas.width + left + x), to = frameY * width + frameX;
          if (!seen[to]) {
            seen[to] = 1;
            frame.set(data.subarray(at, at + 4), 4 * to);
          } else if ([0, 1, 2, 3].some(i => frame[4 * to + i] !== data[at + i])) {
            problem = 'canvas pixel ' + (left + x) + ',' + (top + y) + ' is not frame pixel ' +
                      frameX + ',' + frameY + ' elsewhere in its block';
            break;
          }
        }
      }
      let text = '';
      for (let i = 0; i < frame.length; i += 8192)
        text += String.fromCharCode.apply(null, frame.subarray(i, i + 8192));
      return { frame: Module._vxr_web_frames_shown(), width, height, problem, pixels: btoa(text) };
    })()`);
    this.check(read.problem === null, read.problem);
    return { ...read, pixels: Buffer.from(read.pixels, 'base64') };
  }

  // Waits until the program has printed the line.
  async printed(line) {
    try {
      await this.page.waitFor(`document.getElementById("output").textContent.split("\\n").includes(${JSON.stringify(line)})`, 10000);
      return true;
    } catch {
      this.check(false, `no line '${line}' in:\n${await this.output()}`);
      return false;
    }
  }

  async close() {
    this.browser.kill();
    await this.server.close();
  }

  finish() {
    console.log(`${this.failures} failed`);
    process.exitCode = this.failures ? 1 : 0;
  }
}

// Compares pixels with the expected R, G, B bytes per pixel (alpha must be
// opaque); the first difference, or null when they are equal.
export function firstDifference(rgba, rgb) {
  if (rgba.length / 4 !== rgb.length / 3) return `sizes differ: ${rgba.length / 4} and ${rgb.length / 3} pixels`;
  for (let i = 0; i < rgb.length / 3; ++i) {
    const shown = [rgba[4 * i], rgba[4 * i + 1], rgba[4 * i + 2], rgba[4 * i + 3]];
    const wanted = [rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2], 255];
    if (shown.some((value, channel) => value !== wanted[channel]))
      return `pixel ${i}: shown ${shown}, expected ${wanted}`;
  }
  return null;
}
