// The site's worker under Node: the engine sessions of tests/golden replayed line for line as
// tests/transcript_test.cpp replays them with the native engine, the book's cases, the
// structured calls, also made during searches, and the review call against the native
// qarn-review. Needs the built site (bash web/build.sh) and the native build:
//   node --no-experimental-fetch --test tests/web/worker.test.mjs
// QARN_SITE and QARN_NATIVE (default build) name other folders.
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { spawnSync } from 'node:child_process';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { startWorker } from './worker-host.mjs';

const ROOT = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const SITE = process.env.QARN_SITE || path.join(ROOT, 'build-web/site');
const NATIVE = process.env.QARN_NATIVE || path.join(ROOT, 'build');
const START = 'rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1';
const mask = (line) => line.replace(/\b(time_ms|time|nps|cpuload) \d+/g, '$1 *');
const endsSearch = (line) => /^bestmove |^nobestmove$|^e_CommGoPonder$/.test(line);

// Node ends a test whose only wait is on the engine: a timer keeps it running.
let keepAlive;
before(() => (keepAlive = setInterval(() => {}, 1000)));
after(() => clearInterval(keepAlive));

/** A worker with its output: next() gives the next line (null after the engine's exit). */
function session(query = '', directory = SITE) {
    const worker = startWorker(directory, query);
    const queue = [];
    const events = [];
    const log = []; // every message, in order
    const replies = new Map();
    let waiting = null;
    let lastId = 0;
    const deliver = (line) => {
        if (waiting) {
            const resolve = waiting;
            waiting = null;
            resolve(line);
        } else queue.push(line);
    };
    worker.listen((message) => {
        log.push(message);
        if (typeof message === 'string') deliver(message);
        else if (message.id !== undefined) replies.get(message.id)(message);
        else {
            events.push(message);
            if (message.event === 'exit') deliver(null);
        }
    });
    return {
        events,
        log,
        post: worker.post,
        next: () => (queue.length ? Promise.resolve(queue.shift()) : new Promise((r) => (waiting = r))),
        call: (call, args) =>
            new Promise((resolve) => {
                replies.set(++lastId, resolve);
                worker.post({ id: lastId, call, ...args });
            }),
        /** The first message since `from` (an index into log) that passes `test`. */
        message(test, from = 0) {
            return new Promise((resolve) => {
                const look = () => {
                    const found = log.slice(from).find(test);
                    if (found === undefined) setTimeout(look, 2);
                    else resolve(found);
                };
                look();
            });
        },
        async until(test) {
            for (let line; (line = await this.next()) !== null;) if (test(line)) return line;
            return null;
        },
    };
}

// ---- The golden engine sessions ----

// One line of a transcript and its replies, read up to the readyok of an isready sent after
// it (and for a go, up to the end of its search), as the native test reads them.
async function answer(engine, input) {
    engine.post(input);
    let out = '';
    if (input === 'quit') {
        for (let line; (line = await engine.next()) !== null;) out += mask(line) + '\n';
        return out;
    }
    const own = input === 'isready';
    let synced = false;
    let searching = input.startsWith('go ');
    if (!own) engine.post('isready');
    while (!synced || searching) {
        const reply = await engine.next();
        if (reply === null) return out + '(no answer)\n';
        if (reply === 'readyok' && !synced) {
            synced = true;
            if (!own) continue;
        }
        if (endsSearch(reply) || reply === '无法识别的指令。') searching = false;
        out += mask(reply) + '\n';
    }
    return out;
}

// The sessions the native transcript test replays, named in its source.
const transcriptSource = fs.readFileSync(path.join(ROOT, 'tests/transcript_test.cpp'), 'utf8');
const sessions = [...transcriptSource.match(/testing::Values\(([^)]*)\)/)[1].matchAll(/"(\w+)"/g)].map(
    (m) => m[1],
);

