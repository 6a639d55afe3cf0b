// Engine scores as the page shows them: always from red's side, in pawns (engine units / 100)
// or as a mate distance, and as a winning chance for the evaluation bar.

// Steepness of the winning-chance curve per engine unit: the k that the review's marks and
// graph use (tools/review/marks.h), fitted to master games' results, so that the bar and the
// review's graph agree on a score.
export const WIN_CHANCE_K = 0.0175;

/** The score of an info line seen from red: {cp} or {mate} (positive: good for red). */
export function redScore(info, sideToMove) {
    const sign = sideToMove === 'red' ? 1 : -1;
    if (info.mate !== undefined) return { mate: info.mate * sign };
    if (info.score !== undefined) return { cp: info.score * sign };
    return null;
}

/** "+0.35", "-1.20", "#3" (red mates in 3), "#-2" (black mates in 2). */
export function formatScore(score) {
    if (!score) return '';
    if (score.mate !== undefined) return `#${score.mate}`;
    const pawns = score.cp / 100;
    return `${pawns > 0 ? '+' : ''}${pawns.toFixed(2)}`;
}

/** Red's winning chance from -1 (black wins) to 1 (red wins). */
export function winChance(score) {
    if (!score) return 0;
    if (score.mate !== undefined) return score.mate > 0 ? 1 : -1;
    const cp = Math.max(-1000, Math.min(1000, score.cp));
    return 2 / (1 + Math.exp(-WIN_CHANCE_K * cp)) - 1;
}

/** "1.2 M", "850 k": a node rate for people. */
export function formatRate(nps) {
    if (!(nps > 0)) return '';
    if (nps >= 1e6) return `${(nps / 1e6).toFixed(1)} M`;
    if (nps >= 1e3) return `${Math.round(nps / 1e3)} k`;
    return String(Math.round(nps));
}
