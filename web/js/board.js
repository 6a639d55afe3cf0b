// The board: an SVG drawing of the 9x10 grid and its pieces, built by code so that it is sharp
// at any size. Every point has a transparent hit square carrying data-square with its UCCI
// name ('a0'..'i9'), placed where that point is drawn, so the names stay right when the board
// is flipped. The board knows no rules: the page gives it the legal moves of the shown
// position, and it reports a move the player makes by clicking or dragging.

import { boardFromFen, parseSquare, squareName } from './game.js';

const SVG_NS = 'http://www.w3.org/2000/svg';
const STEP = 100; // distance between two points, in SVG units
const MARGIN = 90; // room around the grid for the pieces on the edge and the file names
const RADIUS = 44;
const WIDTH = 8 * STEP + 2 * MARGIN;
const HEIGHT = 9 * STEP + 2 * MARGIN;
const DRAG_START_PX = 5; // a pointer that moves less than this is a click, not a drag

// prettier-ignore
const PIECE_TEXT = {
    K: '帥', A: '仕', B: '相', N: '傌', R: '俥', C: '炮', P: '兵',
    k: '將', a: '士', b: '象', n: '馬', r: '車', c: '砲', p: '卒',
};

// Each side names the files from its own right: red 九..一 for files a..i, black 1..9.
const RED_FILE_NAMES = '九八七六五四三二一';
const BLACK_FILE_NAMES = '123456789';

// Points with the small corner marks: the cannons' and the soldiers' starting points.
// prettier-ignore
const MARKED_POINTS = [
    [1, 2], [7, 2], [1, 7], [7, 7],
    ...[0, 2, 4, 6, 8].flatMap((col) => [[col, 3], [col, 6]]),
];

function svgElement(name, attrs = {}, parent = null) {
    const node = document.createElementNS(SVG_NS, name);
    for (const [key, value] of Object.entries(attrs)) node.setAttribute(key, value);
    if (parent) parent.appendChild(node);
    return node;
}

export class Board {
    /** onMove(move) is called with a UCCI move the player made among the legal ones. */
    constructor(container, onMove) {
        this.onMove = onMove;
        this.flipped = false;
        this.pieces = new Map();
        this.legal = [];
        this.lastMove = null;
        this.check = null; // the point of a king in check
        this.arrows = []; // [{move, kind}]; kind is a class name ('best', later 'better')
        this.selected = null;
        this.drag = null;

        this.svg = svgElement('svg', {
            viewBox: `0 0 ${WIDTH} ${HEIGHT}`,
            class: 'board',
            role: 'application',
        });
        this.layers = {};
        for (const name of ['grid', 'marks', 'pieces', 'arrows', 'hits']) {
            this.layers[name] = svgElement('g', { class: name }, this.svg);
        }
        container.appendChild(this.svg);

        for (let file = 0; file < 9; file++) {
            for (let rank = 0; rank < 10; rank++) {
                svgElement(
                    'rect',
                    {
                        class: 'hit',
                        'data-square': squareName(file, rank),
                        width: STEP,
                        height: STEP,
                    },
                    this.layers.hits,
                );
            }
        }
        this.svg.addEventListener('pointerdown', (e) => this.pointerDown(e));
        this.svg.addEventListener('pointermove', (e) => this.pointerMove(e));
        this.svg.addEventListener('pointerup', (e) => this.pointerUp(e));
        this.svg.addEventListener('pointercancel', () => this.endDrag());
        this.layout();
        this.render();
    }

    /** Changes any of: fen, legal, lastMove, check, arrows, flipped; then redraws. */
    update(state) {
        if ('fen' in state) this.pieces = boardFromFen(state.fen);
        if ('legal' in state) this.legal = state.legal;
        if ('lastMove' in state) this.lastMove = state.lastMove;
        if ('check' in state) this.check = state.check;
        if ('arrows' in state) this.arrows = state.arrows;
        if ('flipped' in state && state.flipped !== this.flipped) {
            this.flipped = state.flipped;
            this.layout();
        }
        if (this.selected && !this.legal.some((m) => m.startsWith(this.selected))) {
            this.selected = null;
        }
        this.render();
    }

    /** Shows a move at once, before the worker has confirmed the new position. */
    showMove(move) {
        const from = move.slice(0, 2);
        const piece = this.pieces.get(from);
        this.pieces.delete(from);
        this.pieces.set(move.slice(2), piece);
        this.update({ legal: [], lastMove: move, check: null, arrows: [] });
    }

