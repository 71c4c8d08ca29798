// Serves a page of the web build from 127.0.0.1 on a free port, with the
// headers a wasm page wants (COOP/COEP).
//
//   run-page.mjs serve FOLDER PAGE        prints the address and serves until
//                                         interrupted
//   run-page.mjs tunnel FOLDER SHOTS      flies the tunnel in headless
//                                         Chromium: a screenshot of each phase
//                                         in SHOTS, a key in the free run, the
//                                         program's output and exit code
//                                         printed; exits with that code
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { Browser, serve } from './browser.mjs';

const [mode, folder, third] = process.argv.slice(2);

async function serveUntilInterrupted(page) {
  const server = await serve(folder);
  console.log(`serving ${folder}\nopen ${server.url}${page}\n(Ctrl-C ends the server)`);
  await new Promise(() => {});
}

async function flyTunnel(shots) {
  const server = await serve(folder);
  const browser = await Browser.launch();
  try {
    const page = await browser.newPage();
    await page.open(`${server.url}tunnel.html`, 1000, 760);
    const frames = () => page.evaluate('Module.calledRun ? Module._vxr_web_frames_shown() : 0');
    const shotAfter = async (count, name) => {
      await page.waitFor(`Module.calledRun && Module._vxr_web_frames_shown() >= ${count}`, 60000);
      writeFileSync(path.join(shots, `${name}.png`), await page.screenshot());
    };
    await shotAfter(64, '1-fly-in');
    await shotAfter(360, '2-free-run');
    const atKey = await frames();
    await page.press('Space', ' ', { keyCode: 32 });
    await shotAfter(atKey + 75, '3-swirl-out');
    await shotAfter(atKey + 150 + 24, '4-fade-out');
    const code = await page.waitFor('Module.vxrExitCode !== null && String(Module.vxrExitCode)', 60000);
    process.stdout.write(await page.evaluate('document.getElementById("output").textContent'));
    for (const name of ['1-fly-in', '2-free-run', '3-swirl-out', '4-fade-out'])
      console.log(`screenshot: ${path.join(shots, name + '.png')}`);
    console.log(`exit code ${code}`);
    return Number(code);
  } finally {
    browser.kill();
    await server.close();
  }
}

if (mode === 'serve') {
  await serveUntilInterrupted(third || 'tunnel.html');
} else if (mode === 'tunnel') {
  process.exitCode = await flyTunnel(third).catch(error => {
    console.error(`run: ${error.message}`);
    return 1;
  });
} else {
  console.error('usage: run-page.mjs serve FOLDER [PAGE] | tunnel FOLDER SHOTS');
  process.exitCode = 2;
}
