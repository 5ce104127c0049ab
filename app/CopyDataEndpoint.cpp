#include "CopyDataEndpoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QMessageBox>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "DocumentText.h"
#include "QtHost.h"
#include "UiTexts.h"

namespace {

constexpr const char* kBufferProperty = "tavimoreText";
constexpr int kClientTimeoutMs = 5000;

bool PeerIsUser(QLocalSocket* socket)
{
    ucred credentials{};
    socklen_t length = sizeof credentials;
    const auto fd = static_cast<int>(socket->socketDescriptor());
    if (fd < 0 || getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) return false;
    return credentials.uid == getuid();
}

} // namespace

CCopyDataEndpoint::CCopyDataEndpoint(QObject* parent) : QObject(parent)
{
    connect(&m_server, &QLocalServer::newConnection, this, &CCopyDataEndpoint::OnNewConnection);
}

CCopyDataEndpoint::~CCopyDataEndpoint()
{
    m_server.close();
}

QString CCopyDataEndpoint::EndpointFolder(QString& error)
{
    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    QString folder;
    if (!base.isEmpty() && QDir(base).exists())
        folder = base + QStringLiteral("/tavimore");
    else
        folder = QStringLiteral("/tmp/tavimore-%1").arg(getuid());
    const QByteArray path = QFile::encodeName(folder);
    if (mkdir(path.constData(), 0700) != 0 && errno != EEXIST) {
        error = QString::fromLocal8Bit(std::strerror(errno));
        return QString();
    }
    struct stat info {};
    if (lstat(path.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != getuid() ||
        (info.st_mode & 077) != 0) {
        error = QStringLiteral("%1 is not a folder only this user can reach").arg(folder);
        return QString();
    }
    return folder;
}

int CCopyDataEndpoint::RemoveStaleSockets(const QString& folder)
{
    // Only the per-editor names: "copydata" itself is taken over in Listen.
    int removed = 0;
    const QStringList names =
        QDir(folder).entryList({QStringLiteral("copydata-*")}, QDir::System | QDir::Hidden);
    for (const QString& name : names) {
        const QString path = folder + QLatin1Char('/') + name;
        struct stat info {};
        if (lstat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISSOCK(info.st_mode))
            continue;
        // A listening editor accepts at once; a socket nobody listens on refuses.
        QLocalSocket probe;
        probe.connectToServer(path);
        const bool alive = probe.waitForConnected(200);
        probe.abort();
        if (!alive && QFile::remove(path)) ++removed;
    }
    return removed;
}

bool CCopyDataEndpoint::Listen(QString& error)
{
    const QString folder = EndpointFolder(error);
    if (folder.isEmpty()) return false;
    RemoveStaleSockets(folder);
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    const QString shared = folder + QStringLiteral("/copydata");
    if (!QFile::exists(shared) || [&] {
            // A socket left by an editor that has ended is taken over.
            QLocalSocket probe;
            probe.connectToServer(shared);
            const bool alive = probe.waitForConnected(200);
            probe.abort();
            if (!alive) QLocalServer::removeServer(shared);
            return !alive;
        }()) {
        if (m_server.listen(shared)) return true;
    }
    const QString own =
        folder + QStringLiteral("/copydata-%1").arg(QCoreApplication::applicationPid());
    QLocalServer::removeServer(own);
    if (m_server.listen(own)) return true;
    error = m_server.errorString();
    return false;
}

QString CCopyDataEndpoint::SocketPath() const
{
    return m_server.fullServerName();
}

void CCopyDataEndpoint::OnNewConnection()
{
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        if (!PeerIsUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        socket->setProperty(kBufferProperty, QByteArray());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadable(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { Finish(socket); });
        // A client that neither finishes nor leaves is dropped.
        QTimer::singleShot(kClientTimeoutMs, socket, [socket] { socket->abort(); });
        OnReadable(socket);
    }
}

void CCopyDataEndpoint::OnReadable(QLocalSocket* socket)
{
    QByteArray text = socket->property(kBufferProperty).toByteArray();
    text += socket->readAll();
    const qsizetype end = text.indexOf('\0');
    if (end >= 0 || text.size() > kLongestText) {
        text.truncate(end >= 0 ? end : kLongestText);
        socket->setProperty(kBufferProperty, text);
        socket->disconnectFromServer(); // Finish follows
        return;
    }
    socket->setProperty(kBufferProperty, text);
}

void CCopyDataEndpoint::Finish(QLocalSocket* socket)
{
    if (socket->property("tavimoreDone").toBool()) return;
    socket->setProperty("tavimoreDone", true);
    QByteArray text = socket->property(kBufferProperty).toByteArray();
    text += socket->readAll();
    if (const qsizetype end = text.indexOf('\0'); end >= 0) text.truncate(end);
    if (text.size() > kLongestText) text.truncate(kLongestText);
    socket->deleteLater();
    // A client that sent nothing (a probe, or one that gave up) has nothing to show.
    if (text.isEmpty()) return;
    if (m_pending.size() >= kMostPending) {
        ++m_nDropped;
        qWarning("tavimore: %lld texts from other programs dropped: too many wait for their box",
                 static_cast<long long>(m_nDropped));
        return;
    }
    const QString shown = ShownText(text);
    emit TextReceived(shown);
    m_pending.enqueue(shown);
    // Shown from the event loop, not inside the socket's signal.
    QTimer::singleShot(0, this, &CCopyDataEndpoint::ShowNext);
}

QString CCopyDataEndpoint::ShownText(const QByteArray& bytes)
{
    // Cut at a character boundary, so that a double-byte character is never split.
    qsizetype cut = 0;
    while (cut < bytes.size() && cut < kShownBytes) {
        const auto c = static_cast<unsigned char>(bytes[cut]);
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        const qsizetype step = lead && cut + 1 < bytes.size() ? 2 : 1;
        if (cut + step > kShownBytes) break;
        cut += step;
    }
    QString text =
        doctext::DecodeMessage(std::string_view(bytes.constData(), static_cast<size_t>(cut)));
    bool shortened = cut < bytes.size();
    qsizetype lineEnd = -1;
    for (qsizetype line = 0; line < kShownLines; ++line) {
        lineEnd = text.indexOf(QLatin1Char('\n'), lineEnd + 1);
        if (lineEnd < 0) break;
    }
    if (lineEnd >= 0 && lineEnd + 1 < text.size()) {
        text.truncate(lineEnd);
        shortened = true;
    }
    if (shortened) text += ui::kLongTextCut.arg(bytes.size());
    return text;
}

void CCopyDataEndpoint::ShowNext()
{
    if (m_bShowing || m_pending.isEmpty()) return;
    const QString text = m_pending.dequeue();
    m_bShowing = true;
    if (m_showText) {
        m_showText(text);
        BoxClosed();
        return;
    }
    QMessageBox* box = CQtHost::MakeMessageBox(text, QString(), MessageButtons::Ok, m_pOwner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, &CCopyDataEndpoint::BoxClosed);
    box->show();
    box->raise();
    box->activateWindow();
}

void CCopyDataEndpoint::BoxClosed()
{
    m_bShowing = false;
    if (!m_pending.isEmpty()) QTimer::singleShot(0, this, &CCopyDataEndpoint::ShowNext);
}
