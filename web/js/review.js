// Review mode (to come): the worker's `review` call scores every ply of the game; the panel
// will draw red's winning chance per ply as a graph whose points go to that ply, the move list
// will carry the marks ?! ? ?? through markOf(), and the better move will be drawn as an arrow
// through arrows(). Until then the mode shows its panel and keeps out of the way.

export class ReviewMode {
    constructor(app) {
        this.app = app;
        this.plies = null; // the review's per-ply results, for the line they were made for
    }

    enter() {}

    leave() {}

    canMove() {
        return true;
    }

    positionChanging() {}

    positionReady() {}

    render() {}

    arrows() {
        return [];
    }

    /** The mark of the ply'th move (1-based) for the move list: '?!', '?', '??' or null. */
    markOf(ply) {
        const mark = this.plies?.[ply - 1]?.mark;
        return { inaccuracy: '?!', mistake: '?', blunder: '??' }[mark] ?? null;
    }
}
