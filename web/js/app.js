// The page's controller: it owns the game (start position, moves, shown ply), asks the worker
// about it, and keeps the board, the move list and the panels in step. The modes (play,
// analyse, review) decide what the engine does with the shown position and whether the board
// takes moves; they share one interface: enter, leave, canMove, positionChanging,
// positionReady, render, arrows.

import { AnalysisMode } from './analysis.js';
import { Board } from './board.js';
import { Engine, NO_ANSWER } from './engine.js';
import {
    START_FEN,
    boardFromFen,
    newGame,
    numberedMoves,
    otherSide,
    resultOfLine,
    sideOfPly,
    toPgn,
} from './game.js';
import { currentLanguage, detectLanguage, explain, setLanguage, t } from './i18n.js';
import { PlayMode, STRENGTHS, strengthLabel } from './play.js';
import { ReviewMode } from './review.js';

// Remembered across visits: the strength and the notation. A visit starts as a new game with
// the player as red; the game in progress is kept per tab (sessionStorage), so that a reload
// or a tab the phone discarded comes back with it.
const SETTINGS_KEY = 'qarn.settings';
const SESSION_KEY = 'qarn.session';
const DEFAULT_SETTINGS = { side: 'red', strength: 'time 2', notation: 'chinese' };

// A position goes to the engine as the game's start and every move since, so that it sees the
// repetitions. Its history holds fewer than 3840 moves and its lines 32 KiB; a longer game
// (never seen in play) starts this many moves back.
const MAX_POSITION_MOVES = 3000;

// A FEN pasted where a game is expected: ten ranks of placement.
const FEN_SHAPE = /^\s*[1-9a-zA-Z]+(\/[1-9a-zA-Z]+){9}(\s|$)/;

const $ = (selector) => document.querySelector(selector);

function loadSettings() {
    const settings = { ...DEFAULT_SETTINGS };
    try {
        const { strength, notation } = JSON.parse(localStorage.getItem(SETTINGS_KEY) || '{}');
        if (STRENGTHS.includes(strength)) settings.strength = strength;
        if (['chinese', 'iccs', 'wxf'].includes(notation)) settings.notation = notation;
    } catch {
        // defaults
    }
    return settings;
}

function loadSession() {
    try {
        const session = JSON.parse(sessionStorage.getItem(SESSION_KEY));
        return typeof session?.game?.startFen === 'string' && Array.isArray(session.game.moves)
            ? session
            : null;
    } catch {
        return null;
    }
}

class App {
    constructor() {
        this.settings = loadSettings();
        this.game = newGame();
        this.line = null; // the worker's answer for the whole game: notation and FEN per ply
        this.shown = null; // its answer for the shown position: legal moves, check, end
        this.cursor = 0; // the shown ply: the position after this many moves
        this.token = 0; // counts changes, so that answers about an older state are dropped
        this.imported = [];

        this.board = new Board($('#board'), (move) => this.playerMove(move));
        this.engine = new Engine(self.qarnWorkerUrl ?? 'qarn-worker.js', {
            onState: (state, reason) => this.engineState(state, reason),
            onEvent: (event) => this.engineEvent(event),
        });
        this.modes = {
            play: new PlayMode(this),
            analyse: new AnalysisMode(this),
            review: new ReviewMode(this),
        };
        this.mode = this.modes.play;

        setLanguage(detectLanguage());
        const session = loadSession();
        if (session) this.settings.side = ['black', 'none'].includes(session.side) ? session.side : 'red';
        this.bindControls();
        this.fillStrengths();
        if (session) {
            const { startFen, moves, tags, result, vsEngine } = session.game;
            this.setGame(
                { ...newGame(startFen, moves, tags ?? {}, result ?? '*'), vsEngine },
                Math.min(Number(session.cursor) || 0, moves.length),
            );
            this.setFlipped(Boolean(session.flipped));
        } else {
            this.startPlayGame();
        }
        this.setMode(session?.mode in this.modes ? session.mode : 'play');
        // The worker that index.html started, once.
        this.engine.start(self.qarnWorker);
        self.qarnWorker = null;
    }

    // ---- The game and the shown position ----

    atEnd() {
        return this.cursor === this.game.moves.length;
    }