test('the golden engine sessions give the native output line for line', { timeout: 120000 }, async (t) => {
    assert.ok(sessions.length >= 6, 'sessions found in transcript_test.cpp');
    const gbk = new TextDecoder('gbk');
    for (const name of sessions) {
        await t.test(name, async () => {
            const bytes = fs.readFileSync(path.join(ROOT, 'tests/golden', `${name}.txt`));
            const expected = gbk.decode(bytes);
            const engine = session('?book=none');
            let got = '';
            for (const line of expected.split('\n')) {
                if (line.startsWith('# ')) got += line + '\n';
                if (line.startsWith('> ')) got += line + '\n' + (await answer(engine, line.slice(2)));
            }
            assert.equal(got.replace(/\n$/, ''), expected.replace(/\n$/, ''));
        });
    }
});

// ---- The book ----

test(
    'a missing or damaged book means no book, with a notice; the engine plays on',
    { timeout: 120000 },
    async (t) => {
        const good = fs.readFileSync(path.join(SITE, 'qarn.bin'));
        const header = Buffer.from([1, 2, 3, 4, ...new Array(12).fill(0)]);
        const cases = [
            ['the default book', good, true, /^book moves count=\d{3,}\.$/],
            ['no file', null, /qarn\.bin: HTTP 404$/],
            ['an empty file', Buffer.alloc(0), /not a book file$/],
            [
                'a wrong signature',
                Buffer.concat([Buffer.from([4, 3, 2, 1]), good.subarray(4)]),
                /not a book file$/,
            ],
            ['a record cut in its moves', good.subarray(0, 16 + 8 + 2 + 1), /a damaged book file$/],
            [
                'stray bytes after the last record',
                Buffer.concat([good, Buffer.from([9, 9, 9])]),
                true,
                /^book moves/,
            ],
            ['a header without records', header, true, /^book moves count=0\.$/],
        ];
        for (const [name, book, loaded, firstLine] of cases) {
            await t.test(name, async () => {
                const place = fs.mkdtempSync(path.join(os.tmpdir(), 'qarn-book-'));
                for (const file of ['qarn-worker.js', 'qarn-worker.wasm'])
                    fs.copyFileSync(path.join(SITE, file), path.join(place, file));
                if (book) fs.writeFileSync(path.join(place, 'qarn.bin'), book);
                const engine = session('', place);
                for (const line of ['ucci', 'position startpos', 'go depth 3']) engine.post(line);
                const first = await engine.next();
                assert.ok(await engine.until(endsSearch), 'a search ended');
                fs.rmSync(place, { recursive: true, force: true });
                assert.equal(engine.events.length, 1);
                const [event] = engine.events;
                assert.equal(event.event, 'book');
                if (loaded === true) {
                    assert.equal(event.loaded, true);
                    assert.match(first, firstLine);
                } else {
                    assert.equal(event.loaded, false);
                    assert.match(event.message, loaded);
                    assert.match(first, /^id name/);
                }
            });
        }
    },
);

// ---- The structured calls ----

