// Every text of the page in simplified Chinese and English. The language comes from the
// browser unless the player chose one, which is remembered. Static texts are found through
// data-i18n (text), data-i18n-title and data-i18n-placeholder attributes.

const STORAGE_KEY = 'qarn.lang';

export const STRINGS = {
    en: {
        modePlay: 'Play',
        modeAnalyse: 'Analyse',
        modeReview: 'Review',
        restart: 'Restart the engine',
        first: 'First move',
        prev: 'Previous move (←)',
        next: 'Next move (→)',
        last: 'Last move',
        flip: 'Flip the board',
        youPlay: 'You play',
        red: 'Red',
        black: 'Black',
        neither: 'Neither',
        strength: 'Qarn thinks',
        perMove: '{n} s per move',
        depth: 'depth {n}',
        newGame: 'New game',
        takeBack: 'Take back',
        engineOn: 'Engine analysis',
        reviewDepth: 'Search depth',
        reviewStart: 'Review the game',
        reviewCancel: 'Cancel',
        reviewHint:
            'Qarn searches every position of the game shown to the chosen depth, marks the moves ' +
            'that lose winning chances (?! inaccuracy, ? mistake, ?? blunder) and draws the better move.',
        reviewing: 'Reviewing… {done}/{total} positions',
        reviewDone: 'Reviewed at depth {depth}.',
        reviewFailed: 'The review failed: {error}',
        reviewDropped: 'The game has changed since its review: review it again.',
        reviewScore: 'Score {score}',
        reviewComment: '{move} ({mark}): {better} was better.',
        reviewLine: 'Line: {line}',
        graphHint: 'Red’s winning chances after each move: click a point to go to that move',
        inaccuracies: '?! Inaccuracies',
        mistakes: '? Mistakes',
        blunders: '?? Blunders',
        averageLoss: 'Average loss',
        accuracy: 'Accuracy',
        inaccuracy: 'inaccuracy',
        mistake: 'mistake',
        blunder: 'blunder',
        moves: 'Moves',
        notationChinese: 'Chinese',
        tools: 'Position and game files',
        fen: 'Position (FEN)',
        setPosition: 'Set up',
        importLabel: 'Paste a game (PGN) or a FEN',
        importHint: '[Game "Chinese Chess"] … 1. 炮二平五 馬８進７ …',
        loadText: 'Load',
        loadFile: 'Open a file (PGN, XQF)…',
        copyPgn: 'Copy PGN',
        downloadPgn: 'Save PGN',
        footer: 'Qarn, a Xiangqi engine, running in your browser. MIT licence.',
        engineStarting: 'Engine starting…',
        engineReady: '{name} ready',
        engineStopped: 'Engine stopped',
        engineDown: 'The engine stopped working ({reason}). Your game is kept.',
        engineSilent: 'it no longer answers',
        bookMissing: 'No opening book: Qarn plays without it. ({message})',
        yourMove: 'Your move ({side}).',
        thinking: '{name} is thinking…',
        goToEnd: 'Go to the last move to continue the game.',
        waitingEngine: 'Waiting for the engine…',
        mate: 'Checkmate: {winner} wins.',
        stalemate: '{loser} has no legal move: {winner} wins.',
        result: 'Result: {result}',
        toMove: '{side} to move',
        book: 'Book',
        bookMoves: 'Book moves: {moves}',
        depthOf: 'depth {depth}/{mdepth}',
        rate: '{rate}nodes/s',
        analysisOff: 'Analysis is off.',
        noMove: '{name} found no move.',
        illegalEngineMove: 'The engine proposed a move that is not legal here ({move}).',
        fenRefused: 'This FEN was not accepted: {error}',
        importFailed: 'The game could not be read: {error}',
        importNone: 'No game was found in it.',
        loaded: 'Loaded: {game}',
        copied: 'PGN copied to the clipboard.',
        copyByHand: 'Select the text below and copy it.',
        player: 'Player',
    },
    zh: {
        modePlay: '对弈',
        modeAnalyse: '分析',
        modeReview: '复盘',
        restart: '重启引擎',
        first: '第一步',
        prev: '上一步 (←)',
        next: '下一步 (→)',
        last: '最后一步',
        flip: '翻转棋盘',
        youPlay: '你执',
        red: '红方',
        black: '黑方',
        neither: '观战',
        strength: 'Qarn 思考',
        perMove: '每步 {n} 秒',
        depth: '深度 {n}',
        newGame: '新对局',
        takeBack: '悔棋',
        engineOn: '引擎分析',
        reviewDepth: '搜索深度',
        reviewStart: '复盘本局',
        reviewCancel: '取消',
        reviewHint:
            'Qarn 按所选深度搜索本局的每个局面，标出失去胜率的着法（?! 欠佳，? 失误，?? 败着），' +
            '并在棋盘上画出更好的着法。',
        reviewing: '复盘中… {done}/{total} 个局面',
        reviewDone: '已按深度 {depth} 复盘。',
        reviewFailed: '复盘失败：{error}',
        reviewDropped: '复盘之后对局已改变：请重新复盘。',
        reviewScore: '评分 {score}',
        reviewComment: '{move}（{mark}）：{better}更好。',
        reviewLine: '变着：{line}',
        graphHint: '每步之后红方的胜率：点击曲线上的点可跳到该步',
        inaccuracies: '?! 欠佳',
        mistakes: '? 失误',
        blunders: '?? 败着',
        averageLoss: '平均损失',
        accuracy: '准确度',
        inaccuracy: '欠佳',
        mistake: '失误',
        blunder: '败着',
        moves: '着法',
        notationChinese: '中文',
        tools: '局面与棋谱文件',
        fen: '局面 (FEN)',
        setPosition: '设置局面',
        importLabel: '粘贴棋谱 (PGN) 或 FEN',
        importHint: '[Game "Chinese Chess"] … 1. 炮二平五 馬８進７ …',
        loadText: '载入',
        loadFile: '打开文件 (PGN, XQF)…',
        copyPgn: '复制 PGN',
        downloadPgn: '保存 PGN',
        footer: 'Qarn 象棋引擎，在你的浏览器中运行。MIT 许可证。',
        engineStarting: '引擎启动中…',
        engineReady: '{name} 已就绪',
        engineStopped: '引擎已停止',
        engineDown: '引擎停止工作了（{reason}）。你的对局已保留。',
        engineSilent: '它不再响应',
        bookMissing: '没有开局库：Qarn 将不用开局库下棋。（{message}）',
        yourMove: '轮到你走（{side}）。',
        thinking: '{name} 正在思考…',
        goToEnd: '回到最后一步以继续对局。',
        waitingEngine: '等待引擎…',
        mate: '将死：{winner}胜。',
        stalemate: '{loser}无子可动：{winner}胜。',
        result: '结果：{result}',
        toMove: '{side}走棋',
        book: '开局库',
        bookMoves: '开局库着法：{moves}',
        depthOf: '深度 {depth}/{mdepth}',
        rate: '{rate}节点/秒',
        analysisOff: '分析已关闭。',
        noMove: '{name} 找不到着法。',
        illegalEngineMove: '引擎给出了一个此处不合法的着法（{move}）。',
        fenRefused: '无法接受此 FEN：{error}',
        importFailed: '无法读取棋谱：{error}',
        importNone: '其中没有找到棋局。',
        loaded: '已载入：{game}',
        copied: 'PGN 已复制到剪贴板。',
        copyByHand: '请选中下面的文字并复制。',
        player: '棋手',
    },
};

