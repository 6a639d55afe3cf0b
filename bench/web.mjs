// Figures of the browser build, printed (nothing is asserted):
// - speed: qarn-bench --list's positions, each "go depth DEPTH" in one session without the
//   book, by the native engine and by the worker in Chromium, alternating for ROUNDS rounds so
//   that the machine's other load falls on both; nodes per second by the engines' own clocks
//   and by the processor time of each (the native process; all of Chromium's processes), and
//   whether the two printed the same lines (clocks masked);
// - latency: isready and stop during a search, posted from the page;
// - size: the site's files, raw and gzipped;
// - start-up: from the page's navigation to the worker's ucciok and to the page showing the
//   engine ready, in fresh browser contexts.
//   NODE_PATH=build-web/npm/node_modules node bench/web.mjs [DEPTH] [ROUNDS]   (default 9, 3)
// QARN_SITE (default build-web/site) and QARN_NATIVE (default build) name the builds.
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

import { launchChromium, measureLatency } from './chromium.mjs';

const { chromium } = createRequire(import.meta.url)('playwright-core');
const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const SITE = process.env.QARN_SITE || path.join(ROOT, 'build-web/site');
const NATIVE = process.env.QARN_NATIVE || path.join(ROOT, 'build');
const depth = Number(process.argv[2] || 9);
const rounds = Number(process.argv[3] || 3);
const TICKS = Number(spawnSync('getconf', ['CLK_TCK'], { encoding: 'utf8' }).stdout) || 100;

const mask = (line) => line.replace(/\b(time|nps|cpuload) \d+/g, '$1 *');
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];
const fixed = (value, digits = 3) => value.toFixed(digits);

const positions = spawnSync(path.join(NATIVE, 'qarn-bench'), ['--list'], { encoding: 'utf8' })
    .stdout.split('\n')
    .filter((line) => line.startsWith('fen '));
// One search at a time: the engine reads only stop and isready while it searches.
const searches = positions.map((position) => `position ${position}\ngo depth ${depth}`);

// Processor seconds of a process, or of the processes descended from `root` and itself.
function processorSeconds(pids) {
    let ticks = 0;
    for (const pid of pids) {
        try {
            const fields = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ');
            ticks += Number(fields[11]) + Number(fields[12]);
        } catch {
            // ended meanwhile
        }
    }
    return ticks / TICKS;
}

function descendants(root) {
    const parents = new Map();
    for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
        try {
            parents.set(pid, fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(') ')[1].split(' ')[1]);
        } catch {
            // ended meanwhile
        }
    }
    const found = new Set([String(root)]);
    for (let grew = true; grew;) {
        grew = false;
        for (const [pid, parent] of parents) {
            if (!found.has(pid) && found.has(parent)) found.add(pid) && (grew = true);
        }
    }
    found.delete(String(root));
    return [...found];
}

// The figures of one session's output: nodes and milliseconds of each search's last line.
function figures(lines) {
    let nodes = 0;
    let ms = 0;
    for (const line of lines) {
        const match = /^info time (\d+) nodes (\d+) nps/.exec(line);
        if (match) {
            ms += Number(match[1]);
            nodes += Number(match[2]);
        }
    }
    return { nodes, ms, lines: lines.map(mask).join('\n') };
}

// The native engine, without its book (a path with no qarn.bin beside it); its processor
// time is counted from its ucciok, as the worker's.
function runNative() {
    return new Promise((resolve) => {
        const engine = spawn(path.join(NATIVE, 'qarn'), [], { argv0: '/nonexistent/qarn' });
        const gbk = new TextDecoder('gbk');
        const lines = [];
        let rest = '';
        let done = 0;
        let before = 0;
        engine.stdout.on('data', (chunk) => {
            const parts = (rest + gbk.decode(chunk, { stream: true })).split('\n');
            rest = parts.pop();
            for (const line of parts) {
                lines.push(line);
                if (line === 'ucciok') {
                    before = processorSeconds([engine.pid]);
                    engine.stdin.write(searches[0] + '\n');
                }
                if (!line.startsWith('bestmove')) continue;
                if (++done < searches.length) {
                    engine.stdin.write(searches[done] + '\n');
                } else {
                    const cpu = processorSeconds([engine.pid]) - before;
                    engine.stdin.end('quit\n');
                    resolve({ ...figures(lines), cpu });
                }
            }
        });
        engine.stdin.write('ucci\n');
    });
}

// The same session with a worker in a page of the site; the processor time is counted from
// its ucciok, so that loading the page and compiling the engine are left out.
async function runWeb(browser, base, browserPids) {
    const page = await browser.newPage();
    await page.goto(`${base}/index.html?book=none`);
    await page.evaluate(async () => {
        self.bench = { worker: new Worker('qarn-worker.js?book=none'), lines: [] };
        await new Promise((resolve) => {
            self.bench.worker.onmessage = (e) => {
                if (typeof e.data !== 'string') return;
                self.bench.lines.push(e.data);
                if (e.data === 'ucciok') resolve();
            };
            self.bench.worker.postMessage('ucci');
        });
    });
    const before = processorSeconds(browserPids());
    const lines = await page.evaluate(async (searches) => {
        const { worker, lines } = self.bench;
        let done = 0;
        await new Promise((resolve) => {
            worker.onmessage = (e) => {
                if (typeof e.data !== 'string') return;
                lines.push(e.data);
                if (!e.data.startsWith('bestmove')) return;
                if (++done < searches.length) worker.postMessage(searches[done]);
                else resolve();
            };
            worker.postMessage(searches[0]);
        });
        worker.terminate();
        return lines;
    }, searches);
    const cpu = processorSeconds(browserPids()) - before;
    await page.close();
    return { ...figures(lines), cpu };
}