const GAME_CASES = [
    {
        name: 'the start position',
        args: { moves: [] },
        expect: { ok: true, startFen: START, fen: START, side: 'red', check: false, over: null },
        legal: 44,
    },
    {
        name: 'two moves, in each notation, with FENs and counters',
        args: { fen: START, moves: ['h2e2', 'h9g7'] },
        expect: {
            ok: true,
            side: 'red',
            fen: 'rnbakab1r/9/1c4nc1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR w - - 2 2',
        },
        plies: [
            { move: 'h2e2', chinese: '炮二平五', wxf: 'C2=5', iccs: 'H2-E2', check: false, capture: false },
            { move: 'h9g7', chinese: '馬８進７', wxf: 'H8+7', iccs: 'H9-G7' },
        ],
    },
    {
        name: 'two rooks on a file are front and rear; a check',
        args: { fen: '3k5/9/9/9/9/R8/9/9/R8/5K3 w - - 0 1', moves: ['a4a5', 'd9d8', 'a1b1', 'd8e8', 'a5e5'] },
        plies: [
            { chinese: '前車進一', wxf: '+R+1' },
            { chinese: '將４進１', wxf: 'K4+1' },
            { chinese: '後車平八', wxf: '-R=8' },
            { chinese: '將４平５', wxf: 'K4=5' },
            { chinese: '車九平五', capture: false, check: true },
        ],
    },
    {
        name: 'a capture',
        args: { fen: '4k4/9/9/9/9/9/p8/9/9/R2K5 w - - 3 9', moves: ['a0a3'] },
        expect: { fen: '4k4/9/9/9/9/9/R8/9/9/3K5 b - - 0 9' },
        plies: [{ chinese: '車九進三', wxf: 'R9+3', capture: true, check: false }],
    },
    {
        name: 'checkmate',
        args: { fen: '3k5/R8/9/9/9/9/9/9/1R7/4K4 w - - 0 1', moves: ['b1b9'] },
        expect: { ok: true, side: 'black', check: true, over: 'mate', legal: [] },
        plies: [{ check: true }],
    },
    {
        name: 'no legal move, not in check',
        args: { fen: '3k5/R8/9/9/9/4R4/9/9/9/5K3 b - - 0 1', moves: [] },
        expect: { ok: true, check: false, over: 'stalemate', legal: [] },
    },
    {
        name: 'a cut FEN',
        args: { fen: 'rnbakabnr/9/1c5c1', moves: [] },
        expect: { ok: false },
        legal: 0,
        error: /not a FEN/,
    },
    {
        name: 'a FEN without a red king',
        args: { fen: 'rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBA1ABNR w - - 0 1', moves: [] },
        expect: { ok: false },
        legal: 0,
        error: /not a legal position/,
    },
    {
        name: 'an illegal second move: the first is kept',
        args: { moves: ['h2e2', 'h2e2', 'h9g7'] },
        expect: { ok: false, side: 'black' },
        plies: [{ move: 'h2e2' }],
        error: /move 2 \(h2e2\)/,
    },
    {
        name: 'a move text of the wrong length',
        args: { moves: ['h2e'] },
        expect: { ok: false },
        plies: [],
        error: /move 1/,
    },
];

function checkGame(result, { expect = {}, plies, legal, error }) {
    for (const [key, value] of Object.entries(expect)) assert.deepEqual(result[key], value, key);
    if (legal !== undefined) assert.equal(result.legal.length, legal);
    if (error) assert.match(result.error, error);
    if (plies) {
        assert.equal(result.plies.length, plies.length);
        plies.forEach((ply, i) => {
            for (const [key, value] of Object.entries(ply))
                assert.equal(result.plies[i][key], value, `ply ${i + 1} ${key}`);
        });
    }
}