    point(square) {
        const { file, rank } = parseSquare(square);
        const col = this.flipped ? 8 - file : file;
        const row = this.flipped ? rank : 9 - rank;
        return { x: MARGIN + col * STEP, y: MARGIN + row * STEP };
    }

    // Everything that depends on the orientation but the pieces and marks, which render()
    // draws: the file names and the hit squares.
    layout() {
        this.drawGrid();
        for (const hit of this.layers.hits.children) {
            const { x, y } = this.point(hit.dataset.square);
            hit.setAttribute('x', x - STEP / 2);
            hit.setAttribute('y', y - STEP / 2);
        }
    }

    drawGrid() {
        const g = this.layers.grid;
        g.replaceChildren();
        const x = (col) => MARGIN + col * STEP;
        const y = (row) => MARGIN + row * STEP;
        svgElement('rect', { class: 'board-bg', width: WIDTH, height: HEIGHT, rx: 16 }, g);
        svgElement(
            'rect',
            {
                class: 'board-frame',
                x: x(0) - 12,
                y: y(0) - 12,
                width: 8 * STEP + 24,
                height: 9 * STEP + 24,
            },
            g,
        );

        let d = '';
        for (let row = 0; row < 10; row++) d += `M${x(0)},${y(row)}H${x(8)}`;
        for (let col = 0; col < 9; col++) {
            // The inner files stop at the river; the two edge files cross it.
            if (col === 0 || col === 8) d += `M${x(col)},${y(0)}V${y(9)}`;
            else d += `M${x(col)},${y(0)}V${y(4)}M${x(col)},${y(5)}V${y(9)}`;
        }
        for (const top of [0, 7]) {
            d += `M${x(3)},${y(top)}L${x(5)},${y(top + 2)}M${x(5)},${y(top)}L${x(3)},${y(top + 2)}`;
        }
        const gap = 8;
        const arm = 18;
        for (const [col, row] of MARKED_POINTS) {
            for (const dx of [-1, 1]) {
                if ((col === 0 && dx < 0) || (col === 8 && dx > 0)) continue;
                for (const dy of [-1, 1]) {
                    d +=
                        `M${x(col) + dx * gap},${y(row) + dy * (gap + arm)}V${y(row) + dy * gap}` +
                        `H${x(col) + dx * (gap + arm)}`;
                }
            }
        }
        svgElement('path', { class: 'board-lines', d }, g);

        const riverY = (y(4) + y(5)) / 2;
        const riverTexts = { 2: '楚 河', 6: '漢 界' };
        for (const [col, text] of Object.entries(riverTexts)) {
            svgElement('text', { class: 'river', x: x(Number(col)), y: riverY }, g).textContent = text;
        }
        // File names along each side's own edge.
        const redEdge = this.flipped ? MARGIN / 2 - 18 : HEIGHT - MARGIN / 2 + 18;
        const blackEdge = this.flipped ? HEIGHT - MARGIN / 2 + 18 : MARGIN / 2 - 18;
        for (let file = 0; file < 9; file++) {
            const px = this.point(squareName(file, 0)).x;
            svgElement('text', { class: 'file-name', x: px, y: redEdge }, g).textContent =
                RED_FILE_NAMES[file];
            svgElement('text', { class: 'file-name', x: px, y: blackEdge }, g).textContent =
                BLACK_FILE_NAMES[file];
        }
    }

    render() {
        const marks = this.layers.marks;
        marks.replaceChildren();
        const circle = (square, r, cls) => {
            const { x, y } = this.point(square);
            return svgElement('circle', { cx: x, cy: y, r, class: cls }, marks);
        };
        if (this.lastMove) {
            circle(this.lastMove.slice(0, 2), 16, 'last-from');
            circle(this.lastMove.slice(2, 4), RADIUS + 7, 'last-to');
        }
        if (this.check) circle(this.check, RADIUS + 10, 'check');
        if (this.selected) {
            circle(this.selected, RADIUS + 7, 'selected');
            for (const move of this.legal) {
                if (!move.startsWith(this.selected)) continue;
                const to = move.slice(2, 4);
                if (this.pieces.has(to)) circle(to, RADIUS + 6, 'dest capture');
                else circle(to, 14, 'dest');
            }
        }

        const layer = this.layers.pieces;
        layer.replaceChildren();
        for (const [square, letter] of this.pieces) {
            const { x, y } = this.point(square);
            const red = letter === letter.toUpperCase();
            const g = svgElement(
                'g',
                {
                    class: `piece ${red ? 'red' : 'black'}`,
                    'data-at': square,
                    'data-piece': letter,
                    transform: `translate(${x},${y})`,
                },
                layer,
            );
            svgElement('circle', { class: 'face', r: RADIUS }, g);
            svgElement('circle', { class: 'ring', r: RADIUS - 6 }, g);
            svgElement('text', { class: 'glyph', y: 2 }, g).textContent = PIECE_TEXT[letter] || '?';
        }

        this.layers.arrows.replaceChildren();
        for (const { move, kind } of this.arrows) this.drawArrow(move, kind);
    }

