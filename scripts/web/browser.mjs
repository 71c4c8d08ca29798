// Drives Debian's Chromium headless through the DevTools protocol, with
// nothing but node's own modules (node 20: run with --experimental-websocket),
// and serves a build's pages from 127.0.0.1 with the headers that make a
// page cross-origin isolated (precise timers, shared memory).
//
// The browser runs in a profile of its own under a temporary folder and is
// ended by its process group when the driver closes it or the process
// exits, so no run leaves a browser behind.
import { spawn } from 'node:child_process';
import { createReadStream, mkdtempSync, rmSync, statSync } from 'node:fs';
import http from 'node:http';
import { tmpdir } from 'node:os';
import path from 'node:path';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.wasm': 'application/wasm', '.json': 'application/json', '.png': 'image/png',
};

// Serves folder on a free port of 127.0.0.1; resolves to { url, close }.
export function serve(folder) {
  const root = path.resolve(folder);
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://localhost').pathname);
    const file = path.join(root, path.normalize(name));
    let found = file.startsWith(root + path.sep) || file === root;
    try { found = found && statSync(file).isFile(); } catch { found = false; }
    response.setHeader('Cross-Origin-Opener-Policy', 'same-origin');
    response.setHeader('Cross-Origin-Embedder-Policy', 'require-corp');
    response.setHeader('Cache-Control', 'no-store');
    if (!found) {
      response.writeHead(404, { 'Content-Type': 'text/plain' });
      response.end('not found\n');
      return;
    }
    response.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
    createReadStream(file).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => resolve({
      url: `http://127.0.0.1:${server.address().port}/`,
      close: () => new Promise(done => { server.closeAllConnections(); server.close(() => done()); }),
    }));
  });
}

const FLAGS = ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  '--disable-extensions', '--mute-audio', '--remote-debugging-port=0'];

const running = new Set();
const endAll = () => { for (const browser of running) browser.kill(); };
process.on('exit', endAll);
for (const signal of ['SIGINT', 'SIGTERM', 'SIGHUP'])
  process.on(signal, () => { endAll(); process.exit(128 + 1); });

class Connection {
  constructor(socket) {
    this.socket = socket;
    this.nextId = 1;
    this.waiting = new Map();
    this.listeners = [];
    socket.addEventListener('message', message => {
      const data = JSON.parse(message.data);
      if (data.id && this.waiting.has(data.id)) {
        const { resolve, reject } = this.waiting.get(data.id);
        this.waiting.delete(data.id);
        if (data.error) reject(new Error(`${data.error.message} (${data.error.code})`));
        else resolve(data.result);
      } else if (data.method) {
        for (const listener of this.listeners) listener(data.method, data.params);
      }
    });
  }

  static open(url) {
    const socket = new WebSocket(url);
    return new Promise((resolve, reject) => {
      socket.addEventListener('open', () => resolve(new Connection(socket)));
      socket.addEventListener('error', () => reject(new Error(`cannot reach ${url}`)));
    });
  }

  send(method, params = {}) {
    const id = this.nextId++;
    this.socket.send(JSON.stringify({ id, method, params }));
    return new Promise((resolve, reject) => this.waiting.set(id, { resolve, reject }));
  }

  close() { this.socket.close(); }
}

// One tab. Coordinates are the viewport's CSS pixels.
export class Page {
  constructor(connection) {
    this.connection = connection;
    this.console = [];
    connection.listeners.push((method, params) => {
      if (method === 'Runtime.consoleAPICalled')
        this.console.push(params.args.map(arg => arg.value).join(' '));
    });
  }

  send(method, params) { return this.connection.send(method, params); }

  // The value of a JavaScript expression in the page, promises awaited.
  async evaluate(expression) {
    const reply = await this.send('Runtime.evaluate',
      { expression, returnByValue: true, awaitPromise: true });
    if (reply.exceptionDetails)
      throw new Error(`${expression}: ${reply.exceptionDetails.exception?.description || reply.exceptionDetails.text}`);
    return reply.result.value;
  }