    /** The plies of the worker's line that belong to the game as it is now. */
    knownPlies() {
        const plies = this.line?.plies ?? [];
        let n = 0;
        while (n < plies.length && n < this.game.moves.length && plies[n].move === this.game.moves[n]) n++;
        return plies.slice(0, n);
    }

    fenAt(ply) {
        return ply === 0 ? (this.line?.startFen ?? this.game.startFen) : this.line.plies[ply - 1].fen;
    }

    /** The `position` command for the shown position. */
    positionCommand() {
        const from = Math.max(0, this.cursor - MAX_POSITION_MOVES);
        const moves = this.game.moves.slice(from, this.cursor);
        return `position fen ${this.fenAt(from)}${moves.length ? ` moves ${moves.join(' ')}` : ''}`;
    }

    // Every change of the game or of the shown ply comes here: the mode stops what it did with
    // the old position, the page shows what it already knows, and the worker is asked the rest.
    async refresh() {
        const token = ++this.token;
        this.saveSession();
        this.shown = null;
        this.mode.positionChanging();
        this.render();
        const known = this.line?.ok && this.knownPlies().length === this.game.moves.length;
        let line = known ? this.line : null;
        let shown;
        try {
            line ??= await this.engine.call('game', { fen: this.game.startFen, moves: this.game.moves });
            if (token !== this.token) return;
            this.line = line;
            if (!line.ok) {
                // Only moves the worker offered reach the game, so this is a worker's fault:
                // keep the part it accepted.
                this.notify(t('importFailed', { error: explain(line.error) }), 'error');
                this.game.moves = this.game.moves.slice(0, line.plies.length);
                this.cursor = Math.min(this.cursor, this.game.moves.length);
            }
            shown = this.atEnd()
                ? line
                : await this.engine.call('game', { fen: this.fenAt(this.cursor), moves: [] });
        } catch {
            return; // the worker is gone: the banner says so, and a restart refreshes
        }
        if (token !== this.token) return;
        this.shown = shown;
        this.render();
        this.mode.positionReady();
    }

    /** A move at the shown ply: the game's next move if it is the same, else the game is cut there. */
    play(move) {
        this.board.showMove(move);
        if (this.game.moves[this.cursor] !== move) {
            this.game.moves = [...this.game.moves.slice(0, this.cursor), move];
            this.game.result = '*';
        }
        this.cursor++;
        this.refresh();
    }

    playerMove(move) {
        if (this.shown?.legal.includes(move) && this.mode.canMove()) this.play(move);
        else this.board.update({}); // put a dragged piece back
    }

    /** Keeps the first `keep` moves and shows the last of them. */
    cutGame(keep) {
        this.game.moves = this.game.moves.slice(0, keep);
        this.game.result = '*';
        this.cursor = keep;
        this.refresh();
    }

    setGame(game, cursor = 0) {
        this.game = game;
        this.line = null;
        this.cursor = cursor;
        this.refresh();
    }

    goTo(ply) {
        const target = Math.max(0, Math.min(this.game.moves.length, ply));
        if (target === this.cursor) return;
        this.cursor = target;
        this.refresh();
    }

    /** A new game against Qarn from the start position, the player on the chosen side at the bottom. */
    startPlayGame(startFen = START_FEN) {
        this.setGame({ ...newGame(startFen, [], this.playTags()), vsEngine: true });
        this.setFlipped(this.settings.side === 'black');
    }

    playTags() {
        const player = t('player');
        const engine = this.engine.name;
        const side = this.settings.side;
        return {
            Event: side === 'none' ? engine : `${player} – ${engine}`,
            Red: side === 'red' ? player : engine,
            Black: side === 'black' ? player : engine,
        };
    }

    overText(position) {
        const winner = t(otherSide(position.side));
        return position.over === 'mate'
            ? t('mate', { winner })
            : t('stalemate', { loser: t(position.side), winner });
    }

    // ---- Drawing ----

