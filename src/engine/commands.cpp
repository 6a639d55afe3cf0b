#include "engine/commands.h"

#include <cstdio>

#include "base/messages.h"
#include "base/output.h"
#include "base/platform.h"
#include "book/book.h"
#include "engine/board.h"
#include "engine/enginepos.h"
#include "engine/go.h"
#include "engine/parser.h"
#include "engine/reader.h"
#include "engine/reports.h"
#include "engine/timecontrol.h"
#include "search/progress.h"

void quitEngine() {
    stopLineReader(standardInputSlot());
    fputs("bye\n", stdout);
    fflush(stdout);
}

void endProcess(int code) {
    endProcessNow(code);
}

int commandLoop() {
    // Kept for the whole run: a command overwrites only the arguments it uses.
    static CommandArgs args;
    for (;;) {
        switch (parseCommand(args)) {
            case e_CommNone:
                printFlush("%s\n", kUnknownCommand);
                break;
            case e_CommScr:
                showBoard(enginePosition);
                break;
            case e_CommMove:
                if (enginePositionValid)
                    applyMoveTexts(enginePosition, args.arg2.number, args.arg3.moveTexts);
                showBoard(enginePosition);
                break;
            case e_CommIsReady:
                printFlush("readyok\n");
                break;
            case e_CommSetOption:
                if (args.arg1.number == e_OptionLoadBook && loadBook())
                    reportBookLoaded(int(bookTable.size()));
                break;
            case e_CommPosition:
                enginePositionValid =
                    loadFen(enginePosition, args.arg1.text, args.arg2.number, args.arg3.moveTexts);
                break;
            case e_CommGo:
                resetSearchLimits();
                setSearchLimits(args.arg1.number, args.arg2.number, args.arg3.number);
                searchDriver();
                break;
            case e_CommGoPonder:
                printFlush("e_CommGoPonder\n");
                break;
            case e_CommQuit:
                quitEngine();
                return 0;
            default:
                break;  // stop, banmoves: nothing to do outside a search
        }
    }
}
