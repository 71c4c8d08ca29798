// Runs the web build's benchmarks in one headless Chromium: the present
// benchmark page once through each canvas backend, with the backend the
// console takes when the page does not choose, and then the converter and
// tunnel benchmark (bench.js) in a page of its own; prints every table with
// the processor and the browser.
//   node --experimental-websocket run-present-bench.mjs BUILD_DIR/bench/web
// BACKENDS=2d (or webgl) runs only that one.
import { execFileSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import { Browser, serve } from '../../scripts/web/browser.mjs';
import { runWebBench } from './run-web-bench.mjs';

const folder = process.argv[2];
const processor = /model name\s*:\s*(.*)/.exec(readFileSync('/proc/cpuinfo', 'utf8'))?.[1] || 'unknown';
const chromium = execFileSync(process.env.VXR_CHROMIUM || '/usr/bin/chromium', ['--version'],
  { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
console.log(`processor: ${processor}\nbrowser: ${chromium} (headless)`);

const server = await serve(folder);
const browser = await Browser.launch();
try {
  const page = await browser.newPage();
  await page.open(`${server.url}present_bench.html`, 2000, 1200);
  console.log(`default backend here: ${await page.waitFor('Module.vxrCanvasBackendInUse', 30000)}`);
  for (const backend of (process.env.BACKENDS || '2d,webgl').split(',')) {
    await page.open(`${server.url}present_bench.html?canvas=${backend}`, 2000, 1200);
    const isolated = await page.evaluate('crossOriginIsolated');
    await page.waitFor('Module.vxrExitCode !== null', 120000);
    const output = await page.evaluate('document.getElementById("output").textContent');
    console.log(`\n${output.split('\n').filter(line => !line.startsWith('{')).join('\n').trim()}` +
                `\n(cross-origin isolated: ${isolated})`);
  }
  if (!process.env.BACKENDS) console.log(`\n${(await runWebBench(folder, server, browser)).trim()}`);
} finally {
  browser.kill();
  await server.close();
}