    render() {
        const plies = this.knownPlies();
        const lastMove = this.cursor > 0 ? this.game.moves[this.cursor - 1] : null;
        const state = { legal: this.shown && this.mode.canMove() ? this.shown.legal : [] };
        if (this.cursor <= plies.length) {
            // Until the worker has confirmed a new move, the board keeps the move it showed.
            state.fen = this.fenAt(this.cursor);
            state.lastMove = lastMove;
            state.check = this.shown?.check ? this.kingOf(state.fen, this.shown.side) : null;
        }
        state.arrows = this.mode.arrows();
        this.board.update(state);
        this.renderMoves(plies);
        const fenBox = $('#fen');
        if (document.activeElement !== fenBox && this.cursor <= plies.length)
            fenBox.value = this.fenAt(this.cursor);
        for (const button of document.querySelectorAll('[data-nav]')) {
            const back = button.dataset.nav === 'first' || button.dataset.nav === 'prev';
            button.disabled = back ? this.cursor === 0 : this.atEnd();
        }
        this.mode.render();
    }

    kingOf(fen, side) {
        for (const [square, letter] of boardFromFen(fen)) {
            if (letter === (side === 'red' ? 'K' : 'k')) return square;
        }
        return null;
    }

    renderMoves(plies) {
        const list = $('#move-list');
        const start = this.game.startFen;
        list.replaceChildren();
        let row = null;
        plies.forEach((ply, i) => {
            if (!row || sideOfPly(start, i) === 'red') {
                row = document.createElement('li');
                const number = document.createElement('span');
                number.className = 'number';
                number.textContent = numberedMoves(start, i, ['']).trim();
                row.append(number);
                if (sideOfPly(start, i) === 'black') row.append(document.createElement('span'));
                list.append(row);
            }
            const button = document.createElement('button');
            button.type = 'button';
            button.className = 'move';
            button.dataset.ply = i + 1;
            button.textContent = ply[this.settings.notation];
            const mark = this.modes.review.markOf(i + 1);
            if (mark) {
                const tag = document.createElement('span');
                tag.className = 'mark';
                tag.dataset.mark = mark;
                tag.textContent = mark;
                button.append(tag);
            }
            if (i + 1 === this.cursor) button.classList.add('current');
            row.append(button);
        });
        // Keep the current move in view by scrolling the list alone, never the page.
        const current = list.querySelector('.current');
        if (current) {
            const top = current.offsetTop;
            const bottom = top + current.offsetHeight;
            if (top < list.scrollTop) list.scrollTop = top;
            else if (bottom > list.scrollTop + list.clientHeight) list.scrollTop = bottom - list.clientHeight;
        }

        const end = this.line && plies.length === this.game.moves.length ? this.line : null;
        let result = '';
        if (end?.over) result = this.overText(end);
        else if (this.game.result !== '*') result = t('result', { result: this.game.result });
        $('#game-result').textContent = result;
    }

    setFlipped(flipped) {
        this.board.update({ flipped });
        this.mode.render();
        this.saveSession();
    }

    // ---- Modes ----

    setMode(name) {
        this.mode.leave();
        this.mode = this.modes[name];
        for (const tab of document.querySelectorAll('[data-mode]')) {
            tab.setAttribute('aria-selected', String(tab.dataset.mode === name));
        }
        for (const panel of document.querySelectorAll('[data-panel]'))
            panel.hidden = panel.dataset.panel !== name;
        this.mode.enter();
        this.saveSession();
        this.render();
        if (this.shown) this.mode.positionReady();
    }

    // ---- The engine worker ----

    engineState(state, reason) {
        this.showEngineState();
        $('#engine-down').hidden = state !== 'dead';
        if (state === 'dead') {
            $('#engine-down-text').textContent = t('engineDown', {
                reason: reason === NO_ANSWER ? t('engineSilent') : reason,
            });
            this.render();
        } else if (state === 'ready') {
            this.refresh();
        }
    }

    showEngineState() {
        const label = $('#engine-state');
        const state = this.engine.state;
        label.dataset.state = state;
        label.textContent =
            {
                starting: t('engineStarting'),
                ready: t('engineReady', { name: this.engine.name }),
                dead: t('engineStopped'),
            }[state] ?? '';
    }

    engineEvent(event) {
        if (event.event === 'book' && !event.loaded) {
            this.notify(t('bookMissing', { message: event.message || '' }), 'info');
        }
    }

