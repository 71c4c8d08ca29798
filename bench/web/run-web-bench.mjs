// Runs the web build's converter and tunnel benchmark (bench.js, the same
// program node runs) inside a page of headless Chromium, where a program
// of the web build really runs, and prints its tables.
//   node --experimental-websocket run-web-bench.mjs BUILD_DIR/bench/web
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { Browser, serve } from '../../scripts/web/browser.mjs';

// The page the program runs in: its output collected in the page, and a
// flag raised once main has returned.
const PAGE = `<!doctype html><meta charset="utf-8"><title>vxr benchmark</title>
<pre id="output"></pre>
<script>
var Module = {
  print: text => { document.getElementById('output').textContent += text + '\\n'; },
  printErr: text => console.error(text),
  postRun: [() => { window.benchmarkDone = true; }],
};
</script>
<script src="bench.js"></script>
`;

export async function runWebBench(folder, server, browser) {
  writeFileSync(path.join(folder, 'bench.html'), PAGE);
  const page = await browser.newPage();
  await page.open(`${server.url}bench.html`, 800, 600);
  await page.waitFor('window.benchmarkDone === true', 600000);
  return page.evaluate('document.getElementById("output").textContent');
}

if (import.meta.url === `file://${process.argv[1]}`) {
  const folder = process.argv[2];
  const server = await serve(folder);
  const browser = await Browser.launch();
  try {
    console.log((await runWebBench(folder, server, browser)).trim());
  } finally {
    browser.kill();
    await server.close();
  }
}
