#include "QtHost.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QWindow>

#include "Doctor.h"
#include "DocumentText.h"
#include "Messages.h"
#include "UiTexts.h"

namespace {

// Lets through, while it is installed, only what a running script may see at once:
// repaints, timers and window-system bookkeeping, mouse input aimed at the Stop button,
// and the Esc key, which it turns into a stop request. Every other input to a widget
// is held for the next pump. Input arrives at a window first and is turned into input
// for the widget under the mouse or with the focus; it is held only then, so that it
// goes to the widget it was meant for when it is delivered.
class CStopOnlyFilter final : public QObject {
public:
    CStopOnlyFilter(QWidget* stopButton, bool& stopWanted, std::vector<CQtHost::HeldEvent>& held)
        : m_pStopButton(stopButton), m_bStopWanted(stopWanted), m_held(held)
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
            if (target->isWindowType() || IsStopButton(target)) return false;
            return Hold(target, event);
        case QEvent::KeyPress:
            if (target->isWindowType()) return false;
            if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
                m_bStopWanted = true;
                return true;
            }
            return Hold(target, event);
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::InputMethod:
            if (target->isWindowType()) return false;
            return Hold(target, event);
        case QEvent::ShortcutOverride:
            // Taken here so that no shortcut fires; the key press itself follows.
            event->accept();
            return true;
        case QEvent::Shortcut:
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

    // Keeps a copy of the event for the next pump; the event itself goes no further.
    bool Hold(QObject* target, QEvent* event)
    {
        if (m_held.size() < CQtHost::kMostHeldInput)
            m_held.push_back({QPointer<QObject>(target), std::unique_ptr<QEvent>(event->clone())});
        return true;
    }

    QWidget* m_pStopButton;
    bool& m_bStopWanted;
    std::vector<CQtHost::HeldEvent>& m_held;
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

void KeepAboveMainWindow(QWidget* window, QWidget* mainWindow)
{
    if (window == nullptr || mainWindow == nullptr) return;
    window->winId(); // makes the window-system window to hang the relation on
    QWindow* handle = window->windowHandle();
    QWindow* owner = mainWindow->window()->windowHandle();
    if (handle != nullptr && owner != nullptr && handle != owner) handle->setTransientParent(owner);
}

QMessageBox* CQtHost::MakeMessageBox(const QString& text, const QString& caption,
                                     MessageButtons buttons, QWidget* mainWindow)
{
    auto* box = new QMessageBox; // no parent: the box has no owner window
    // An empty title would be replaced by the program's name; a space shows nothing.
    box->setWindowTitle(caption.isEmpty() ? QStringLiteral(" ") : caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setIcon(QMessageBox::NoIcon);
    QPushButton* ok = box->addButton(ui::kButtonOk, QMessageBox::AcceptRole);
    QPushButton* cancel = nullptr;
    if (buttons == MessageButtons::OkCancel)
        cancel = box->addButton(ui::kButtonCancel, QMessageBox::RejectRole);
    box->setDefaultButton(ok);
    box->setEscapeButton(cancel != nullptr ? cancel : ok);
    box->setWindowModality(Qt::NonModal);
    // After the modality, which resets the window's hints to the defaults.
    box->setWindowFlags(kFixedDialogFlags);
    KeepAboveMainWindow(box, mainWindow);
    return box;
}

MessageAnswer CQtHost::RunMessageBox(const QString& text, const QString& caption,
                                     MessageButtons buttons, QWidget* mainWindow)
{
    std::unique_ptr<QMessageBox> box(MakeMessageBox(text, caption, buttons, mainWindow));
    QEventLoop loop;
    QObject::connect(box.get(), &QDialog::finished, &loop, &QEventLoop::quit);
    box->show();
    box->raise();
    box->activateWindow();
    if (box->isVisible()) loop.exec(QEventLoop::DialogExec);
    // A box closed from its title bar answers as its escape button would.
    QAbstractButton* clicked = box->clickedButton();
    if (buttons == MessageButtons::OkCancel &&
        (clicked == nullptr || box->buttonRole(clicked) != QMessageBox::AcceptRole))
        return MessageAnswer::Cancel;
    return MessageAnswer::Ok;
}

MessageAnswer CQtHost::ShowMessage(std::string_view text, std::string_view caption,
                                   MessageButtons buttons)
{
    const QString qtext = doctext::DecodeMessage(text);
    const QString qcaption = doctext::DecodeMessage(caption);
    if (m_messageHook) return m_messageHook(qtext, qcaption, buttons);
    return RunMessageBox(qtext, qcaption, buttons, m_pMainWindow);
}

void CQtHost::ShowAppMessage(std::string_view text)
{
    const QString qtext = doctext::DecodeMessage(text);
    if (m_messageHook)
        m_messageHook(qtext, ui::kAppTitle, MessageButtons::Ok);
    else
        RunMessageBox(qtext, ui::kAppTitle, MessageButtons::Ok, m_pMainWindow);
    NoteFailureCause(text);
}

void CQtHost::NoteFailureCause(std::string_view text)
{
    // The library messages say only that the library is unusable; the check says why.
    // Only the system's own libraries are explained: a simulation or a library of the
    // user's is not the system's fault.
    if (!m_failureNote) return;
    std::string cause;
    const auto probe = doctor::CreateDoctorProbe();
    if (text == msg::kWinIoUnavailable && m_strPortsChoice == "system")
        cause = doctor::FirstFailure(
            doctor::CheckPorts(*probe, doctor::DoctorSetup(m_strPortsChoice, m_strFtdiChoice)));
    else if (text == msg::kFtLibraryMissing && m_strFtdiChoice == "system")
        cause = doctor::FirstFailure(
            doctor::CheckFtdi(*probe, doctor::DoctorSetup(m_strPortsChoice, m_strFtdiChoice)));
    if (!cause.empty()) m_failureNote(ui::kEnvCheckHint.arg(QString::fromStdString(cause)));
}

void CQtHost::PumpMessages()
{
    // The input that came while the script did not pump goes first, in its order.
    DeliverHeldInput();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void CQtHost::DeliverHeldInput()
{
    std::vector<HeldEvent> held;
    held.swap(m_held);
    for (HeldEvent& entry : held)
        if (!entry.target.isNull()) QCoreApplication::sendEvent(entry.target, entry.event.get());
}

void CQtHost::EndRun()
{
    std::vector<HeldEvent> held;
    held.swap(m_held);
    for (HeldEvent& entry : held)
        if (!entry.target.isNull() && entry.event->type() == QEvent::MouseButtonRelease)
            QCoreApplication::sendEvent(entry.target, entry.event.get());
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
    CStopOnlyFilter filter(m_pStopButton.data(), m_bStopWanted, m_held);
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
    return platform::SleepInSlices(milliseconds, kStopCheckInterval,
                                   [this] { return CheckStop(); });
}

bool CQtHost::GetLowPowerTimeout(uint32_t& seconds)
{
    return platform::GetLowPowerTimeout(seconds);
}

void CQtHost::SetLowPowerTimeout(uint32_t seconds)
{
    platform::SetLowPowerTimeout(seconds);
}