    /** A message at the top of the page; errors stay until closed, the rest fade after a while. */
    notify(text, kind = 'info') {
        const note = document.createElement('div');
        note.className = `notice ${kind}`;
        note.setAttribute('role', kind === 'error' ? 'alert' : 'status');
        const span = document.createElement('span');
        span.textContent = text;
        const close = document.createElement('button');
        close.type = 'button';
        close.textContent = '×';
        close.setAttribute('aria-label', 'close');
        close.addEventListener('click', () => note.remove());
        note.append(span, close);
        $('#notices').append(note);
        if (kind !== 'error') setTimeout(() => note.remove(), 12000);
    }

    // ---- Position and game files ----

    toolsMessage(text, kind = 'info') {
        const message = $('#tools-message');
        message.textContent = text;
        message.className = `message ${kind}`;
    }

    async loadFen(text) {
        let position;
        try {
            position = await this.engine.call('game', { fen: text.trim(), moves: [] });
        } catch (e) {
            this.toolsMessage(t('fenRefused', { error: explain(e.message) }), 'error');
            return;
        }
        if (!position.ok) {
            this.toolsMessage(t('fenRefused', { error: explain(position.error) }), 'error');
            return;
        }
        this.toolsMessage('');
        if (this.mode === this.modes.play) this.startPlayGame(position.startFen);
        else this.setGame(newGame(position.startFen));
    }

    async importText(text) {
        if (!text.trim()) return;
        if (FEN_SHAPE.test(text)) {
            await this.loadFen(text);
            return;
        }
        await this.importBytes('pasted.pgn', new TextEncoder().encode(text).buffer);
    }

    async importBytes(name, bytes) {
        let parsed;
        try {
            parsed = await this.engine.call('parse', { name, bytes });
        } catch (e) {
            this.toolsMessage(t('importFailed', { error: explain(e.message) }), 'error');
            return;
        }
        const games = parsed?.games ?? [];
        if (!games.length) {
            this.toolsMessage(t('importNone'), 'error');
            return;
        }
        if (await this.loadImported(games[0])) this.offerGames(games);
    }

    // A file with several games offers them in a list.
    offerGames(games) {
        this.imported = games;
        const select = $('#import-games');
        select.replaceChildren(
            ...games.map((game, i) => {
                const option = document.createElement('option');
                option.value = i;
                option.textContent = this.describeGame(game, i);
                return option;
            }),
        );
        select.hidden = games.length < 2;
    }

    describeGame(game, i) {
        const tags = game.tags ?? {};
        return `${i + 1}. ${tags.Red || '?'} – ${tags.Black || '?'} ${game.result || ''}`.trim();
    }

    /** Checks a parsed game with the worker and shows it if sound; returns whether it was taken. */
    async loadImported(game) {
        let line = null;
        try {
            if (!game.error)
                line = await this.engine.call('game', { fen: game.fen || START_FEN, moves: game.moves });
        } catch (e) {
            game.error = e.message;
        }
        if (!line?.ok) {
            this.toolsMessage(t('importFailed', { error: explain(game.error || line?.error) }), 'error');
            return false;
        }
        const tags = game.tags ?? {};
        this.toolsMessage(t('loaded', { game: `${tags.Red || '?'} – ${tags.Black || '?'}` }));
        this.setGame(newGame(line.startFen, game.moves.slice(), tags, game.result || '*'));
        if (this.mode === this.modes.play) this.setMode('analyse');
        return true;
    }

    pgn() {
        const plies = this.knownPlies();
        const end = plies.length === this.game.moves.length ? this.line : null;
        return toPgn({
            game: this.game,
            texts: plies.map((ply) => ply[this.settings.notation]),
            notation: this.settings.notation,
            result: resultOfLine(end) ?? this.game.result,
            red: '?',
            black: '?',
        });
    }

    async copyPgn() {
        const text = this.pgn();
        const box = $('#pgn-text');
        box.value = text;
        try {
            await navigator.clipboard.writeText(text);
            box.hidden = true;
            this.toolsMessage(t('copied'));
        } catch {
            // No clipboard outside secure pages: the text is there to copy by hand.
            box.hidden = false;
            box.select();
            this.toolsMessage(t('copyByHand'));
        }
    }

    downloadPgn() {
        const url = URL.createObjectURL(new Blob([this.pgn()], { type: 'application/x-chess-pgn' }));
        const link = document.createElement('a');
        link.href = url;
        link.download = `qarn-${new Date().toISOString().slice(0, 10)}.pgn`;
        link.click();
        setTimeout(() => URL.revokeObjectURL(url), 1000);
    }