const data = (name) => fs.readFileSync(path.join(ROOT, 'tests/data', name));
const utf8 = (text) => new TextEncoder().encode(text).buffer;
const PARSE_CASES = [
    {
        name: 'pasted PGN in Chinese with tags',
        file: 'pasted.pgn',
        bytes: utf8('[Event "x"]\n[FEN "' + START + '"]\n1. 炮二平五 馬８進７ 2. 馬二進三 1-0\n'),
        games: [
            { fen: START, moves: ['h2e2', 'h9g7', 'h0g2'], result: '1-0', tags: { Event: 'x', FEN: START } },
        ],
    },
    {
        name: 'GBK PGN, the second game stopped at an ambiguous move',
        file: 'gbk.pgn',
        bytes: data('pgn/gbk.pgn'),
        games: [
            {
                moves: 'h2e2 h9g7 h0g2 i9h9 i0h0',
                result: '0-1',
                tags: { Event: 'GB18030 \u{20000}', Result: '0-1' },
            },
            { moves: 'e6f6 d9e9', error: /^line 12: several legal moves match 前兵进一$/ },
        ],
    },
    {
        name: 'Big5 PGN',
        file: 'big5.pgn',
        bytes: data('pgn/big5.pgn'),
        games: [{ moves: 'h2e2 h7e7 h0g2 h9g7', tags: { Event: '功也久叻弓', Red: '許' } }],
    },
    {
        name: 'WXF PGN',
        file: 'wxf.pgn',
        bytes: data('pgn/wxf.pgn'),
        games: [{ moves: 'h2e2 h9g7 h0g2 i9h9 i0h0' }, {}],
    },
    {
        name: 'XQF, black first',
        file: 'g.xqf',
        bytes: data('xqf/black-first.xqf'),
        games: [{ moves: 'h7e7 h2e2' }],
    },
    {
        name: 'UCCI text',
        file: 'games.txt',
        bytes: utf8('h2e2 h9g7\nc3c4\n'),
        games: [{ moves: 'h2e2 h9g7' }, { moves: 'c3c4' }],
    },
    {
        name: 'no game at all',
        file: 'pasted.pgn',
        bytes: utf8('no game here'),
        games: [{ moves: '', error: /unreadable move/ }],
    },
];

test('structured calls: game and parse', { timeout: 120000 }, async (t) => {
    // Asked before ucci: the calls build the move tables themselves.
    const engine = session('?book=none');
    for (const c of GAME_CASES) {
        await t.test(`game: ${c.name}`, async () => {
            const reply = await engine.call('game', c.args);
            checkGame(reply.result, c);
        });
    }
    for (const c of PARSE_CASES) {
        await t.test(`parse: ${c.name}`, async () => {
            const { result } = await engine.call('parse', { name: c.file, bytes: c.bytes });
            assert.equal(result.games.length, c.games.length);
            c.games.forEach((want, i) => {
                const game = result.games[i];
                const moves =
                    typeof want.moves === 'string' ? want.moves.split(' ').filter(Boolean) : want.moves;
                if (moves) assert.deepEqual(game.moves, moves);
                if (want.fen) assert.equal(game.fen, want.fen);
                if (want.result) assert.equal(game.result, want.result);
                if (want.tags) assert.deepEqual(game.tags, want.tags);
                if (want.error) assert.match(game.error, want.error);
                else if (want.moves) assert.equal(game.error, undefined);
            });
        });
    }
    const unknown = await engine.call('analyse', {});
    assert.match(unknown.error, /unknown call/);
    const noBytes = await engine.call('parse', { name: 'a.pgn' });
    assert.match(noBytes.error, /ArrayBuffer/);
    const tooBig = await engine.call('parse', { name: 'a.pgn', bytes: new ArrayBuffer((1 << 20) + 1) });
    assert.match(tooBig.error, /larger than 1 MiB/);
});

// Two searches, once alone and once with a call every few milliseconds: the calls are
// answered while the search is suspended, and its output stays the same.
async function searchOutput(withCalls) {
    const engine = session('?book=none');
    engine.post('ucci');
    await engine.until((line) => line === 'ucciok');
    let lines = '';
    let calls = 0;
    for (const position of ['midgamepos', 'startpos moves h2e2 h9g7 h0g2 i9h9 i0h0 b9c7']) {
        engine.post('position ' + position);
        engine.post('go depth 8');
        let searching = true;
        const done = engine.until((line) => {
            lines += mask(line) + '\n';
            return endsSearch(line);
        });
        done.then(() => (searching = false));
        while (withCalls && searching) {
            const { result } = await engine.call('game', { moves: ['h2e2'] });
            assert.equal(result.legal.length, 45);
            calls++;
            await new Promise((resolve) => setTimeout(resolve, 3));
        }
        await done;
    }
    return { lines, calls };
}

