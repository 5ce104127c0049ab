#include "QtHost.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include "DocumentText.h"
#include "UiTexts.h"

namespace {

// Lets through, while it is installed, only what a running script may see: repaints,
// timers and window-system bookkeeping, mouse input aimed at the Stop button, and the
// Esc key, which it turns into a stop request. Every other user input is dropped.
// Closing the main window stays possible: it stops the run and closes afterwards.
class CStopOnlyFilter final : public QObject {
public:
    CStopOnlyFilter(QWidget* stopButton, bool& stopWanted)
        : m_pStopButton(stopButton), m_bStopWanted(stopWanted)
    {
    }

    bool eventFilter(QObject* target, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
            // Window-level events still have to be turned into widget events.
            if (target->isWindowType()) return false;
            return !IsStopButton(target);
        case QEvent::KeyPress:
            if (target->isWindowType()) return false;
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) m_bStopWanted = true;
            return true;
        case QEvent::KeyRelease:
            return !target->isWindowType();
        case QEvent::ShortcutOverride:
            // Taken here so that no shortcut fires; the key press itself follows.
            event->accept();
            return true;
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TouchCancel:
        case QEvent::TabletPress:
        case QEvent::TabletMove:
        case QEvent::TabletRelease:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop:
        case QEvent::NonClientAreaMouseButtonPress:
        case QEvent::NonClientAreaMouseButtonRelease:
        case QEvent::NonClientAreaMouseButtonDblClick:
        case QEvent::FileOpen:
            return !target->isWindowType();
        default:
            return false;
        }
    }

private:
    bool IsStopButton(QObject* target) const
    {
        return m_pStopButton != nullptr && target == m_pStopButton;
    }

    QWidget* m_pStopButton;
    bool& m_bStopWanted;
};

} // namespace

CQtHost::CQtHost() = default;

CQtHost::~CQtHost()
{
    m_pMedia.reset();
}

void CQtHost::SetViewWidget(QWidget* view)
{
    if (view != m_pView) m_pMedia.reset(); // the windows belong to the old view
    m_pView = view;
}

CMediaServices* CQtHost::Media()
{
    if (!m_pMedia && m_pView != nullptr)
        m_pMedia = std::make_unique<CQtMediaServices>(m_pView.data(), m_pMainWindow.data());
    return m_pMedia.get();
}

void CQtHost::PlaySound(std::string_view file)
{
    m_pSound->PlayWave(file);
}

void CQtHost::ShowFrame(bool show)
{
    if (m_pMainWindow.isNull()) return;
    if (show) {
        m_pMainWindow->showNormal();
        m_pMainWindow->raise();
    } else {
        m_pMainWindow->hide();
    }
    m_pMainWindow->repaint();
}

void CQtHost::SetMainWindow(QWidget* frame)
{
    m_pMainWindow = frame;
    // The desktop instructions name windows by X11 id; the id exists only on X11.
    if (frame != nullptr && QGuiApplication::platformName() == QLatin1String("xcb"))
        m_pDesktop->SetMainWindow(static_cast<uint32_t>(frame->winId()));
}

void CQtHost::SetLibraryChoice(DeviceLibrary which, std::string choice)
{
    (which == DeviceLibrary::Ports ? m_strPortsChoice : m_strFtdiChoice) = std::move(choice);
}

std::string CQtHost::LibraryFile(DeviceLibrary which)
{
    return ResolveDeviceLibrary(which,
                                which == DeviceLibrary::Ports ? m_strPortsChoice : m_strFtdiChoice);
}

MessageAnswer CQtHost::RunMessageBox(const QString& text, const QString& caption,
                                     MessageButtons buttons)
{
    QMessageBox box; // no parent: the box has no owner window
    // An empty title would be replaced by the program's name; a space shows nothing.
    box.setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
    box.setTextFormat(Qt::PlainText);
    box.setText(text);
    box.setIcon(QMessageBox::NoIcon);
    QPushButton* ok = box.addButton(ui::kButtonOk, QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if (buttons == MessageButtons::OkCancel)
        cancel = box.addButton(ui::kButtonCancel, QMessageBox::RejectRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(cancel != nullptr ? cancel : ok);
    box.setWindowModality(Qt::NonModal);

    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    box.show();
    box.raise();
    box.activateWindow();
    if (box.isVisible()) loop.exec(QEventLoop::DialogExec);
    // A box closed from its title bar answers as its escape button would.
    QAbstractButton* clicked = box.clickedButton();
    if (buttons == MessageButtons::OkCancel && clicked != ok) return MessageAnswer::Cancel;
    return MessageAnswer::Ok;
}

MessageAnswer CQtHost::ShowMessage(std::string_view text, std::string_view caption,
                                   MessageButtons buttons)
{
    const QString qtext = doctext::DecodeMessage(text);
    const QString qcaption = doctext::DecodeMessage(caption);
    if (m_messageHook) return m_messageHook(qtext, qcaption, buttons);
    return RunMessageBox(qtext, qcaption, buttons);
}

void CQtHost::ShowAppMessage(std::string_view text)
{
    const QString qtext = doctext::DecodeMessage(text);
    if (m_messageHook)
        m_messageHook(qtext, ui::kAppTitle, MessageButtons::Ok);
    else
        RunMessageBox(qtext, ui::kAppTitle, MessageButtons::Ok);
}

void CQtHost::PumpMessages()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool CQtHost::TakeStop()
{
    const bool stop = m_bStopWanted;
    m_bStopWanted = false;
    return stop;
}

bool CQtHost::CheckStop()
{
    m_nLastCheck = platform::ClockMs();
    // A check inside a check (a repaint that runs a script cannot happen, but a
    // nested event loop could call back): the outer one is already looking.
    if (m_bChecking || QCoreApplication::instance() == nullptr) return TakeStop();
    m_bChecking = true;
    CStopOnlyFilter filter(m_pStopButton.data(), m_bStopWanted);
    QCoreApplication::instance()->installEventFilter(&filter);
    // Socket notifiers stay quiet: texts sent by other programs wait for the pump.
    QCoreApplication::processEvents(QEventLoop::ExcludeSocketNotifiers);
    QCoreApplication::instance()->removeEventFilter(&filter);
    m_bChecking = false;
    return TakeStop();
}

bool CQtHost::PollStop()
{
    if (platform::ClockMs() - m_nLastCheck < kStopCheckInterval) return TakeStop();
    return CheckStop();
}

uint32_t CQtHost::GetTickCount()
{
    return static_cast<uint32_t>(platform::ClockMs());
}

bool CQtHost::Sleep(uint32_t milliseconds)
{
    if (TakeStop()) return false;
    return platform::SleepInSlices(milliseconds, kStopCheckInterval, [this] { return CheckStop(); });
}

bool CQtHost::GetLowPowerTimeout(uint32_t& seconds)
{
    return platform::GetLowPowerTimeout(seconds);
}

void CQtHost::SetLowPowerTimeout(uint32_t seconds)
{
    platform::SetLowPowerTimeout(seconds);
}
