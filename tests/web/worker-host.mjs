// Runs the site's qarn-worker.js under Node as a browser runs it in a Worker: the script gets
// a global scope of its own with self, postMessage, onmessage, location and a fetch that
// reads the files beside it (run Node with --no-experimental-fetch: emscripten 3.1.6 trips
// over Node's own fetch). The worker's script needs nothing of Node.
import fs from 'node:fs';
import path from 'node:path';
import vm from 'node:vm';

// Every message is a task of its own, first in first out, as in a browser. Node's message
// ports deliver a whole queue in one go, which would keep the page's messages waiting
// behind the engine's yields: here all messages, the yields' too, go through setImmediate.
const pipe = (receive) => (data) => setImmediate(() => receive(structuredClone(data)));

class ImmediateChannel {
    constructor() {
        this.port1 = { onmessage: null };
        this.port2 = { postMessage: pipe((data) => this.port1.onmessage({ data })) };
    }
}

/** Starts the worker of `directory`; returns {post(message), listen(listener)}. */
export function startWorker(directory, query = '') {
    const listeners = [];
    const scope = {
        console,
        URL,
        TextDecoder,
        TextEncoder,
        WebAssembly,
        Uint8Array,
        ArrayBuffer,
        Promise,
        setTimeout,
        clearTimeout,
        performance,
        Error,
        MessageChannel: ImmediateChannel,
        location: { href: `file://${path.resolve(directory)}/qarn-worker.js${query}` },
        postMessage: pipe((data) => listeners.forEach((listener) => listener(data))),
        fetch: async (url) => {
            const file = new URL(url).pathname;
            if (!fs.existsSync(file)) return { ok: false, status: 404 };
            const bytes = fs.readFileSync(file);
            return { ok: true, status: 200, arrayBuffer: async () => new Uint8Array(bytes).buffer };
        },
    };
    scope.self = scope;
    vm.createContext(scope);
    const script = path.join(directory, 'qarn-worker.js');
    vm.runInContext(fs.readFileSync(script, 'utf8'), scope, { filename: script });
    return {
        post: pipe((data) => scope.onmessage({ data })),
        listen: (listener) => listeners.push(listener),
    };
}