    // An arrow from the centre of the departure to the edge of the arrival, as one polygon
    // (markers do not take the colour of their line everywhere).
    drawArrow(move, kind) {
        const a = this.point(move.slice(0, 2));
        const b = this.point(move.slice(2, 4));
        const length = Math.hypot(b.x - a.x, b.y - a.y);
        if (!length) return;
        const ux = (b.x - a.x) / length;
        const uy = (b.y - a.y) / length;
        const tip = { x: b.x - ux * 12, y: b.y - uy * 12 };
        const head = 44;
        const base = { x: tip.x - ux * head, y: tip.y - uy * head };
        const at = (p, side) => `${p.x - uy * side},${p.y + ux * side}`;
        const points = [
            at(a, 8),
            at(base, 8),
            at(base, 24),
            at(tip, 0),
            at(base, -24),
            at(base, -8),
            at(a, -8),
        ];
        svgElement('polygon', { class: `arrow ${kind}`, points: points.join(' ') }, this.layers.arrows);
    }

    squareAt(event) {
        const p = this.svg.createSVGPoint();
        p.x = event.clientX;
        p.y = event.clientY;
        const { x, y } = p.matrixTransform(this.svg.getScreenCTM().inverse());
        const col = Math.round((x - MARGIN) / STEP);
        const row = Math.round((y - MARGIN) / STEP);
        if (col < 0 || col > 8 || row < 0 || row > 9) return null;
        return this.flipped ? squareName(8 - col, row) : squareName(col, 9 - row);
    }

    isLegal(from, to) {
        return this.legal.includes(from + to);
    }

    // Click-click and drag share one path: a press on a movable piece selects it and may become
    // a drag; a press on a legal destination of the selected piece moves it.
    pointerDown(event) {
        if (event.button > 0) return;
        const square = this.squareAt(event);
        if (!square) return;
        if (this.selected && this.isLegal(this.selected, square)) {
            const move = this.selected + square;
            this.selected = null;
            this.onMove(move);
            return;
        }
        if (!this.legal.some((m) => m.startsWith(square))) {
            if (this.selected) {
                this.selected = null;
                this.render();
            }
            return;
        }
        event.preventDefault();
        this.drag = {
            from: square,
            x: event.clientX,
            y: event.clientY,
            moved: false,
            reselect: this.selected === square,
        };
        this.svg.setPointerCapture(event.pointerId);
        this.selected = square;
        this.render();
    }

    pointerMove(event) {
        const drag = this.drag;
        if (!drag) return;
        if (!drag.moved && Math.hypot(event.clientX - drag.x, event.clientY - drag.y) < DRAG_START_PX) {
            return;
        }
        drag.moved = true;
        const piece = this.layers.pieces.querySelector(`[data-at="${drag.from}"]`);
        if (!piece) return;
        const p = this.svg.createSVGPoint();
        p.x = event.clientX;
        p.y = event.clientY;
        const { x, y } = p.matrixTransform(this.svg.getScreenCTM().inverse());
        piece.setAttribute('transform', `translate(${x},${y})`);
        piece.classList.add('dragging');
        this.layers.pieces.appendChild(piece); // drawn above the others
    }

    pointerUp(event) {
        const drag = this.drag;
        if (!drag) return;
        this.drag = null;
        if (drag.moved) {
            const to = this.squareAt(event);
            if (to && this.isLegal(drag.from, to)) {
                this.selected = null;
                this.onMove(drag.from + to);
                return;
            }
        } else if (drag.reselect) {
            this.selected = null; // a second click on the selected piece lets it go
        }
        this.render();
    }

    endDrag() {
        this.drag = null;
        this.render();
    }
}
