// The engine in a Web Worker (appended to the generated qarn-worker.js). docs/web.md
// describes the messages:
// - a string posted to the worker is a protocol line (several, when it holds line feeds);
//   each line the engine prints comes back as one string, its GBK texts decoded;
// - an object {id, call, ...} is a structured call ('game', 'parse'), answered by {id, result}
//   or {id, error}, also while a search runs;
// - the call 'review' reviews a game one position at a time, with {event: 'progress', call,
//   done, total} after each; 'cancelReview' ends it. While it runs, the lines but isready
//   wait, and go to the engine in order when it has ended;
// - the worker posts {event: 'book', loaded, message} once it knows whether the book was
//   read, and {event: 'exit', code} when the engine has ended (after quit).
// The book is qarn.bin beside this script; ?book=NAME on the script's URL names another
// file beside it, and ?book=none means no book.
(function () {
    'use strict';
    const here = new URL(self.location.href);
    const bookName = here.searchParams.get('book') || 'qarn.bin';
    const gbk = new TextDecoder('gbk');
    const utf8 = new TextEncoder();
    const bookProblems = ['', 'not a book file', 'a damaged book file', 'unreadable'];
    // The largest file 'parse' takes: the engine's fixed memory holds a few times this while
    // it reads (1.9 MB of games still read whole, 3 MB did not).
    const MAX_PARSE_BYTES = 1 << 20;

    let engine = null;
    let started = false;
    let ended = false;
    const early = []; // messages that came before the engine started
    let waitingForLine = null;
    let yielded = null;
    // The review under way: {id, args, total, started}; the lines held back meanwhile.
    let review = null;
    const held = [];
    // The engine's yields resume from a message to this worker itself, so that every message
    // already queued runs first; a timer would wait 4 ms or more.
    const channel = new MessageChannel();
    channel.port1.onmessage = () => {
        const wakeUp = yielded;
        yielded = null;
        resume(wakeUp);
    };

    // The review's steps, one task each, so that the messages queued meanwhile run between them.
    // At most one step is queued: the review call and the engine's wait for input may both ask
    // for the first, and two chains of steps would then run side by side.
    const reviewChannel = new MessageChannel();
    let stepQueued = false;
    reviewChannel.port1.onmessage = () => {
        stepQueued = false;
        reviewStep();
    };
    const nextReviewStep = () => {
        if (!stepQueued) reviewChannel.port2.postMessage(0);
        stepQueued = true;
    };

    // Resumes the engine's stack. After quit the engine ends it by throwing 'unwind'.
    function resume(wakeUp) {
        try {
            wakeUp();
        } catch (e) {
            if (e !== 'unwind') throw e;
        }
    }

    // A stream's bytes, posted a line at a time.
    function lineWriter() {
        let bytes = [];
        return (byte) => {
            if (byte === 10) {
                self.postMessage(gbk.decode(new Uint8Array(bytes)));
                bytes = [];
            } else if (byte !== null && byte !== undefined) {
                bytes.push(byte & 255);
            }
        };
    }

    // Copies bytes into the engine's memory, NUL-terminated, for the length of `use`.
    function withBytes(bytes, use) {
        const pointer = engine._malloc(bytes.length + 1);
        if (!pointer) throw new Error('out of memory');
        engine.HEAPU8.set(bytes, pointer);
        engine.HEAPU8[pointer + bytes.length] = 0;
        try {
            return use(pointer, bytes.length);
        } finally {
            engine._free(pointer);
        }
    }

    const withText = (text, use) => withBytes(utf8.encode(text), use);
    const decoders = {};
    // A tag's value comes as its bytes, one character each, in the game's encoding.
    const decodeTag = (value, encoding) =>
        (decoders[encoding] ??= new TextDecoder(encoding)).decode(
            Uint8Array.from(value, (c) => c.charCodeAt(0)),
        );
    const answer = (pointer) => JSON.parse(engine.UTF8ToString(pointer));

    // A review starts once the engine waits for input: a running search is stopped first (its
    // bestmove comes as after stop). Then one position per step; the result once all are done.
    function reviewStep() {
        if (!review) return;
        const { id, args } = review;
        try {
            if (!review.started) {
                if (!waitingForLine) return; // the engine's wait for input calls again
                const start = withText(args.fen, (f) =>
                    withText(args.moves, (m) =>
                        withText(args.title, (t) => answer(engine._qarn_review_start(f, m, args.depth, t))),
                    ),
                );
                if ('error' in start) return finishReview({ id, error: start.error });
                Object.assign(review, { started: true, total: start.positions });
            } else {
                const done = engine._qarn_review_step();
                self.postMessage({ event: 'progress', call: id, done, total: review.total });
                if (done === review.total)
                    return finishReview({ id, result: answer(engine._qarn_review_finish()) });
            }
        } catch (e) {
            finishReview({ id, error: String(e.message || e) });
            if (e instanceof WebAssembly.RuntimeError) throw e;
            return;
        }
        nextReviewStep();
    }

    // Answers the review and hands the engine the lines that waited.
    function finishReview(reply) {
        review = null;
        self.postMessage(reply);
        for (const line of held.splice(0)) pushLine(line);
    }

    function pushLine(line) {
        withText(line, (pointer, length) => engine._qarn_push_line(pointer, length));
        if (waitingForLine) {
            const wakeUp = waitingForLine;
            waitingForLine = null;
            resume(wakeUp);
        }
    }

    // Each call gives {result} or {error}; 'review' answers later by itself (null).
    const calls = {
        game: ({ fen = '', moves = [] }) => ({
            result: withText(String(fen), (f) =>
                withText(Array.from(moves, String).join(' '), (m) => answer(engine._qarn_game(f, m))),
            ),
        }),
        parse: ({ name = '', bytes }) => {
            if (!(bytes instanceof ArrayBuffer) && !ArrayBuffer.isView(bytes)) {
                return { error: 'bytes must be an ArrayBuffer' };
            }
            const view =
                bytes instanceof ArrayBuffer
                    ? new Uint8Array(bytes)
                    : new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
            if (view.length > MAX_PARSE_BYTES) return { error: 'the file is larger than 1 MiB' };
            const games = withText(String(name), (n) =>
                withBytes(view, (b, size) => answer(engine._qarn_parse(n, b, size))),
            );
            if ('error' in games) return games;
            for (const game of games.games) {
                for (const name of Object.keys(game.tags))
                    game.tags[name] = decodeTag(game.tags[name], game.encoding);
                delete game.encoding;
            }
            return { result: games };
        },
        review: ({ id, fen = '', moves = [], depth = 8, title = '' }) => {
            if (review) return { error: 'a review is running' };
            if (ended) return { error: 'the engine has ended' };
            if (!Number.isInteger(depth) || depth < 1 || depth > 31)
                return { error: 'depth must be 1 to 31' };
            const args = {
                fen: String(fen),
                moves: Array.from(moves, String).join(' '),
                depth,
                title: String(title),
            };
            review = { id, args, started: false };
            if (waitingForLine) nextReviewStep();
            else pushLine('stop');
            return null;
        },
        cancelReview: () => {
            if (!review) return { result: { cancelled: false } };
            if (review.started) engine._qarn_review_cancel();
            finishReview({ id: review.id, error: 'cancelled' });
            return { result: { cancelled: true } };
        },
    };

    function handle(data) {
        if (typeof data === 'string') {
            if (!review) return pushLine(data);
            // During a review only isready reaches the engine, which waits for input then.
            const lines = data.split('\n');
            if (lines.length > 1 && data.endsWith('\n')) lines.pop();
            for (const line of lines) (line.trim() === 'isready' ? pushLine : held.push.bind(held))(line);
        } else if (data && typeof data === 'object' && 'call' in data) {
            const call = Object.hasOwn(calls, data.call) ? calls[data.call] : null;
            let reply;
            try {
                reply = call ? call(data) : { error: 'unknown call ' + data.call };
            } catch (e) {
                self.postMessage({ id: data.id, error: String(e.message || e) });
                // An engine that trapped or aborted is gone: the worker's error event says so.
                if (e instanceof WebAssembly.RuntimeError) throw e;
                return;
            }
            if (reply) self.postMessage({ id: data.id, ...reply });
        }
    }
    self.onmessage = (event) => (started ? handle(event.data) : early.push(event.data));

    async function fetchBytes(name) {
        const response = await fetch(new URL(name, here));
        if (!response.ok) throw new Error('HTTP ' + response.status);
        return new Uint8Array(await response.arrayBuffer());
    }

    // Installs the book where the engine looks for it, but only a book the engine reads whole:
    // a malformed one would end it.
    function installBook(book) {
        let problem = book instanceof Error ? book.message : '';
        if (!problem) {
            problem =
                bookProblems[withBytes(book, (pointer, size) => engine._qarn_check_book(pointer, size))];
        }
        if (problem) {
            self.postMessage({ event: 'book', loaded: false, message: bookName + ': ' + problem });
            return;
        }
        engine.FS_createPath('/', 'engine', true, true);
        engine.FS_createDataFile('/engine', 'qarn.bin', book, true, false);
        self.postMessage({ event: 'book', loaded: true, message: bookName });
    }

    const book = bookName === 'none' ? null : fetchBytes(bookName).catch((e) => e);
    fetchBytes('qarn-worker.wasm')
        .then((wasmBinary) =>
            createQarnModule({
                wasmBinary,
                noInitialRun: true,
                stdin: () => null,
                stdout: lineWriter(),
                stderr: lineWriter(),
                qarnYield: (wakeUp) => {
                    yielded = wakeUp;
                    channel.port2.postMessage(0);
                },
                qarnWaitForMessage: (wakeUp) => {
                    waitingForLine = wakeUp;
                    if (review && !review.started) nextReviewStep();
                },
                qarnExit: (code) => {
                    ended = true;
                    self.postMessage({ event: 'exit', code });
                },
            }),
        )
        .then(async (module) => {
            engine = module;
            if (book) installBook(await book);
            engine.callMain([]);
        })
        // Thrown from timers, outside the promises, so that the page gets the worker's error
        // event; the messages that waited are handled first, in order.
        .then(
            () =>
                setTimeout(() => {
                    started = true;
                    early.splice(0).forEach(handle);
                }),
            (e) =>
                setTimeout(() => {
                    throw new Error('the engine did not start: ' + e.message);
                }),
        );
})();
