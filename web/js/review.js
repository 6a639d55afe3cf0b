// Review mode: the worker's `review` call searches every position of the game shown to a
// depth and judges each move as qarn-review does. The panel shows its graph (red's winning
// chance after each ply, drawn by the worker; a click goes to the nearest ply), each side's
// summary, and at the position before a marked move the better move with its line; the move
// list carries the marks through markOf(), and the board the played and the better move as
// arrows. The board takes no moves here, so that a stray click cannot cut the game under a
// review; a game changed otherwise (a loaded game or FEN) drops the review.

import { numberedMoves } from './game.js';
import { currentLanguage, explain, t } from './i18n.js';

// Small depths: the worker reviews on one core, taking about 1.4 times as long as qarn-review
// -j 1. At 8 a game of 100 moves takes about 9 s, at 10 about 40 s; a position takes up to
// about 3 s at 10, which is also how long a cancel or an isready may wait.
const DEPTHS = [6, 8, 10];
const DEFAULT_DEPTH = 8;
const MARK_SIGNS = { inaccuracy: '?!', mistake: '?', blunder: '??' };

const $ = (id) => document.getElementById(id);

export class ReviewMode {
    constructor(app) {
        this.app = app;
        this.review = null; // {key, result}: the last review and the game it was made for
        this.running = null; // {key, done, total} while the worker reviews
        this.note = null; // [key, params] of what the status line says when no review runs
        this.graphOf = null; // the result and language the graph was drawn for
        this.keyOf = null; // the last game key made, and what it was made of
        this.depthSelect = $('review-depth');
        this.startButton = $('review-start');
        this.cancelButton = $('review-cancel');
        this.progress = $('review-progress');
        this.status = $('review-status');
        this.graph = $('review-graph');
        this.summary = $('review-summary');
        this.comment = $('review-comment');
        this.depthSelect.replaceChildren(...DEPTHS.map((depth) => new Option(String(depth), depth)));
        this.depthSelect.value = DEFAULT_DEPTH;
        this.startButton.addEventListener('click', () => this.start());
        this.cancelButton.addEventListener('click', () => this.cancel());
        this.graph.addEventListener('click', (e) => this.graphClick(e));
    }

    enter() {}

    /** A review under way is cancelled: the other modes need the engine. */
    leave() {
        if (this.running) this.cancel();
    }

    canMove() {
        return false;
    }

    positionChanging() {
        if (this.running && this.running.key !== this.gameKey()) this.cancel();
    }

    positionReady() {}

    /** What tells whether a review still belongs to the game: its start and moves, as text. */
    gameKey() {
        const { startFen, moves } = this.app.game;
        if (this.keyOf?.moves !== moves || this.keyOf.startFen !== startFen)
            this.keyOf = { startFen, moves, key: `${startFen}|${moves.join(' ')}` };
        return this.keyOf.key;
    }

    /** The review of the game as it is now, or null; a review of another game is dropped. */
    result() {
        if (this.review && this.review.key !== this.gameKey()) {
            this.review = null;
            this.note = ['reviewDropped'];
        }
        return this.review?.result ?? null;
    }

    async start() {
        const app = this.app;
        if (this.running) return;
        const game = app.game;
        const key = this.gameKey();
        const depth = Number(this.depthSelect.value);
        const tags = game.tags ?? {};
        const players = [tags.Red, tags.Black].filter(Boolean).join(' – ');
        const title = [players, tags.Event].filter(Boolean).join(', ');
        const running = { key, done: 0, total: game.moves.length + 1 };
        this.running = running;
        this.note = null;
        this.render();
        let note = null;
        try {
            const result = await app.engine.call(
                'review',
                { fen: game.startFen, moves: game.moves, depth, title },
                ({ done, total }) => {
                    Object.assign(running, { done, total });
                    this.render();
                },
            );
            if (key === this.gameKey()) this.review = { key, result };
            note = ['reviewDone', { depth }];
        } catch (e) {
            if (e.message !== 'cancelled') note = ['reviewFailed', { error: e.message }];
        }
        // A review cancelled and another started meanwhile: that one owns the panel.
        if (this.running !== running) return;
        this.running = null;
        this.note = note;
        app.render();
    }

    cancel() {
        this.app.engine.call('cancelReview').catch(() => {});
        this.running = null;
        this.note = null;
        this.render();
    }

