// What the web benchmark and the page tests share: Debian's Chromium, started as both need it,
// and the latency probe they run inside a page.

// Chromium from /usr/bin, headless, with a fresh profile of its own (playwright-core's
// `chromium`, which the caller loads from its NODE_PATH).
export function launchChromium(chromium) {
    return chromium.launch({
        executablePath: '/usr/bin/chromium',
        headless: true,
        args: [
            '--no-sandbox',
            '--disable-gpu',
            '--disable-background-networking',
            '--disable-component-update',
            '--disable-sync',
            '--no-first-run',
        ],
    });
}

// A worker of its own, without the book, searches the middle-game position, and after a
// varying wait gets `isready`, then `stop`. Self-contained, since the browser runs its text.
// Answers {isready, stop} in milliseconds for each round.
export async function measureLatency({ rounds, spacing }) {
    const worker = new Worker('qarn-worker.js?book=none');
    let waiting = null;
    worker.onmessage = (e) => typeof e.data === 'string' && waiting?.(e.data);
    const until = (test) => new Promise((resolve) => (waiting = (line) => test(line) && resolve()));
    const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
    worker.postMessage('ucci');
    await until((line) => line === 'ucciok');
    const times = [];
    for (let round = 0; round < rounds; round++) {
        worker.postMessage('position midgamepos');
        worker.postMessage('go depth 31');
        await sleep(300 + spacing * round);
        let sent = performance.now();
        worker.postMessage('isready');
        await until((line) => line === 'readyok');
        const isready = performance.now() - sent;
        await sleep(200);
        sent = performance.now();
        worker.postMessage('stop');
        await until((line) => line.startsWith('bestmove'));
        times.push({ isready, stop: performance.now() - sent });
    }
    worker.terminate();
    return times;
}
