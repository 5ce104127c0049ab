// CCopyDataEndpoint: where other programs send the editor a text to show.
//
// A local socket in a folder only the user can enter ($XDG_RUNTIME_DIR/tavimore, or
// /tmp/tavimore-<uid> made with mode 0700 and checked to be the user's own). The
// first editor of a session listens as "copydata", later ones as "copydata-<pid>". A
// client connects, writes a text (cp932, up to a NUL byte or the end of the
// connection) and closes; the editor shows it in a message box with an empty caption
// and an OK button. Connections of other users are refused by their credentials; a
// client that sends nothing (another editor looking whether this one is alive) shows
// nothing. Sockets of editors that have ended are removed at start-up.
//
// The texts wait in a queue and are shown one box at a time, the next when the box
// before it is closed; the boxes run no event loop of their own, so any number of
// texts costs no stack. What does not fit in the queue is dropped and counted. A long
// text shows its start and says how long it is.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QString>

#include <QPointer>
#include <QQueue>
#include <QWidget>

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

    // Shows a received text and returns when it has been seen; the default (or null)
    // shows the message box (tests replace it).
    void SetShowText(std::function<void(const QString&)> show) { m_showText = std::move(show); }
    // The window the boxes stay above.
    void SetOwnerWindow(QWidget* owner) { m_pOwner = owner; }

    // Texts waiting for their box, and those dropped because the queue was full.
    qsizetype PendingCount() const { return m_pending.size(); }
    qint64 DroppedCount() const { return m_nDropped; }

    // Removes the sockets of editors that no longer answer in a folder of endpoints;
    // answers how many went.
    static int RemoveStaleSockets(const QString& folder);

    static constexpr qint64 kLongestText = 1 << 20;
    // Texts waiting while a box is open; later ones are dropped.
    static constexpr qsizetype kMostPending = 32;
    // What a box shows of a long text, in bytes and lines.
    static constexpr qsizetype kShownBytes = 4096;
    static constexpr qsizetype kShownLines = 40;

    // The text a box shows for the bytes received.
    static QString ShownText(const QByteArray& bytes);

signals:
    void TextReceived(const QString& text);

private:
    void OnNewConnection();
    void OnReadable(QLocalSocket* socket);
    void Finish(QLocalSocket* socket);
    void ShowNext();
    void BoxClosed();

    QLocalServer m_server;
    std::function<void(const QString&)> m_showText;
    QPointer<QWidget> m_pOwner;
    QQueue<QString> m_pending;
    qint64 m_nDropped = 0;
    bool m_bShowing = false;
};