let language = 'en';

// The worker gives its reasons for refusing a FEN, a move or a file in English; these are
// shown in Chinese too. Others (the game readers', quoting the file) stay as they are.
const REASONS = [
    [/^not a FEN/, 'FEN 格式不对：需要十行、每行九个点（棋子字母与数字），再加走棋方 w 或 b'],
    [
        /^not a legal position/,
        '不是合法局面（缺少将帅、某种棋子过多、棋子在不可能的位置，或非走棋方正被将军）',
    ],
    [/^move (\d+) \((.*)\) is not legal/, '第 $1 步（$2）在其局面中不合法'],
    [/^the file is larger than 1 MiB/, '文件超过 1 MiB'],
];

/** A reason the worker gave, in the page's language. */
export function explain(reason) {
    if (language !== 'zh') return reason;
    const known = REASONS.find(([pattern]) => pattern.test(reason));
    return known ? reason.replace(new RegExp(known[0].source + '.*'), known[1]) : reason;
}

function stored() {
    try {
        return localStorage.getItem(STORAGE_KEY);
    } catch {
        return null; // storage can be blocked; the browser's language is used then
    }
}

/** The remembered choice, else the browser's preferred languages (any Chinese gives 'zh'). */
export function detectLanguage() {
    const choice = stored();
    if (choice && choice in STRINGS) return choice;
    const wanted = navigator.languages?.length ? navigator.languages : [navigator.language];
    for (const tag of wanted) {
        const base = String(tag || '')
            .toLowerCase()
            .split('-')[0];
        if (base in STRINGS) return base;
    }
    return 'en';
}

export function currentLanguage() {
    return language;
}

/** The text for key with {name} placeholders filled from params. */
export function t(key, params = {}) {
    const text = STRINGS[language][key] ?? STRINGS.en[key] ?? key;
    return text.replace(/\{(\w+)\}/g, (_, name) => (name in params ? params[name] : `{${name}}`));
}

/** Switches the language, fills the static texts, and remembers the choice if asked. */
export function setLanguage(lang, remember = false) {
    language = lang in STRINGS ? lang : 'en';
    if (remember) {
        try {
            localStorage.setItem(STORAGE_KEY, language);
        } catch {
            // not remembered, still applied
        }
    }
    document.documentElement.lang = language === 'zh' ? 'zh-CN' : 'en';
    for (const node of document.querySelectorAll('[data-i18n]')) node.textContent = t(node.dataset.i18n);
    for (const node of document.querySelectorAll('[data-i18n-title]')) {
        node.title = t(node.dataset.i18nTitle);
        node.setAttribute('aria-label', node.title);
    }
    for (const node of document.querySelectorAll('[data-i18n-placeholder]')) {
        node.placeholder = t(node.dataset.i18nPlaceholder);
    }
}
