// The site in Debian's chromium, driven by playwright-core, served by a plain static server:
// the engine's handshake, moves clicked through data-square and answered by legal moves, a
// whole game of Qarn against itself, isready and stop during a search, refused input, a
// dying or silent worker, a missing book, both languages, and screenshots at desktop and
// phone sizes. Every move the page shows is checked by the native qarn-perft, not the page.
//   NODE_PATH=<folder with playwright-core> node --test tests/web/page.test.mjs
// QARN_SITE (default build-web/site), QARN_NATIVE (default build: qarn-perft) and
// QARN_SCREENSHOTS (default build-web/screenshots) name the folders.
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { launchChromium, measureLatency } from '../../bench/chromium.mjs';

const { chromium } = createRequire(import.meta.url)('playwright-core');
const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const SITE = process.env.QARN_SITE || path.join(ROOT, 'build-web/site');
const PERFT = path.join(process.env.QARN_NATIVE || path.join(ROOT, 'build'), 'qarn-perft');
const SHOTS = process.env.QARN_SCREENSHOTS || path.join(ROOT, 'build-web/screenshots');
const START = 'rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1';
const WAIT = { timeout: 30000 };
const OPENING =
    '[Event "Opening"]\n1. 炮二平五 馬８進７ 2. 馬二進三 車９平８ 3. 車一平二 馬２進３ ' +
    '4. 兵七進一 卒７進１ 5. 車二進六 炮８平９ 6. 車二平三 炮９退１ *\n';

let server;
let base;
let browser;

before(async () => {
    server = spawn('python3', ['-u', '-m', 'http.server', '0', '--bind', '127.0.0.1', '-d', SITE]);
    base = await new Promise((resolve, reject) => {
        server.stdout.on('data', (chunk) => {
            const port = /port (\d+)/.exec(String(chunk))?.[1];
            if (port) resolve(`http://127.0.0.1:${port}`);
        });
        server.on('exit', () => reject(new Error('http.server ended')));
    });
    // Playwright starts the browser with a fresh profile folder of its own.
    browser = await launchChromium(chromium);
    fs.mkdirSync(SHOTS, { recursive: true });
});

after(async () => {
    await browser?.close();
    server?.kill();
});

/** A fresh page with the engine ready; console errors are collected and must stay none. */
async function open(t, { query = '', locale = 'en-US', phone = false, route } = {}) {
    const context = await browser.newContext(
        phone
            ? {
                  viewport: { width: 390, height: 844 },
                  deviceScaleFactor: 2,
                  isMobile: true,
                  hasTouch: true,
                  locale,
              }
            : { viewport: { width: 1280, height: 800 }, locale },
    );
    if (route) await context.route(route.url, route.handler);
    const page = await context.newPage();
    const errors = [];
    page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
    page.on('pageerror', (e) => errors.push(e.message));
    t.after(async () => {
        await context.close();
        assert.deepEqual(errors, route?.errors ?? [], 'console errors');
    });
    await page.goto(`${base}/index.html${query}`);
    await page.waitForSelector('#engine-state[data-state="ready"]', WAIT);
    return page;
}

const moveCount = (page) => page.locator('#move-list .move').count();
const waitMoves = (page, n) =>
    page.waitForFunction((n) => document.querySelectorAll('#move-list .move').length === n, n, WAIT);
const gameMoves = (page) => page.evaluate(() => window.qarn.game.moves.slice());

async function click(page, from, to) {
    await page.click(`[data-square="${from}"]`);
    await page.click(`[data-square="${to}"]`);
}

// The legal moves after `moves` from the start, by the native move generator.
function legalAfter(moves, fen = START) {
    const run = spawnSync(PERFT, ['--divide', '--fen', fen, '--moves', moves.join(' '), '1'], {
        encoding: 'utf8',
    });
    assert.equal(run.status, 0, run.stderr);
    return run.stdout
        .split('\n')
        .filter((line) => /^[a-i]\d[a-i]\d 1$/.test(line))
        .map((line) => line.slice(0, 4));
}

function assertLegalGame(moves) {
    moves.forEach((move, i) =>
        assert.ok(legalAfter(moves.slice(0, i)).includes(move), `move ${i + 1} ${move}`),
    );
}

