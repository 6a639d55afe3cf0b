// The game record and the few texts the page builds itself: reading a FEN's placement for
// display, move numbers, and PGN export. Legality and move notation come from the worker's
// `game` call; nothing here decides whether a move is legal.

export const START_FEN = 'rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1';
export const FILES = 'abcdefghi';

// FEN letters some programs use for the elephant and the horse.
const LETTER_ALIASES = { E: 'B', H: 'N', e: 'b', h: 'n' };

/** The UCCI name of a point: file 0..8 from red's left, rank 0..9 from red's side. */
export function squareName(file, rank) {
    return FILES[file] + rank;
}

export function parseSquare(name) {
    return { file: FILES.indexOf(name[0]), rank: Number(name[1]) };
}

/**
 * The pieces of a FEN as a Map from point name to FEN letter (upper case red). Only for
 * drawing: the FEN has already been accepted by the worker.
 */
export function boardFromFen(fen) {
    const pieces = new Map();
    const rows = fen.split(' ')[0].split('/');
    rows.forEach((row, i) => {
        const rank = 9 - i;
        let file = 0;
        for (const ch of row) {
            if (ch >= '1' && ch <= '9') file += Number(ch);
            else pieces.set(squareName(file++, rank), LETTER_ALIASES[ch] || ch);
        }
    });
    return pieces;
}

export function sideOfFen(fen) {
    return fen.split(' ')[1] === 'b' ? 'black' : 'red';
}

export function otherSide(side) {
    return side === 'red' ? 'black' : 'red';
}

/** The side that plays the ply'th move (0-based) of a game from startFen. */
export function sideOfPly(startFen, ply) {
    const first = sideOfFen(startFen);
    return ply % 2 === 0 ? first : otherSide(first);
}

/** The full-move number of the ply'th move (0-based), counted like PGN from the FEN's number. */
export function moveNumber(startFen, ply) {
    const fields = startFen.split(' ');
    const first = Number(fields[5]) > 0 ? Number(fields[5]) : 1;
    return first + Math.floor((ply + (sideOfFen(startFen) === 'black' ? 1 : 0)) / 2);
}

/** Whether a FEN is the usual start position (placement and side; the counters do not matter). */
export function isStartFen(fen) {
    const [board, side] = fen.split(' ');
    return board === START_FEN.split(' ')[0] && side !== 'b';
}

/** A game: where it starts, the moves (UCCI), its PGN tags, and the result it was loaded with. */
export function newGame(startFen = START_FEN, moves = [], tags = {}, result = '*') {
    return { startFen, moves, tags, result };
}

/** The result of a finished line: the side to move has no legal move, and so has lost. */
export function resultOfLine(line) {
    if (!line || !line.over) return null;
    return line.side === 'red' ? '0-1' : '1-0';
}

/**
 * Writes moves as numbered text: "1. 炮二平五 馬８進７ 2. ...", starting with "N..." when
 * black moves first. firstPly is the index of moves[0] in the game.
 */
export function numberedMoves(startFen, firstPly, moves) {
    const parts = [];
    moves.forEach((text, i) => {
        const ply = firstPly + i;
        const red = sideOfPly(startFen, ply) === 'red';
        if (red) parts.push(`${moveNumber(startFen, ply)}.`);
        else if (i === 0) parts.push(`${moveNumber(startFen, ply)}...`);
        parts.push(text);
    });
    return parts.join(' ');
}

function pgnDate(date) {
    const pad = (n) => String(n).padStart(2, '0');
    return `${date.getFullYear()}.${pad(date.getMonth() + 1)}.${pad(date.getDate())}`;
}

function wrap(text, width) {
    const lines = [];
    let line = '';
    for (const word of text.split(' ')) {
        if (line && line.length + 1 + word.length > width) {
            lines.push(line);
            line = word;
        } else {
            line = line ? `${line} ${word}` : word;
        }
    }
    if (line) lines.push(line);
    return lines.join('\n');
}

const PGN_FORMATS = { chinese: 'Chinese', iccs: 'ICCS', wxf: 'WXF' };

/**
 * The game as PGN text. `texts` are the moves in the notation shown (see PGN_FORMATS);
 * tags the game already has (from a loaded file) are kept, and the mandatory ones filled in.
 */
export function toPgn({ game, texts, notation, result, red, black, date = new Date() }) {
    const tags = {
        Game: 'Chinese Chess',
        Event: game.tags.Event || '?',
        Date: game.tags.Date || pgnDate(date),
        Red: game.tags.Red || red,
        Black: game.tags.Black || black,
        Result: result,
    };
    for (const [key, value] of Object.entries(game.tags)) {
        if (!(key in tags) && key !== 'FEN' && key !== 'Format') tags[key] = value;
    }
    if (!isStartFen(game.startFen)) tags.FEN = game.startFen;
    tags.Format = PGN_FORMATS[notation];
    const escape = (v) => String(v).replace(/\\/g, '\\\\').replace(/"/g, '\\"');
    const header = Object.entries(tags)
        .map(([k, v]) => `[${k} "${escape(v)}"]`)
        .join('\n');
    const body = `${numberedMoves(game.startFen, 0, texts)} ${result}`.trim();
    return `${header}\n\n${wrap(body, 80)}\n`;
}
