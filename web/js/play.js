// Play mode: the player has one side and Qarn the other, at the chosen strength, or Qarn plays
// both ('none', the player watches). Qarn moves whenever the last position of the game is shown
// and it is its turn; a move the player makes at an earlier position cuts the game there and
// goes on from it.

import { sideOfPly } from './game.js';
import { t } from './i18n.js';

// Strengths offered: whole seconds per move (the protocol's unit) or a fixed depth.
export const STRENGTHS = [
    'time 1',
    'time 2',
    'time 5',
    'time 10',
    'depth 4',
    'depth 8',
    'depth 12',
    'depth 16',
];

export function strengthLabel(strength) {
    const [kind, n] = strength.split(' ');
    return kind === 'time' ? t('perMove', { n }) : t('depth', { n });
}

function goCommand(strength) {
    const [kind, n] = strength.split(' ');
    return kind === 'time' ? `go time ${n} movestogo 1` : `go depth ${n}`;
}

export class PlayMode {
    constructor(app) {
        this.app = app;
        this.thinking = false;
        this.status = document.getElementById('play-status');
        this.takeBackButton = document.getElementById('take-back');
    }

    enter() {
        this.render();
    }

    leave() {
        this.positionChanging();
    }

    canMove() {
        return !this.thinking && this.app.shown?.side === this.app.settings.side;
    }

    positionChanging() {
        if (this.thinking) this.app.engine.cancel();
        this.thinking = false;
    }

    positionReady() {
        this.think();
        this.render();
    }

    arrows() {
        return [];
    }

    async think() {
        const app = this.app;
        const shown = app.shown;
        if (
            this.thinking ||
            !shown ||
            shown.over ||
            !app.atEnd() ||
            shown.side === app.settings.side ||
            app.engine.state === 'dead'
        ) {
            return;
        }
        this.thinking = true;
        const token = app.token;
        const result = await app.engine.search(app.positionCommand(), goCommand(app.settings.strength));
        if (token !== app.token || result.cancelled) return;
        this.thinking = false;
        if (result.dead) {
            this.render(); // the banner offers the restart, which thinks again
        } else if (!result.bestmove) {
            app.notify(t('noMove', { name: app.engine.name }), 'error');
            this.render();
        } else if (!shown.legal.includes(result.bestmove)) {
            app.notify(t('illegalEngineMove', { move: result.bestmove }), 'error');
            this.render();
        } else {
            app.play(result.bestmove);
        }
    }

    /** Takes back the player's last move and Qarn's answer, if any: the player is to move again. */
    takeBack() {
        const app = this.app;
        const start = app.game.startFen;
        let keep = app.game.moves.length - 1;
        if (keep < 0) return;
        while (keep > 0 && sideOfPly(start, keep) !== app.settings.side) keep--;
        app.cutGame(keep);
    }

    render() {
        const app = this.app;
        const shown = app.shown;
        let text;
        if (shown?.over) text = app.overText(shown);
        else if (!shown) text = t('waitingEngine');
        else if (this.thinking) text = t('thinking', { name: app.engine.name });
        else if (shown.side === app.settings.side) text = t('yourMove', { side: t(shown.side) });
        else text = app.atEnd() ? t('waitingEngine') : t('goToEnd');
        this.status.textContent = text;
        this.takeBackButton.disabled = app.game.moves.length === 0 || app.settings.side === 'none';
    }
}
