#include "CopyDataEndpoint.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLocalSocket>
#include <QTimer>

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "DocumentText.h"
#include "QtHost.h"

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
    m_showText = [](const QString& text) {
        CQtHost::RunMessageBox(text, QString(), MessageButtons::Ok);
    };
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

bool CCopyDataEndpoint::Listen(QString& error)
{
    const QString folder = EndpointFolder(error);
    if (folder.isEmpty()) return false;
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
    const QString shown = doctext::DecodeMessage(
        std::string_view(text.constData(), static_cast<size_t>(text.size())));
    emit TextReceived(shown);
    // Shown from the event loop, not inside the socket's signal.
    QTimer::singleShot(0, this, [this, shown] { m_showText(shown); });
}
