// The editor's cost of showing a run's report: runs a counting loop at debug level 100
// in the editor on the offscreen platform and prints, on one line,
//   cpu SECONDS peak KIB idle KIB report BYTES lines LINES
// where cpu is the processor time from the run command until the view has laid the
// new text out and painted it, peak the process's peak resident memory (idle: before
// the run, with the editor's window up), report the
// size of the text the run left in the editor; then, on a second line,
//   check_cpu SECONDS findings COUNT
// the processor time of the checker over that whole text; then
//   editable_cpu SECONDS
// the processor time of making a long output the editable text (the first key that
// edits it does so).
//   tavimore-bench-editor ITERATIONS
#include <QApplication>
#include <QTextBlock>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "LargeTextView.h"
#include "MainFrame.h"
#include "ScriptDiagnostics.h"
#include "TavimoreApp.h"
#include "TavimoreDoc.h"
#include "TavimoreView.h"

namespace {

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long PeakKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const long iterations = argc > 1 ? std::atol(argv[1]) : 200000;

    CTavimoreApp app;
    QString error;
    if (!app.InitInstance({QStringLiteral("--ports"), QStringLiteral("none"),
                           QStringLiteral("--ftdi"), QStringLiteral("none")},
                          error)) {
        std::fprintf(stderr, "tavimore-bench-editor: %s\n", qPrintable(error));
        return 1;
    }
    CTavimoreView& view = *app.MainFrame()->View();
    CTavimoreDoc& doc = *app.Document();
    view.setPlainText(
        QStringLiteral("MOV REG1 0\nL'LOOP\nINC REG1\nIFJ REG1 < D'%1 L'LOOP\n").arg(iterations));
    doc.Engine().SetDebugLevel(100);
    QApplication::processEvents();
    const long idle = PeakKiB();

    const double start = CpuSeconds();
    doc.RunText();
    // The view (or, for a long output, the viewer) lays out and paints the new text.
    CMainFrame& frame = *app.MainFrame();
    (frame.IsLongOutputShown() ? frame.LongView()->viewport() : view.viewport())->repaint();
    QApplication::processEvents();
    const double cpu = CpuSeconds() - start;

    // The run's output is the text the editor now shows, in the engine's bytes.
    const long peak = PeakKiB();
    std::printf("cpu %.3f peak %ld idle %ld report %zu lines %d\n", cpu, peak, idle,
                doc.Engine().OutputText().size(),
                doc.LongOutput() ? doc.LongOutput()->LineCount()
                                 : doc.TextDocument()->blockCount());

    // The checker over the whole report, as the diagnostics panel's "check now" runs it
    // (typing into a text this long does not check it).
    const double checkStart = CpuSeconds();
    app.Diagnostics()->Check();
    std::printf("check_cpu %.3f findings %d\n", CpuSeconds() - checkStart,
                app.Diagnostics()->Count());

    // The first key that edits a long output writes it into the text widget.
    const double editStart = CpuSeconds();
    app.MakeEditable();
    view.viewport()->repaint();
    QApplication::processEvents();
    std::printf("editable_cpu %.3f\n", CpuSeconds() - editStart);
    return 0;
}