    // The ply nearest to the click, along the graph's axis of plies.
    graphClick(event) {
        const svg = this.graph.querySelector('svg');
        const points = [...(svg?.querySelectorAll('circle.ply') ?? [])];
        if (!points.length) return;
        const p = svg.createSVGPoint();
        p.x = event.clientX;
        p.y = event.clientY;
        const { x } = p.matrixTransform(svg.getScreenCTM().inverse());
        let nearest = 0;
        points.forEach((point, i) => {
            if (Math.abs(point.cx.baseVal.value - x) < Math.abs(points[nearest].cx.baseVal.value - x))
                nearest = i;
        });
        this.app.goTo(nearest + 1);
    }

    /** The played and the better move at the position before a marked move. */
    arrows() {
        const ply = this.result()?.plies[this.app.cursor];
        if (!ply?.better) return [];
        return [
            { move: ply.move, kind: 'played' },
            { move: ply.better.move, kind: 'better' },
        ];
    }

    /** The mark of the ply'th move (1-based) for the move list: '?!', '?', '??' or null. */
    markOf(ply) {
        return MARK_SIGNS[this.result()?.plies[ply - 1]?.mark] ?? null;
    }

    render() {
        const app = this.app;
        const result = this.result();
        const running = this.running;
        this.startButton.disabled = Boolean(running) || app.engine.state === 'dead';
        this.cancelButton.hidden = !running;
        this.progress.hidden = !running;
        if (running) {
            this.progress.max = running.total;
            this.progress.value = running.done;
            this.status.textContent = t('reviewing', running);
        } else {
            const [key, params = {}] = this.note ?? [result ? '' : 'reviewHint'];
            this.status.textContent = key && t(key, { ...params, error: explain(params.error ?? '') });
        }
        this.renderGraph(result);
        this.renderSummary(result);
        this.renderComment(result);
    }

    // The worker's SVG, its two English labels in the page's language; the shown ply's point
    // is marked.
    renderGraph(result) {
        const language = currentLanguage();
        if (this.graphOf?.result !== result || this.graphOf?.language !== language) {
            this.graphOf = { result, language };
            this.graph.replaceChildren();
            if (result) {
                const svg = new DOMParser().parseFromString(result.svg, 'image/svg+xml').documentElement;
                for (const text of svg.querySelectorAll('text')) {
                    if (text.textContent === 'Red') text.textContent = t('red');
                    if (text.textContent === 'Black') text.textContent = t('black');
                }
                this.graph.append(document.importNode(svg, true));
            }
        }
        const points = this.graph.querySelectorAll('circle.ply');
        points.forEach((point, i) => point.classList.toggle('current', i + 1 === this.app.cursor));
    }

    // One row per figure, a column per side: narrow enough for a phone.
    renderSummary(result) {
        this.summary.hidden = !result;
        if (!result) return;
        const row = (head, cells) => {
            const tr = document.createElement('tr');
            const th = document.createElement('th');
            th.textContent = head;
            tr.append(th);
            for (const cell of cells) {
                const td = document.createElement('td');
                td.textContent = cell;
                tr.append(td);
            }
            return tr;
        };
        const { red, black } = result.sides;
        const figure = (name, digits) =>
            row(
                t(name),
                [red[name], black[name]].map((n) => (digits ? n.toFixed(digits) : n)),
            );
        this.summary.replaceChildren(
            row('', [t('red'), t('black')]),
            figure('inaccuracies'),
            figure('mistakes'),
            figure('blunders'),
            figure('averageLoss', 1),
            figure('accuracy', 1),
        );
    }

    // The score of the shown position, and at the position before a marked move what was
    // better, with the engine's line.
    renderComment(result) {
        const app = this.app;
        this.comment.replaceChildren();
        if (!result) return;
        const cursor = app.cursor;
        const score = cursor === 0 ? result.start.eval : result.plies[cursor - 1]?.eval;
        const parts = [];
        if (score) parts.push(t('reviewScore', { score: /^\d/.test(score) ? `+${score}` : score }));
        const ply = result.plies[cursor];
        const notation = app.settings.notation;
        if (ply?.better && app.line?.plies[cursor]) {
            const texts = ply.better.line.map((move) => move[notation]);
            parts.push(
                t('reviewComment', {
                    move: app.line.plies[cursor][notation] + MARK_SIGNS[ply.mark],
                    mark: t(ply.mark),
                    better: texts[0],
                }),
                t('reviewLine', { line: numberedMoves(app.game.startFen, cursor, texts) }),
            );
        }
        for (const part of parts) {
            const line = document.createElement('span');
            line.textContent = part;
            this.comment.append(line);
        }
    }
}