async function latency(browser, base) {
    const page = await browser.newPage();
    await page.goto(`${base}/index.html?book=none`);
    const rounds = await page.evaluate(measureLatency, { rounds: 10, spacing: 97 });
    await page.close();
    return { isready: rounds.map((r) => r.isready), stop: rounds.map((r) => r.stop) };
}

// Milliseconds from navigation to the worker's ucciok and to the page showing the engine ready.
async function startup(browser, base) {
    const context = await browser.newContext();
    await context.addInitScript(() => {
        const Original = self.Worker;
        self.Worker = class extends Original {
            constructor(...args) {
                super(...args);
                this.addEventListener('message', (e) => {
                    if (e.data === 'ucciok') self.qarnUcciok = performance.now();
                });
            }
        };
    });
    const page = await context.newPage();
    await page.goto(`${base}/index.html`);
    await page.waitForFunction(() => self.qarnUcciok !== undefined);
    await page.waitForSelector('#engine-state[data-state="ready"]');
    const ms = await page.evaluate(() => [self.qarnUcciok, performance.now()]);
    await context.close();
    return ms;
}

function sizes() {
    const rows = [];
    const add = (name, files) => {
        const bytes = files.map((file) => fs.readFileSync(path.join(SITE, file)));
        const raw = bytes.reduce((sum, b) => sum + b.length, 0);
        const gzip = bytes.reduce((sum, b) => sum + zlib.gzipSync(b, { level: 9 }).length, 0);
        rows.push({ name, raw, gzip });
    };
    const page = [
        'index.html',
        'style.css',
        'favicon.svg',
        ...fs.readdirSync(path.join(SITE, 'js')).map((f) => `js/${f}`),
    ];
    for (const file of ['qarn-worker.js', 'qarn-worker.wasm', 'qarn.bin']) add(file, [file]);
    add('worker + book', ['qarn-worker.js', 'qarn-worker.wasm', 'qarn.bin']);
    add('page (html, css, js)', page);
    add('whole site', ['qarn-worker.js', 'qarn-worker.wasm', 'qarn.bin', ...page]);
    return rows;
}

const server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '-d', SITE]);
const base = await new Promise((resolve) => {
    server.stdout.on('data', (chunk) => {
        const port = /port (\d+)/.exec(String(chunk))?.[1];
        if (port) resolve(`http://127.0.0.1:${port}`);
    });
});
const browser = await launchChromium(chromium);
const browserPids = () => descendants(process.pid).filter((pid) => pid !== String(server.pid));

console.log(`speed: ${positions.length} positions of qarn-bench --list, go depth ${depth}, ${rounds} rounds`);
const ratios = { clock: [], cpu: [] };
let same = true;
for (let round = 1; round <= rounds; round++) {
    const native = await runNative();
    const web = await runWeb(browser, base, browserPids);
    same &&= native.lines === web.lines;
    const clock = web.nodes / web.ms / (native.nodes / native.ms);
    const cpu = web.nodes / web.cpu / (native.nodes / native.cpu);
    ratios.clock.push(clock);
    ratios.cpu.push(cpu);
    console.log(
        `  round ${round}: native ${native.nodes} nodes ${native.ms} ms (${fixed(native.cpu, 2)} s cpu), ` +
            `chromium ${web.nodes} nodes ${web.ms} ms (${fixed(web.cpu, 2)} s cpu): ` +
            `ratio ${fixed(clock)} by the engines' clocks, ${fixed(cpu)} by processor time`,
    );
}
console.log(`  same output as native: ${same ? 'yes' : 'NO'}`);
console.log(
    `  chromium/native nodes per second: median ${fixed(median(ratios.clock))} (best ${fixed(Math.max(...ratios.clock))}) ` +
        `by the engines' clocks, median ${fixed(median(ratios.cpu))} (best ${fixed(Math.max(...ratios.cpu))}) by processor time`,
);

const times = await latency(browser, base);
for (const [name, values] of Object.entries(times)) {
    console.log(
        `latency: ${name} ${fixed(median(values), 1)} ms median, ${fixed(Math.max(...values), 1)} ms at most (${values.length} searches)`,
    );
}

for (const { name, raw, gzip } of sizes()) console.log(`size: ${name} ${raw} bytes, ${gzip} gzipped`);

const starts = [];
for (let i = 0; i < 7; i++) starts.push(await startup(browser, base));
const ucciok = starts.map(([ms]) => ms);
const ready = starts.map(([, ms]) => ms);
console.log(
    `start-up: ucciok ${fixed(median(ucciok), 0)} ms after navigation, the page showing the engine ready ` +
        `${fixed(median(ready), 0)} ms (medians of ${starts.length} fresh contexts; ucciok ${ucciok.map((ms) => fixed(ms, 0)).join(', ')})`,
);

await browser.close();
server.kill();
