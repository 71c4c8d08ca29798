// The web console reports when its frames reached the screen: the
// requestAnimationFrame time of the frame that painted each, on the
// browser's clock (performance.now(), as nanoseconds). A page that
// presents with present(true) over and over reads times that increase,
// with a count that increases with them, and a refresh interval that is
// the browser's own pace of animation frames: near the period of the
// refresh it paces an idle page at (headless Chromium: 60 Hz), or a whole
// multiple of it where the browser takes longer for every frame of the
// program's (a software WebGL). Nothing is reported before the first
// frame. Through the canvas backend named.
//   presentation_page_test.mjs PAGE_DIR webgl|2d
import { PageSession } from './page_session.mjs';

const [folder, backend] = process.argv.slice(2);
const FRAMES = 12;

// The browser's own figure for its refresh: the median gap between a run
// of its animation frames, measured in the page apart from the program.
const browserFrameInterval = page => page.evaluate(`new Promise(resolve => {
  const times = [];
  const step = time => {
    times.push(time);
    if (times.length < 31) return requestAnimationFrame(step);
    const gaps = times.slice(1).map((t, i) => t - times[i]).sort((a, b) => a - b);
    resolve(gaps[gaps.length >> 1]);
  };
  requestAnimationFrame(step);
})`);

const session = await PageSession.open(folder, `presentation_page.html?canvas=${backend}`);
try {
  await session.page.waitFor('Module.vxrExitCode !== null', 30000);
  const status = await session.status();
  session.check(status === 'exited with code 0', `status: ${status}\n${await session.output()}`);
  const lines = (await session.output()).split('\n');
  session.check(lines[0] === 'before none', `first line: ${lines[0]}`);
  const reports = lines.map(line => /^frame (\d+) time (\d+) interval (\d+) refresh (\d+)$/.exec(line))
    .filter(Boolean).map(([, frame, time, interval, refresh]) =>
      ({ frame: Number(frame), time: BigInt(time), interval: Number(interval), refresh: Number(refresh) }));
  // The first frame may be painted only after its present returned.
  session.check(reports.length >= FRAMES - 1, `${reports.length} reports in:\n${lines.join('\n')}`);
  for (let i = 1; i < reports.length; ++i) {
    const [before, after] = [reports[i - 1], reports[i]];
    session.check(after.time > before.time, `frame ${after.frame}'s time ${after.time} is not after ${before.time}`);
    session.check(after.refresh > before.refresh, `frame ${after.frame}'s count ${after.refresh} is not past ${before.refresh}`);
  }
  const period = await browserFrameInterval(session.page);
  const last = reports[reports.length - 1];
  const periods = last ? last.interval / 1e6 / period : 0;
  session.check(periods >= 0.75 && periods < 4.5 && Math.abs(periods - Math.round(periods)) < 0.25,
                `interval ${last && last.interval} ns against the browser's ${period} ms a frame`);
  // The times are the page's clock's: the last lies before now.
  const now = BigInt(Math.round(await session.page.evaluate('performance.now()') * 1e6));
  session.check(last && last.time > 0n && last.time < now, `time ${last && last.time} against now ${now}`);
} catch (error) {
  session.check(false, error.stack || String(error));
} finally {
  await session.close();
}
session.finish();
