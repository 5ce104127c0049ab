// CCopyDataEndpoint: where other programs send the editor a text to show.
//
// A local socket in a folder only the user can enter ($XDG_RUNTIME_DIR/tavimore, or
// /tmp/tavimore-<uid> made with mode 0700 and checked to be the user's own). The
// first editor of a session listens as "copydata", later ones as "copydata-<pid>". A
// client connects, writes a text (cp932, up to a NUL byte or the end of the
// connection) and closes; the editor shows it in a message box with an empty caption
// and an OK button. Connections of other users are refused by their credentials.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>

class QLocalSocket;

class CCopyDataEndpoint final : public QObject {
    Q_OBJECT
public:
    explicit CCopyDataEndpoint(QObject* parent = nullptr);
    ~CCopyDataEndpoint() override;

    // Starts listening; false (with the reason) when no endpoint could be made.
    bool Listen(QString& error);
    QString SocketPath() const;

    // The folder of the endpoints; made and checked, or "" when unsafe.
    static QString EndpointFolder(QString& error);

    // Shows a received text; the default shows the message box (tests replace it).
    void SetShowText(std::function<void(const QString&)> show) { m_showText = std::move(show); }

    static constexpr qint64 kLongestText = 1 << 20;

signals:
    void TextReceived(const QString& text);

private:
    void OnNewConnection();
    void OnReadable(QLocalSocket* socket);
    void Finish(QLocalSocket* socket);

    QLocalServer m_server;
    std::function<void(const QString&)> m_showText;
};
