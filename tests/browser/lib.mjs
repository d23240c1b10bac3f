// Shared helpers of the browser tests: a temporary program folder, a running
// `palvex -headless` on a free loopback port, and headless Chromium that may
// reach nothing but loopback.
import {spawn} from 'node:child_process';
import fs from 'node:fs';
import net from 'node:net';
import os from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';
import {chromium} from 'playwright-core';

export const CHROMIUM = '/usr/bin/chromium';
const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const START_WAIT_MS = 10000;
const STOP_WAIT_MS = 5000;
const START_ATTEMPTS = 10;
const STARTED = /Server gestartet|NICHT gestartet/;

// Servers still running when the test process ends, however it ends.
const running = new Set();
process.on('exit', () => running.forEach((child) => child.kill('SIGKILL')));

// Screenshots go to the CTest working directory (the build folder) unless told.
export const SHOT_DIR = process.env.PALVEX_SHOT_DIR || process.cwd();

// Returns a loopback port that was free a moment ago.
function freePort() {
    return new Promise((resolve, reject) => {
        const server = net.createServer();
        server.once('error', reject);
        server.listen(0, '127.0.0.1', () => {
            const {port} = server.address();
            server.close(() => resolve(port));
        });
    });
}

// Creates a program folder with the page templates and an empty web root;
// the caller fills the root before starting the server.
export function makeProgramFolder() {
    const dir = fs.mkdtempSync(path.join(os.tmpdir(), 'palvex-browser-'));
    fs.writeFileSync(path.join(dir, 'palvex'), '');
    fs.cpSync(path.join(REPO, 'data/System'), path.join(dir, 'System'), {recursive: true});
    fs.mkdirSync(path.join(dir, 'www'));
    return {dir, root: path.join(dir, 'www')};
}

// Starts `palvex -headless` over folder and resolves once it has reported its
// start; rejects when it did not start listening. A free port may be taken
// by another process before the program binds it (ports from the kernel's
// ephemeral range are also the local ports of other tests' connections):
// then the next one is tried.
export async function startPalvex(folder, extraArgs = [], extraEnv = {}) {
    for (let attempt = 1;; ++attempt) {
        const server = await startOnPort(await freePort(), folder, extraArgs, extraEnv);
        if (/Server gestartet/.test(server.output())) return server;
        await stopPalvex(server);
        if (!/konnte nicht gestartet werden/.test(server.output()) || attempt >= START_ATTEMPTS)
            throw new Error(`palvex did not start:\n${server.output()}`);
    }
}

async function startOnPort(port, folder, extraArgs, extraEnv) {
    const binary = process.env.PALVEX_BINARY;
    if (!binary) throw new Error('PALVEX_BINARY is not set');
    const args = [
        '-headless', `-ActAsOriginExe=${folder.dir}/palvex`, `Port=${port}`, `Root=${folder.root}/`,
        ...extraArgs
    ];
    const child = spawn(binary, args, {
        env: {...process.env, ...extraEnv},
        stdio: ['ignore', 'pipe', 'pipe'],
    });
    running.add(child);
    child.once('exit', () => running.delete(child));
    let output = '';
    child.stdout.on('data', (chunk) => {
        output += chunk;
    });
    child.stderr.on('data', (chunk) => {
        output += chunk;
    });
    const deadline = Date.now() + START_WAIT_MS;
    while (!STARTED.test(output) && child.exitCode === null && Date.now() < deadline)
        await new Promise((r) => setTimeout(r, 50));
    return {child, port, base: `http://127.0.0.1:${port}`, output: () => output};
}

// Stops the server with SIGTERM, after STOP_WAIT_MS with SIGKILL.
export async function stopPalvex(server) {
    const {child} = server;
    if (child.exitCode !== null || child.signalCode !== null) return;
    const exited = new Promise((r) => child.once('exit', r));
    child.kill('SIGTERM');
    const timer = setTimeout(() => child.kill('SIGKILL'), STOP_WAIT_MS);
    await exited;
    clearTimeout(timer);
}

function isLoopback(url) {
    const {protocol, hostname} = new URL(url);
    if (protocol === 'data:' || protocol === 'about:' || protocol === 'javascript:') return true;
    return hostname === '127.0.0.1' || hostname === 'localhost' || hostname === '[::1]';
}

// Launches Chromium with a fresh profile. Any request that would leave
// loopback is aborted and recorded in `blocked`, which tests check is empty.
export async function launchBrowser() {
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'palvex-chromium-'));
    const context = await chromium.launchPersistentContext(profile, {
        executablePath: CHROMIUM,
        headless: true,
        args: [
            '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync',
            '--no-proxy-server'
        ],
        viewport: {width: 1000, height: 800},
        deviceScaleFactor: 1,
        timeout: 30000,
    });
    context.setDefaultTimeout(10000);
    const blocked = [];
    await context.route((url) => !isLoopback(url.href), (route) => {
        blocked.push(route.request().url());
        return route.abort();
    });
    const close = async () => {
        await context.close();
        fs.rmSync(profile, {recursive: true, force: true});
    };
    return {context, blocked, close};
}

// Draws a noisy picture of width x height in the page's canvas and returns
// it encoded as type ('image/png' or 'image/jpeg'); noise keeps the file
// larger than any thumbnail of it.
export async function drawImage(page, width, height, type) {
    const url = await page.evaluate(([w, h, t]) => {
        const canvas = document.createElement('canvas');
        canvas.width = w;
        canvas.height = h;
        const g = canvas.getContext('2d');
        const pixels = g.createImageData(w, h);
        for (let i = 0; i < pixels.data.length; i += 4) {
            const x = (i / 4) % w;
            pixels.data[i] = (x * 255) / w;
            pixels.data[i + 1] = Math.random() * 255;
            pixels.data[i + 2] = 160;
            pixels.data[i + 3] = 255;
        }
        g.putImageData(pixels, 0, 0);
        return canvas.toDataURL(t, 0.95);
    }, [width, height, type]);
    return Buffer.from(url.slice(url.indexOf(',') + 1), 'base64');
}

// Runs body with a browser and a server over a fresh program folder;
// fill(root, page) prepares the web root first. Everything is torn down
// afterwards; a failure carries the server's output.
export async function withServerAndBrowser({fill = () => {}, args = [], env = {}}, body) {
    const folder = makeProgramFolder();
    let server;
    let browser;
    try {
        browser = await launchBrowser();
        const page = browser.context.pages()[0] || await browser.context.newPage();
        await fill(folder.root, page);
        server = await startPalvex(folder, args, env);
        await body({server, page, context: browser.context});
        if (browser.blocked.length)
            throw new Error(`requests left loopback: ${browser.blocked.join(' ')}`);
    } catch (error) {
        if (server) error.message += `\n--- palvex output\n${server.output()}`;
        throw error;
    } finally {
        if (browser) await browser.close();
        if (server) await stopPalvex(server);
        fs.rmSync(folder.dir, {recursive: true, force: true});
    }
}