    // ---- Controls ----

    saveSettings() {
        try {
            localStorage.setItem(SETTINGS_KEY, JSON.stringify(this.settings));
        } catch {
            // not remembered
        }
    }

    saveSession() {
        const mode = Object.keys(this.modes).find((name) => this.modes[name] === this.mode);
        const session = {
            game: this.game,
            cursor: this.cursor,
            side: this.settings.side,
            flipped: this.board.flipped,
            mode,
        };
        try {
            sessionStorage.setItem(SESSION_KEY, JSON.stringify(session));
        } catch {
            // not kept over a reload
        }
    }

    fillStrengths() {
        const select = $('#strength');
        select.replaceChildren(...STRENGTHS.map((strength) => new Option(strengthLabel(strength), strength)));
        select.value = this.settings.strength;
    }

    bindControls() {
        for (const tab of document.querySelectorAll('[data-mode]')) {
            tab.addEventListener('click', () => {
                if (this.modes[tab.dataset.mode] !== this.mode) this.setMode(tab.dataset.mode);
            });
        }
        const language = $('#language');
        language.value = currentLanguage();
        language.addEventListener('change', () => {
            setLanguage(language.value, true);
            this.fillStrengths();
            this.showEngineState();
            this.render();
        });
        $('#restart').addEventListener('click', () => this.engine.start());

        const navigate = {
            first: () => 0,
            prev: () => this.cursor - 1,
            next: () => this.cursor + 1,
            last: () => Infinity,
        };
        for (const button of document.querySelectorAll('[data-nav]')) {
            button.addEventListener('click', () => this.goTo(navigate[button.dataset.nav]()));
        }
        $('#flip').addEventListener('click', () => this.setFlipped(!this.board.flipped));
        $('#move-list').addEventListener('click', (e) => {
            const move = e.target.closest('[data-ply]');
            if (move) this.goTo(Number(move.dataset.ply));
        });
        document.addEventListener('keydown', (e) => {
            if (e.target.closest('input, textarea, select') || e.altKey || e.ctrlKey || e.metaKey) return;
            const keys = { ArrowLeft: 'prev', ArrowRight: 'next', Home: 'first', End: 'last' };
            if (keys[e.key]) {
                e.preventDefault();
                this.goTo(navigate[keys[e.key]]());
            } else if (e.key === 'f') {
                this.setFlipped(!this.board.flipped);
            }
        });

        for (const radio of document.querySelectorAll('input[name="side"]')) {
            radio.checked = radio.value === this.settings.side;
            radio.addEventListener('change', () => {
                this.settings.side = radio.value;
                this.saveSettings();
                if (this.game.vsEngine) Object.assign(this.game.tags, this.playTags());
                this.setFlipped(radio.value === 'black');
                this.refresh();
            });
        }
        $('#strength').addEventListener('change', (e) => {
            this.settings.strength = e.target.value;
            this.saveSettings();
        });
        $('#new-game').addEventListener('click', () => this.startPlayGame());
        $('#take-back').addEventListener('click', () => this.modes.play.takeBack());
        $('#notation').value = this.settings.notation;
        $('#notation').addEventListener('change', (e) => {
            this.settings.notation = e.target.value;
            this.saveSettings();
            this.render();
        });

        $('#fen-load').addEventListener('click', () => this.loadFen($('#fen').value));
        $('#fen').addEventListener('keydown', (e) => {
            if (e.key === 'Enter') this.loadFen($('#fen').value);
        });
        $('#import-load').addEventListener('click', () => this.importText($('#import-text').value));
        $('#import-file').addEventListener('change', async (e) => {
            const file = e.target.files[0];
            if (file) await this.importBytes(file.name, await file.arrayBuffer());
            e.target.value = '';
        });
        $('#import-games').addEventListener('change', (e) =>
            this.loadImported(this.imported[Number(e.target.value)]),
        );
        $('#pgn-copy').addEventListener('click', () => this.copyPgn());
        $('#pgn-download').addEventListener('click', () => this.downloadPgn());
    }
}

// One page, one app; reachable from the console for debugging.
window.qarn = new App();
