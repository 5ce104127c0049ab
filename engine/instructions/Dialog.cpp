// Dialog and media instructions: message boxes, the question whether the run may go
// on, the fixed warning, sounds, and media windows.
//
// Boxes are modal: the statement waits for the answer. Sounds and media play while
// the script goes on. A media window outlives its statement and the run; the engine
// keeps only the newest one (m_hMciWnd), which MCIPLAY, MCICLOSE and the stop request
// reach. An earlier window stays open when a new one is made, and MCICLOSE keeps the
// old handle, so MCIPLAY after MCICLOSE reaches a window that is gone and does
// nothing. Without media windows (the host offers none) the handle is 0 and every
// following media call does nothing.
#include "../KeywordChain.h"
#include "../Messages.h"
#include "../ScriptEngine.h"
#include "Families.h"

struct CDialogInstructions {
    static void ShowBox(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 3)) return;
        e.ShowMessage(e.Arg(1), e.Arg(2));
        e.SetStatus("", 100);
        e.Continue();
    }

    // Cancel ends the run after this line and keeps the previous statement's status,
    // which the report then shows once more for this line.
    static void MayContinue(CScriptEngine& e)
    {
        if (e.CheckArgCount(e.ArgCount(), 2)) return;
        MessageAnswer answer =
            e.Host().ShowMessage(msg::kMayContinue, e.Arg(1), MessageButtons::OkCancel);
        if (answer == MessageAnswer::Cancel) {
            e.RequestEnd();
            return;
        }
        e.SetStatus("", 100);
        e.Continue();
    }

    static void Warning(CScriptEngine& e)
    {
        e.Host().PlaySound(msg::kFixedSound);
        e.ShowMessage(msg::kKanjiInstruction, msg::kCheckCaption);
        e.SetStatus("", 100);
        e.Continue();
    }

    static void Sound(CScriptEngine& e)
    {
        e.Host().PlaySound(e.ArgCount() == 1 ? msg::kFixedSound : e.Arg(1));
        e.SetStatus("", 100);
        e.Continue();
    }

    // MCI file: fills the view; MCI file x (any second argument, not read): full
    // screen, the main window minimised; MCI file width height: that size at the
    // view's corner. Five or more tokens do nothing and keep the status.
    static void Mci(CScriptEngine& e)
    {
        const int count = e.ArgCount();
        if (e.CheckArgCount(count, 2)) return;
        if (count > 4) {
            e.Continue();
            return;
        }
        MediaPlacement placement = count == 2   ? MediaPlacement::FillView
                                   : count == 3 ? MediaPlacement::FullScreen
                                                : MediaPlacement::Sized;
        int32_t width = 0;
        int32_t height = 0;
        if (placement == MediaPlacement::Sized) {
            width = static_cast<int32_t>(e.OperandArg(2, 10));
            height = static_cast<int32_t>(e.OperandArg(3, 10));
        }
        CMediaServices* media = e.Host().Media();
        e.SetMediaWindow(media ? media->CreateMediaWindow(e.Arg(1), placement, width, height) : 0);
        e.SetMediaOpen(true);
        if (media) media->PlayMedia(e.MediaWindow());
        e.SetStatus("", 100);
        e.Continue();
    }

    static void MciPlay(CScriptEngine& e)
    {
        e.SetMediaOpen(true);
        if (CMediaServices* media = e.Host().Media()) media->PlayMedia(e.MediaWindow());
        e.Continue();
    }

    static void MciClose(CScriptEngine& e)
    {
        e.SetMediaOpen(false);
        e.Host().CloseMediaWindow(e.MediaWindow());
        e.Continue();
    }
};

void AddDialogInstructions(CKeywordChain& chain)
{
    chain.Add({
        // box with text 1 and caption 2, OK
        {"MESSAGEBOX", CDialogInstructions::ShowBox, 3, "tt"},
        // ask OK/Cancel under caption 1; Cancel ends the run
        {"MAYCONTINUE", CDialogInstructions::MayContinue, 2, "t"},
        // fixed sound and the "漢字命令です" box
        {msg::kMnemonicWarning, CDialogInstructions::Warning, 1, ""},
        // play the fixed sound, or file 1
        {msg::kMnemonicSound, CDialogInstructions::Sound, 1, "t"},
        // media window for file 1 and play it
        {"MCI", CDialogInstructions::Mci, 2, "tdd"},
        // play the newest media window again
        {"MCIPLAY", CDialogInstructions::MciPlay, 1, ""},
        // close the newest media window
        {"MCICLOSE", CDialogInstructions::MciClose, 1, ""},
    });
}