test(
    'the engine answers ucci, and a clicked move is answered by a legal one',
    { timeout: 300000 },
    async (t) => {
        const page = await open(t);
        assert.match(await page.textContent('#engine-state'), /^Qarn chess engine \d+\.\d+\.\d+ ready$/);
        assert.match(await page.textContent('#play-status'), /Your move/);
        // Refused: a king out of its palace, a horse onto its own cannon, a soldier sideways
        // before the river, a black piece on red's turn.
        for (const [from, to] of [
            ['e0', 'e2'],
            ['b0', 'b2'],
            ['a3', 'b3'],
            ['h9', 'g7'],
        ]) {
            await click(page, from, to);
            assert.equal(await moveCount(page), 0, `${from}${to} was taken`);
        }
        await click(page, 'h2', 'e2');
        await waitMoves(page, 2);
        assert.equal(await page.locator('#move-list .move').first().textContent(), '炮二平五');
        assert.equal(await page.getAttribute('[data-at="e2"]', 'data-piece'), 'C');
        assertLegalGame(await gameMoves(page));
        await page.waitForSelector('#play-status:has-text("Your move")', WAIT);

        // Dragged, then taken back.
        const a = await page.locator('[data-square="h0"]').boundingBox();
        const b = await page.locator('[data-square="g2"]').boundingBox();
        await page.mouse.move(a.x + a.width / 2, a.y + a.height / 2);
        await page.mouse.down();
        await page.mouse.move(b.x + b.width / 2, b.y + b.height / 2, { steps: 5 });
        await page.mouse.up();
        await waitMoves(page, 4);
        assertLegalGame(await gameMoves(page));
        await page.waitForSelector('#play-status:has-text("Your move")', WAIT);
        await page.click('#take-back');
        await waitMoves(page, 2);
        assert.equal(await page.getAttribute('[data-at="h0"]', 'data-piece'), 'N');

        // Flipped, the names stay with their points: a0 goes from bottom left to top right.
        const before = await page.locator('[data-square="a0"]').boundingBox();
        await page.click('#flip');
        const flipped = await page.locator('[data-square="a0"]').boundingBox();
        assert.ok(flipped.x > before.x && flipped.y < before.y);
    },
);

test(
    'Qarn plays itself in the page to the end of the game, every move legal',
    { timeout: 300000 },
    async (t) => {
        const page = await open(t, { query: '?book=none' });
        await page.selectOption('#strength', 'depth 4');
        await page.check('input[name="side"][value="none"]');
        await page.waitForFunction(() => document.querySelector('#game-result').textContent !== '', null, {
            timeout: 300000,
        });
        const moves = await gameMoves(page);
        assert.equal(await moveCount(page), moves.length);
        assert.ok(moves.length > 20, `${moves.length} moves`);
        assertLegalGame(moves);
        assert.deepEqual(legalAfter(moves), [], 'the last position has no legal move');
        const loser = moves.length % 2 === 0 ? 'Red' : 'Black';
        assert.match(
            await page.textContent('#game-result'),
            new RegExp(`${loser} has no legal move|Checkmate`),
        );
    },
);

test('isready and stop reach a running search within 100 ms', { timeout: 300000 }, async (t) => {
    const page = await open(t);
    const rounds = await page.evaluate(measureLatency, { rounds: 5, spacing: 131 });
    for (const { isready, stop } of rounds) {
        assert.ok(isready < 100, `isready answered after ${isready} ms`);
        assert.ok(stop < 100, `bestmove after ${stop} ms`);
    }
});