test('calls during searches are answered and change nothing', { timeout: 120000 }, async () => {
    const quiet = await searchOutput(false);
    const busy = await searchOutput(true);
    assert.ok(busy.calls >= 10, `${busy.calls} calls`);
    assert.equal(busy.lines, quiet.lines);
});

// ---- The review call ----

const PLANTED = path.join(ROOT, 'tests/data/review/planted.pgn');
const REVIEW_DEPTH = 6;

// The main line of qarn-review's PGN: per move its text, NAG, eval and better move.
function annotatedMoves(pgn) {
    const body = pgn.replace(/^\[.*\]$/gm, '').replace(/\([^()]*\)/g, '');
    const moves = [];
    let summary = '';
    for (const [, comment, nag, number, move] of body.matchAll(
        /(\{[^}]*\})|\$(\d+)|(\d+\.(?:\.\.)?|\*|1-0|0-1|1\/2-1\/2)|(\S+)/g,
    )) {
        const last = moves.at(-1);
        if (move) moves.push({ move, nag: 0, eval: null, better: undefined });
        else if (nag) last.nag = Number(nag);
        else if (comment && !last) summary = comment.replace(/\s+/g, ' ');
        else if (comment) {
            last.eval = /\[%eval (\S+)\]/.exec(comment)?.[1] ?? null;
            last.better = /:\s+(\S+)\s+was\s+better/.exec(comment)?.[1];
        }
    }
    return { summary, moves };
}

function freshSearch(lines) {
    const engine = session('?book=none');
    for (const line of ['ucci', ...lines]) engine.post(line);
    return searchLines(engine);
}

async function searchLines(engine) {
    let out = '';
    await engine.until((line) => {
        if (line.startsWith('info') || endsSearch(line)) out += mask(line) + '\n';
        return endsSearch(line);
    });
    return out;
}

// planted.pgn as the worker's parse call reads it: its moves and tags.
async function plantedGame(engine) {
    const { result } = await engine.call('parse', { name: 'planted.pgn', bytes: fs.readFileSync(PLANTED) });
    return result.games[0];
}

test(
    'review: the marks, scores, better moves and graph of the native qarn-review',
    { timeout: 120000 },
    async () => {
        // Before ucci, as the structured calls.
        const engine = session('?book=none');
        const game = await plantedGame(engine);
        const { Red, Black, Event } = game.tags;
        const title = `Game 1: ${Red} - ${Black}, ${Event}`; // as qarn-review titles its graph
        const { result } = await engine.call('review', { moves: game.moves, depth: REVIEW_DEPTH, title });

        const svgPath = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'qarn-review-')), 'game.svg');
        const run = spawnSync(
            path.join(NATIVE, 'qarn-review'),
            ['--depth', String(REVIEW_DEPTH), '-j', '1', '--svg', svgPath, PLANTED],
            { encoding: 'utf8' },
        );
        assert.equal(run.status, 0, run.stderr);
        const native = annotatedMoves(run.stdout);
        assert.equal(result.svg, fs.readFileSync(svgPath, 'utf8'));
        fs.rmSync(path.dirname(svgPath), { recursive: true });

        assert.equal(result.depth, REVIEW_DEPTH);
        assert.equal(result.plies.length, game.moves.length);
        assert.equal(result.plies[16].mark, 'blunder', 'the planted blunder');
        result.plies.forEach((ply, i) => {
            const want = native.moves[i];
            assert.equal(ply.move, game.moves[i]);
            assert.equal(ply.side, i % 2 ? 'black' : 'red');
            assert.deepEqual(
                [ply.nag, ply.eval, ply.better?.line[0].chinese],
                [want.nag, want.eval, want.better],
                `ply ${i + 1}`,
            );
            assert.equal(ply.mark !== 'none', Boolean(ply.better));
            if (ply.better) assert.equal(ply.better.line[0].move, ply.better.move);
        });
        for (const [name, side] of [
            ['Red', 'red'],
            ['Black', 'black'],
        ]) {
            const numbers = new RegExp(
                `${name}: (\\d+) inaccurac\\w+, (\\d+) mistakes?, (\\d+) blunders?, average loss (\\d+\\.\\d), accuracy (\\d+\\.\\d)`,
            ).exec(native.summary);
            const { inaccuracies, mistakes, blunders, averageLoss, accuracy } = result.sides[side];
            assert.deepEqual(
                [inaccuracies, mistakes, blunders, averageLoss.toFixed(1), accuracy.toFixed(1)].map(String),
                numbers.slice(1),
                name,
            );
        }
        const progress = engine.events.filter((e) => e.event === 'progress').map((e) => [e.done, e.total]);
        const total = game.moves.length + 1;
        assert.deepEqual(
            progress,
            Array.from({ length: total }, (_, i) => [i + 1, total]),
        );
    },
);

