// The page's side of the worker interface (docs/web.md): UCCI lines in both directions,
// structured calls answered by id, and events. One search runs at a time; a new one stops the
// old one first, because the engine ignores every command but `stop` and `isready` while it
// searches. A watchdog declares the worker dead when it stops answering, so that the page can
// say so and offer a restart with the game kept.

// Patience, in milliseconds (fields of the Engine, so that a test can shorten them).
const TIMEOUTS = {
    handshakeMs: 30000, // loading and compiling the engine on a slow phone
    quietMs: 5000, // silent this long while an answer is owed: ask `isready`
    pingMs: 10000, // no answer to `isready` within this: the worker is dead
};

/** The reason given when the worker stops answering (the page shows it in its own words). */
export const NO_ANSWER = 'no answer from the engine';

/** Reads an `info` line into {depth, mdepth, score | mate, bound, time, nodes, nps, pv}. */
export function parseInfo(line) {
    const t = line.trim().split(/\s+/);
    const info = {};
    for (let i = 1; i < t.length; i++) {
        const word = t[i];
        if (['depth', 'mdepth', 'time', 'nodes', 'nps', 'cpuload'].includes(word)) {
            info[word] = Number(t[++i]);
        } else if (word === 'score') {
            if (t[i + 1] === 'MATE') {
                info.mate = Number(t[i + 2]);
                i += 2;
            } else {
                info.score = Number(t[++i]);
            }
        } else if (word === 'lowerbound' || word === 'upperbound') {
            info.bound = word;
        } else if (word === 'pv') {
            info.pv = t.slice(i + 1);
            break;
        }
    }
    return info;
}

export class Engine {
    /**
     * listener: onState(state, reason) with state 'starting' | 'ready' | 'dead';
     * onEvent(event) for the worker's events (book); onLine(line) sees every line (a log).
     */
    constructor(url, listener) {
        this.url = url;
        this.listener = listener;
        this.state = 'off';
        this.name = 'Qarn';
        this.worker = null;
        this.nextId = 1;
        this.pending = new Map();
        this.held = []; // messages posted before the handshake ended
        this.current = null; // the search the engine is running
        this.queued = null; // the search to start once the current one has ended
        this.timer = 0;
        Object.assign(this, TIMEOUTS);
    }

    /**
     * Starts a new worker, or takes over `early`, one the page started and sent ucci before its
     * modules had loaded, with the events it has sent meanwhile (`early.events`).
     */
    start(early = null) {
        this.shutDown();
        this.state = 'starting';
        this.heardAt = performance.now();
        this.pingAt = 0;
        this.listener.onState?.('starting');
        try {
            this.worker = early ?? new Worker(this.url);
        } catch (e) {
            this.die(String(e.message || e));
            return;
        }
        this.worker.onmessage = (e) => this.receive(e.data);
        this.worker.onerror = (e) => {
            e.preventDefault();
            this.die(e.message || 'worker error');
        };
        this.worker.onmessageerror = () => this.die('unreadable message from the worker');
        if (!early) this.worker.postMessage('ucci');
        this.timer = setInterval(() => this.watch(), 250);
        for (const event of early?.events ?? []) {
            if (event.type === 'message') this.receive(event.data);
            else this.die(event.message || 'worker error');
        }
    }

    /**
     * A structured call; resolves with its result, rejects with its error or when the worker dies.
     * onProgress gets the call's progress events ({done, total}: the review's).
     */
    call(name, args = {}, onProgress = null) {
        if (this.state === 'dead' || this.state === 'off') {
            return Promise.reject(new Error('engine stopped'));
        }
        const id = this.nextId++;
        return new Promise((resolve, reject) => {
            this.pending.set(id, { resolve, reject, onProgress });
            this.send({ id, call: name, ...args });
        });
    }

    /**
     * Runs `position` and `go` and resolves when the search ends, with {bestmove, ponder} or
     * {bestmove: null} for `nobestmove`; {cancelled: true} when another search or cancel()
     * superseded it, {dead: true} when the worker died. onInfo gets each parsed info line.
     */
    search(position, go, onInfo) {
        if (this.state === 'dead' || this.state === 'off') return Promise.resolve({ dead: true });
        return new Promise((resolve) => {
            if (this.queued) this.queued.resolve({ cancelled: true });
            this.queued = { position, go, onInfo, resolve };
            if (this.current) this.stopCurrent();
            else this.startQueued();
        });
    }