  // Polls the expression until it is truthy; its value, or an error after
  // the limit (a limit on how long a broken page may hang a test, never a
  // measure of speed).
  async waitFor(expression, limitMs = 30000) {
    const end = Date.now() + limitMs;
    for (;;) {
      const value = await this.evaluate(expression);
      if (value) return value;
      if (Date.now() > end) throw new Error(`timed out waiting for ${expression}`);
      await new Promise(resolve => setTimeout(resolve, 20));
    }
  }

  // scale: device pixels a CSS pixel (devicePixelRatio).
  async open(url, width = 1024, height = 768, scale = 1) {
    await this.send('Emulation.setDeviceMetricsOverride',
      { width, height, deviceScaleFactor: scale, mobile: false });
    await this.send('Page.navigate', { url });
    await this.waitFor('document.readyState === "complete"');
  }

  // A key pressed and let go through the browser's own input path. key is
  // what KeyboardEvent.key says, code the physical key.
  async press(code, key, { modifiers = 0, keyCode = 0 } = {}) {
    const text = [...key].length === 1 ? key : undefined;
    await this.send('Input.dispatchKeyEvent', {
      type: text ? 'keyDown' : 'rawKeyDown', code, key, text, modifiers,
      windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode,
    });
    await this.send('Input.dispatchKeyEvent',
      { type: 'keyUp', code, key, modifiers, windowsVirtualKeyCode: keyCode, nativeVirtualKeyCode: keyCode });
  }

  mouse(type, x, y, extra = {}) {
    return this.send('Input.dispatchMouseEvent', { type, x, y, ...extra });
  }

  async click(x, y, button = 'left') {
    await this.mouse('mouseMoved', x, y);
    await this.mouse('mousePressed', x, y, { button, clickCount: 1 });
    await this.mouse('mouseReleased', x, y, { button, clickCount: 1 });
  }

  async screenshot() {
    const shot = await this.send('Page.captureScreenshot', { format: 'png' });
    return Buffer.from(shot.data, 'base64');
  }
}

export class Browser {
  // flags: more of Chromium's switches, for a test that needs them.
  static async launch(flags = []) {
    const profile = mkdtempSync(path.join(tmpdir(), 'vxr-chromium-'));
    const child = spawn(process.env.VXR_CHROMIUM || '/usr/bin/chromium',
      [...FLAGS, ...flags, `--user-data-dir=${profile}/data`, 'about:blank'], {
        detached: true, stdio: ['ignore', 'ignore', 'pipe'],
        env: { ...process.env, HOME: profile, XDG_CONFIG_HOME: `${profile}/config`,
               XDG_CACHE_HOME: `${profile}/cache` },
      });
    const browser = new Browser(child, profile);
    running.add(browser);
    const endpoint = await new Promise((resolve, reject) => {
      let seen = '';
      const timer = setTimeout(() => reject(new Error(`chromium did not start:\n${seen}`)), 30000);
      child.stderr.on('data', chunk => {
        seen += chunk;
        const found = /DevTools listening on (ws:\/\/\S+)/.exec(seen);
        if (found) { clearTimeout(timer); resolve(found[1]); }
      });
      child.once('exit', () => { clearTimeout(timer); reject(new Error(`chromium ended:\n${seen}`)); });
    }).catch(error => { browser.kill(); throw error; });
    browser.port = new URL(endpoint).port;
    return browser;
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
  }

  async newPage() {
    const list = await (await fetch(`http://127.0.0.1:${this.port}/json/list`)).json();
    const tab = list.find(target => target.type === 'page');
    const connection = await Connection.open(tab.webSocketDebuggerUrl);
    const page = new Page(connection);
    await page.send('Runtime.enable');
    await page.send('Page.enable');
    return page;
  }

  // Ends the browser's whole process group and removes its profile.
  kill() {
    if (!running.delete(this)) return;
    try { process.kill(-this.child.pid, 'SIGKILL'); } catch { /* already gone */ }
    rmSync(this.profile, { recursive: true, force: true, maxRetries: 3 });
  }
}