test(
    'review: a running search is stopped first; isready answered, other lines after it; cancel; refusals',
    { timeout: 120000 },
    async (t) => {
        const engine = session('?book=none');
        engine.post('ucci');
        const game = await plantedGame(engine);
        const search = ['position startpos moves h2e2', 'go depth 5'];
        const fresh = await freshSearch(search);

        await t.test('a go infinite is stopped, isready is answered, the rest waits', async () => {
            engine.post('position midgamepos');
            engine.post('go infinite');
            await engine.until((line) => line.startsWith('info depth 3'));
            const from = engine.log.length;
            const reviewing = engine.call('review', { moves: game.moves, depth: REVIEW_DEPTH });
            await engine.message((m) => m.event === 'progress' && m.done === 2, from);
            engine.post('isready');
            engine.post(search.join('\n'));
            const { result } = await reviewing;
            assert.equal(result.plies.length, game.moves.length);
            assert.match(await engine.until(endsSearch), /^bestmove /);
            assert.equal(await engine.next(), 'readyok');
            assert.equal(await searchLines(engine), fresh, "the search after the review is a fresh engine's");
            const log = engine.log.slice(from);
            const first = log.findIndex((m) => m.event === 'progress');
            const reply = log.findIndex((m) => m.result);
            assert.match(
                log
                    .slice(0, first)
                    .filter((m) => typeof m === 'string')
                    .at(-1),
                /^bestmove /,
            );
            assert.deepEqual(
                log.slice(first, reply).filter((m) => typeof m === 'string'),
                ['readyok'],
            );
        });

        await t.test('cancelled, the engine searches as before', async () => {
            const from = engine.log.length;
            const reviewing = engine.call('review', { moves: game.moves, depth: 8 });
            await engine.message((m) => m.event === 'progress' && m.done === 3, from);
            assert.match((await engine.call('review', { moves: [] })).error, /a review is running/);
            assert.deepEqual((await engine.call('cancelReview')).result, { cancelled: true });
            assert.equal((await reviewing).error, 'cancelled');
            for (const line of search) engine.post(line);
            assert.equal(await searchLines(engine), fresh);
            assert.deepEqual((await engine.call('cancelReview')).result, { cancelled: false });
            const steps = engine.log.slice(from).filter((m) => m.event === 'progress');
            assert.ok(steps.length < game.moves.length, `${steps.length} steps`);
        });

        const refusals = [
            [{ moves: ['h2e2', 'h9g7', 'h2e2'] }, /^move 3 \(h2e2\) is not legal in its position$/],
            [{ moves: ['h2e'] }, /^move 1 \(h2e\) is not legal/],
            [{ fen: START.replace('RNBAKABNR', 'RNBA1ABNR') }, /not a legal position/],
            [{ depth: 0 }, /depth must be 1 to 31/],
            [{ depth: 8.5 }, /depth must be 1 to 31/],
        ];
        for (const [args, error] of refusals) {
            await t.test(`refused: ${JSON.stringify(args)}`, async () => {
                assert.match((await engine.call('review', args)).error, error);
            });
        }
    },
);