    /** Drops the queued search and stops the running one; their results are discarded. */
    cancel() {
        if (this.queued) {
            this.queued.resolve({ cancelled: true });
            this.queued = null;
        }
        if (this.current) this.stopCurrent();
    }

    get searching() {
        return Boolean(this.current || this.queued);
    }

    // Posting: held back until `ucciok`, dropped when the worker is gone.
    send(message) {
        if (this.state === 'ready') this.worker.postMessage(message);
        else if (this.state === 'starting') this.held.push(message);
    }

    startQueued() {
        if (!this.queued) return;
        this.current = this.queued;
        this.queued = null;
        this.send(this.current.position);
        this.send(this.current.go);
    }

    stopCurrent() {
        if (this.current.cancelled) return;
        this.current.cancelled = true;
        this.send('stop');
    }

    receive(data) {
        this.heardAt = performance.now();
        this.pingAt = 0;
        if (typeof data === 'string') {
            for (const line of data.split('\n')) if (line.trim()) this.receiveLine(line.trim());
        } else if (data && data.id !== undefined) {
            const call = this.pending.get(data.id);
            if (!call) return;
            this.pending.delete(data.id);
            if ('error' in data) call.reject(new Error(data.error));
            else call.resolve(data.result);
        } else if (data && data.event === 'progress') {
            this.pending.get(data.call)?.onProgress?.(data);
        } else if (data && data.event === 'exit') {
            this.die(`engine exited (code ${data.code})`);
        } else if (data && data.event) {
            this.listener.onEvent?.(data);
        }
    }

    receiveLine(line) {
        this.listener.onLine?.(line);
        if (this.state === 'starting') {
            // The name up to its version number ("Qarn chess engine 0.7.5"), for the page's texts.
            if (line.startsWith('id name '))
                this.name = /^\s*(.*?\d+(\.\d+)+|.*)/.exec(line.slice(8))[1].trim();
            if (line === 'ucciok') {
                this.state = 'ready';
                for (const message of this.held.splice(0)) this.worker.postMessage(message);
                this.listener.onState?.('ready');
            }
            return;
        }
        if (line.startsWith('info ')) {
            if (this.current && !this.current.cancelled) this.current.onInfo?.(parseInfo(line));
        } else if (line.startsWith('bestmove') || line.startsWith('nobestmove')) {
            const ended = this.current;
            this.current = null;
            if (ended) {
                const words = line.split(/\s+/);
                ended.resolve({
                    cancelled: Boolean(ended.cancelled),
                    bestmove: words[0] === 'bestmove' ? words[1] : null,
                    ponder: words[2] === 'ponder' ? words[3] : null,
                });
            }
            this.startQueued();
        }
    }

    // Runs four times a second: anything owed (the handshake, a call, a search) must show a sign of
    // life; a long search is silent between info lines, so it is asked `isready` first.
    watch() {
        const now = performance.now();
        const owed = this.state === 'starting' || this.pending.size > 0 || this.current;
        if (!owed) {
            this.heardAt = now;
            return;
        }
        if (this.state === 'starting') {
            if (now - this.heardAt > this.handshakeMs) this.die(NO_ANSWER);
        } else if (!this.pingAt && now - this.heardAt > this.quietMs) {
            this.pingAt = now;
            this.worker.postMessage('isready');
        } else if (this.pingAt && now - this.pingAt > this.pingMs) {
            this.die(NO_ANSWER);
        }
    }

    die(reason) {
        if (this.state === 'dead') return;
        this.shutDown();
        this.state = 'dead';
        this.listener.onState?.('dead', reason);
    }

    // Ends the worker and settles everything that waited on it.
    shutDown() {
        clearInterval(this.timer);
        if (this.worker) this.worker.terminate();
        this.worker = null;
        this.held = [];
        for (const call of this.pending.values()) call.reject(new Error('engine stopped'));
        this.pending.clear();
        for (const s of [this.current, this.queued]) if (s) s.resolve({ dead: true });
        this.current = this.queued = null;
    }
}