test(
    'analysis of a pasted game shows depth, score, line and arrow; desktop screenshot',
    { timeout: 300000 },
    async (t) => {
        const page = await open(t, { query: '?book=none' });
        await page.click('#panel-tools summary');
        await page.fill('#import-text', OPENING);
        await page.click('#import-load');
        await waitMoves(page, 12);
        await page.click('#panel-tools summary');
        await page.keyboard.press('End');
        await page.waitForFunction(
            () => Number(/depth (\d+)/.exec(document.querySelector('#analysis-depth').textContent)?.[1]) >= 8,
            null,
            WAIT,
        );
        assert.match(await page.textContent('#analysis-score'), /^[+-]\d+\.\d\d$|^#-?\d+$/);
        assert.match(await page.textContent('#analysis-pv'), /^7\. \S+[進退平]/);
        assert.equal(await page.locator('.arrow.best').count(), 1);
        assert.equal(await page.isVisible('#eval-bar'), true);
        await page.evaluate(() => document.activeElement.blur());
        await page.screenshot({ path: path.join(SHOTS, 'desktop.png') });
        await page.uncheck('#analysis-on');
        assert.equal(await page.locator('.arrow').count(), 0);
    },
);

test(
    'refused FENs and games change nothing; a game loads and exports as PGN',
    { timeout: 300000 },
    async (t) => {
        const page = await open(t);
        await click(page, 'h2', 'e2');
        await waitMoves(page, 2);
        await page.click('#panel-tools summary');
        const refused = [
            ['#fen', '#fen-load', 'rnbakabnr/9/1c5c1 w - - 0 1', /not a FEN/],
            ['#fen', '#fen-load', START.replace('RNBAKABNR', 'RNBA1ABNR'), /not a legal position/],
            [
                '#import-text',
                '#import-load',
                '[Event "x"]\n1. H2-E2 H9-G7 2. H2-H9 *',
                /move 3 \(h2h9\) is not legal/,
            ],
            ['#import-text', '#import-load', 'no game here', /unreadable move/],
        ];
        for (const [input, button, text, message] of refused) {
            await page.fill(input, text);
            await page.click(button);
            await page.waitForSelector('#tools-message.error', WAIT);
            assert.match(await page.textContent('#tools-message'), message);
            assert.equal(await moveCount(page), 2, text);
            await page.evaluate(() => (document.querySelector('#tools-message').className = ''));
        }
        assert.equal(await page.getAttribute('[data-at="e2"]', 'data-piece'), 'C');

        await page.fill(
            '#import-text',
            '[Event "Test"]\n[Red "Ann"]\n[Black "Bo"]\n1. 炮二平五 馬８進７ 2. 馬二進三 *\n',
        );
        await page.click('#import-load');
        await waitMoves(page, 3);
        assert.equal(await page.getAttribute('[data-mode="analyse"]', 'aria-selected'), 'true');
        await page.selectOption('#notation', 'iccs');
        assert.equal(await page.locator('#move-list .move').first().textContent(), 'H2-E2');
        await page.click('#pgn-copy');
        const pgn = await page.inputValue('#pgn-text');
        assert.match(
            pgn,
            /\[Game "Chinese Chess"\][^]*\[Red "Ann"\][^]*\[Format "ICCS"\][^]*1\. H2-E2 H9-G7 2\. H0-G2 \*/,
        );

        // A set-up position with red in check: the king is marked.
        await page.fill('#fen', '4k4/9/9/9/9/9/9/9/4r4/3AK4 w - - 0 1');
        await page.click('#fen-load');
        await page.waitForSelector('circle.check', WAIT);
        assert.equal(await page.locator('.piece').count(), 4);
        assert.equal(await moveCount(page), 0);
    },
);

test(
    'a dying or silent worker is reported and restarted with the game kept',
    { timeout: 300000 },
    async (t) => {
        // The worker's script is served normally until `silent` is set; then it answers ucci and
        // falls silent, as a stuck engine would.
        let silent = false;
        const route = {
            url: '**/qarn-worker.js*',
            handler: (r) =>
                silent
                    ? r.fulfill({
                          contentType: 'text/javascript',
                          body: "onmessage = (e) => e.data === 'ucci' && postMessage('ucciok');",
                      })
                    : r.continue(),
        };
        const page = await open(t, { route });
        await click(page, 'h2', 'e2');
        await waitMoves(page, 2);
        await page.evaluate(() =>
            window.qarn.engine.worker.dispatchEvent(new ErrorEvent('error', { message: 'boom' })),
        );
        await page.waitForSelector('#engine-down:not([hidden])', WAIT);
        assert.match(await page.textContent('#engine-down'), /boom[^]*kept/);
        await page.click('#restart');
        await page.waitForSelector('#engine-state[data-state="ready"]', WAIT);
        assert.equal(await moveCount(page), 2);
        await click(page, 'h0', 'g2');
        await waitMoves(page, 4);

        silent = true;
        await page.evaluate(() => window.qarn.engine.start());
        await page.waitForSelector('#engine-state[data-state="ready"]', WAIT);
        await page.evaluate(() => Object.assign(window.qarn.engine, { quietMs: 300, pingMs: 300 }));
        await click(page, 'i0', 'i1');
        await page.waitForSelector('#engine-down:not([hidden])', WAIT);
        assert.match(await page.textContent('#engine-down'), /no longer answers/);
        silent = false;
        await page.click('#restart');
        await waitMoves(page, 6);
        assertLegalGame(await gameMoves(page));
    },
);

test(
    'the book answers at the start; a missing book gives a notice and Qarn plays on',
    { timeout: 300000 },
    async (t) => {
        let page = await open(t);
        await page.click('[data-mode="analyse"]');
        await page.waitForSelector('#analysis-depth:has-text("Book")', WAIT);
        assert.match(await page.textContent('#analysis-pv'), /^Book moves: .*炮二平五/);

        const route = { url: '**/qarn.bin', handler: (r) => r.fulfill({ status: 404, body: '' }) };
        page = await open(t, { route });
        await page.waitForSelector('.notice:has-text("No opening book")', WAIT);
        await click(page, 'h2', 'e2');
        await waitMoves(page, 2);
    },
);

test(
    'phone: Chinese from the browser, a tapped move, the language kept; phone screenshot',
    { timeout: 300000 },
    async (t) => {
        const page = await open(t, { locale: 'zh-CN', phone: true });
        assert.equal(await page.textContent('[data-mode="play"]'), '对弈');
        await page.tap('[data-square="b2"]');
        await page.tap('[data-square="e2"]');
        await waitMoves(page, 2);
        assertLegalGame(await gameMoves(page));
        assert.equal(await page.evaluate(() => document.documentElement.scrollWidth), 390);
        await page.waitForSelector('#play-status:has-text("轮到你走")', WAIT);
        await page.screenshot({ path: path.join(SHOTS, 'phone.png'), fullPage: true });

        // The worker's reason for refusing a FEN, in Chinese too.
        await page.tap('#panel-tools summary');
        await page.fill('#fen', '9/9 w');
        await page.tap('#fen-load');
        await page.waitForSelector('#tools-message.error', WAIT);
        assert.match(await page.textContent('#tools-message'), /^无法接受此 FEN：FEN 格式不对/);
        assert.equal(await moveCount(page), 2);

        await page.selectOption('#language', 'en');
        assert.equal(await page.textContent('[data-mode="play"]'), 'Play');
        await page.reload();
        await page.waitForSelector('#engine-state[data-state="ready"]', WAIT);
        assert.equal(await page.textContent('[data-mode="play"]'), 'Play');
        await waitMoves(page, 2);
    },
);

test(
    'review of a game with a planted blunder: graph, marks, better move, cancel; review screenshot',
    { timeout: 300000 },
    async (t) => {
        const page = await open(t, { query: '?book=none' });
        const planted = fs.readFileSync(path.join(ROOT, 'tests/data/review/planted.pgn'), 'utf8');
        await page.click('#panel-tools summary');
        await page.fill('#import-text', planted);
        await page.click('#import-load');
        await waitMoves(page, 18);
        await page.click('#panel-tools summary');
        await page.click('[data-mode="review"]');
        await page.selectOption('#review-depth', '6');
        await page.click('#review-start');
        await page.waitForSelector('#review-summary:not([hidden])', WAIT);
        assert.equal(await page.textContent('#review-status'), 'Reviewed at depth 6.');
        const moves = await gameMoves(page);

        // One point per ply; red's ninth move, b4b5, hangs a rook.
        const points = page.locator('#review-graph circle.ply');
        assert.equal(await points.count(), moves.length);
        assert.equal(moves[16], 'b4b5');
        assert.equal(await page.textContent('#move-list [data-ply="17"] .mark'), '??');
        assert.match(await page.textContent('#review-summary'), /Blunders\s*1/);

        // A point goes to its ply; before the blunder, the better move is an arrow.
        await points.nth(16).click({ force: true });
        await page.waitForSelector('#move-list [data-ply="17"].current', WAIT);
        assert.equal(await page.getAttribute('[data-at="b5"]', 'data-piece'), 'R');
        await points.nth(15).click({ force: true });
        await page.waitForSelector('#move-list [data-ply="16"].current', WAIT);
        assert.equal(await page.locator('.arrow.played').count(), 1);
        assert.equal(await page.locator('.arrow.better').count(), 1);
        const arrows = await page.evaluate(() => window.qarn.board.arrows.map((a) => a.move));
        assert.equal(arrows[0], 'b4b5');
        assert.ok(legalAfter(moves.slice(0, 16)).includes(arrows[1]), `better move ${arrows[1]}`);
        assert.match(await page.textContent('#review-comment'), /車八進一\?\? \(blunder\): \S+ was better/);
        await page.evaluate(() => document.activeElement.blur());
        await page.screenshot({ path: path.join(SHOTS, 'review.png') });

        await page.selectOption('#language', 'zh');
        assert.match(await page.textContent('#review-summary'), /败着/);
        assert.equal(await page.locator('#review-graph text', { hasText: '红方' }).count(), 1);
        await page.selectOption('#language', 'en');

        // Another game drops the review; a review cancelled leaves the engine to analyse.
        await page.click('#panel-tools summary');
        await page.fill('#import-text', OPENING);
        await page.click('#import-load');
        await waitMoves(page, 12);
        assert.equal(await page.locator('#move-list .mark').count(), 0);
        assert.equal(await page.locator('#review-graph svg').count(), 0);
        assert.match(await page.textContent('#review-status'), /changed/);
        await page.selectOption('#review-depth', '10');
        await page.click('#review-start');
        await page.waitForSelector('#review-cancel:not([hidden])', WAIT);
        await page.waitForFunction(() => document.querySelector('#review-progress').value >= 1, null, WAIT);
        await page.click('#review-cancel');
        assert.equal(await page.isVisible('#review-progress'), false);
        assert.equal(await page.locator('#review-graph svg').count(), 0);
        await page.click('[data-mode="analyse"]');
        await page.waitForFunction(
            () => Number(/depth (\d+)/.exec(document.querySelector('#analysis-depth').textContent)?.[1]) >= 6,
            null,
            WAIT,
        );
    },
);
