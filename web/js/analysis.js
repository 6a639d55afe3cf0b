// Analyse mode: the engine thinks on the shown position until it is told to stop (a new
// position, analysis turned off, another mode). The panel shows depth, score from red's side,
// node rate and the principal variation in the chosen notation; the evaluation bar and an
// arrow for the best move go with the board.

import { numberedMoves } from './game.js';
import { t } from './i18n.js';
import { formatRate, formatScore, redScore, winChance } from './score.js';

const ANALYSIS_GO = 'go depth 31';

export class AnalysisMode {
    constructor(app) {
        this.app = app;
        this.toggle = document.getElementById('analysis-on');
        this.scoreText = document.getElementById('analysis-score');
        this.depthText = document.getElementById('analysis-depth');
        this.rateText = document.getElementById('analysis-rate');
        this.pvText = document.getElementById('analysis-pv');
        this.bar = document.getElementById('eval-bar');
        this.on = true;
        this.toggle.addEventListener('change', () => this.switchOn(this.toggle.checked));
        this.reset();
    }

    reset() {
        this.info = null; // the latest info line with a principal variation
        this.rate = 0;
        this.book = []; // book candidates, when the engine answers from its book
        this.bookTexts = [];
        this.pvPlies = [];
        this.wantedPv = null;
    }

    enter() {
        this.toggle.checked = this.on;
        this.bar.hidden = false;
    }

    leave() {
        this.positionChanging();
        this.bar.hidden = true;
    }

    canMove() {
        return true;
    }

    positionChanging() {
        this.app.engine.cancel();
        this.reset();
    }

    positionReady() {
        if (this.on) this.start();
        this.refresh();
    }

    switchOn(on) {
        this.on = on;
        this.positionChanging();
        if (on && this.app.shown) this.start();
        this.refresh();
    }

    arrows() {
        const move = this.on && this.info?.pv?.[0];
        return move ? [{ move, kind: 'best' }] : [];
    }

    start() {
        const app = this.app;
        const shown = app.shown;
        if (!shown || shown.over || app.engine.state === 'dead') return;
        const token = app.token;
        this.fen = shown.fen;
        this.side = shown.side;
        app.engine.search(app.positionCommand(), ANALYSIS_GO, (info) => {
            if (token === app.token) this.onInfo(info);
        });
    }

    onInfo(info) {
        if (info.depth === 0 && info.pv) {
            this.book.push(info.pv[0]);
            this.translateBook();
        } else if (info.pv) {
            this.info = info;
            this.rate = info.time > 0 ? (info.nodes * 1000) / info.time : this.rate;
            this.translatePv(info.pv);
        } else if (info.nps) {
            this.rate = info.nps; // the closing line of a search
        }
        this.refresh();
    }

    // The PV in the page's notation comes from the worker; while one translation is under way,
    // only the newest PV waits for the next one.
    async translatePv(pv) {
        this.wantedPv = pv;
        if (this.translating) return;
        this.translating = true;
        const app = this.app;
        while (this.wantedPv) {
            const moves = this.wantedPv;
            const token = app.token;
            this.wantedPv = null;
            try {
                const line = await app.engine.call('game', { fen: this.fen, moves });
                if (token === app.token) this.pvPlies = line.plies;
            } catch {
                break;
            }
            this.refresh();
        }
        this.translating = false;
    }

    async translateBook() {
        const app = this.app;
        const token = app.token;
        const moves = this.book.slice();
        try {
            const lines = await Promise.all(
                moves.map((move) => app.engine.call('game', { fen: this.fen, moves: [move] })),
            );
            if (token !== app.token) return;
            this.bookTexts = lines.map((line, i) => line.plies[0]?.[app.settings.notation] ?? moves[i]);
        } catch {
            return;
        }
        this.refresh();
    }

    render() {
        const app = this.app;
        const shown = app.shown;
        const score = this.info ? redScore(this.info, this.side) : null;
        this.scoreText.textContent = '';
        this.depthText.textContent = '';
        this.rateText.textContent = '';
        if (shown?.over) {
            this.pvText.textContent = app.overText(shown);
        } else if (!this.on) {
            this.pvText.textContent = t('analysisOff');
        } else {
            const texts = this.pvPlies.map((ply) => ply[app.settings.notation]);
            this.pvText.textContent = numberedMoves(app.game.startFen, app.cursor, texts);
            if (this.book.length) {
                this.depthText.textContent = t('book');
                this.pvText.textContent = t('bookMoves', { moves: this.bookTexts.join(', ') });
            } else if (this.info) {
                this.scoreText.textContent = formatScore(score);
                this.depthText.textContent = t('depthOf', {
                    depth: this.info.depth,
                    mdepth: this.info.mdepth ?? this.info.depth,
                });
                const rate = formatRate(this.rate);
                this.rateText.textContent = rate ? t('rate', { rate }) : '';
            }
        }
        this.renderBar(score);
    }

    // The panel and the board's best-move arrow, after a change of the analysis itself (the
    // page's render draws the arrows with the board).
    refresh() {
        this.render();
        this.app.board.update({ arrows: this.arrows() });
    }

    // The bar's red part grows from red's side of the board with red's winning chance.
    // A finished game fills it for the winner.
    renderBar(score) {
        const over = this.app.shown?.over;
        let share = 50;
        let text = this.on && score ? formatScore(score) : '';
        if (over) {
            const redWon = this.app.shown.side === 'black';
            share = redWon ? 100 : 0;
            text = redWon ? '1-0' : '0-1';
        } else if (this.on && score) {
            share = 50 + 50 * winChance(score);
        }
        this.bar.classList.toggle('flipped', this.app.board.flipped);
        this.bar.querySelector('.eval-fill').style.height = `${share}%`;
        this.bar.querySelector('.eval-text').textContent = text;
        this.bar.title = text;
    }
}
