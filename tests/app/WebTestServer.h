#pragma once

// A small HTTP server for the web windows' tests, on 127.0.0.1 of whatever
// network namespace the thread that makes it is in. It answers each path with
// a fixed page, a redirect or nothing at all, and records every request it reads.
#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QTcpServer>
#include <QTcpSocket>

class WebTestServer : public QObject {
public:
    struct Page {
        int iStatus = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        // Sent as the Location header: with a status of 3xx, a redirect.
        QByteArray location = {};
        // The request is read and never answered, as a server that hangs.
        bool bNoAnswer = false;
    };
    // A redirect to an address.
    static Page Redirect(const QByteArray& location) { return {302, "text/html", {}, location}; }
    static Page Html(const QByteArray& body) { return {200, "text/html; charset=utf-8", body}; }

    struct Request {
        QByteArray method;
        QByteArray path;
        QByteArray contentType;
        QByteArray cacheControl;
        QByteArray body;
    };

    // Port 0: any free port.
    explicit WebTestServer(quint16 port = 0)
    {
        FServer.listen(QHostAddress::LocalHost, port);
        connect(&FServer, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = FServer.nextPendingConnection()) {
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }

    bool IsListening() const { return FServer.isListening(); }
    QString Base() const { return QStringLiteral("http://127.0.0.1:%1").arg(FServer.serverPort()); }
    void Close() { FServer.close(); }

    void SetPage(const QByteArray& path, const Page& page) { FPages[path] = page; }
    const QList<Request>& Requests() const { return FRequests; }
    // The requests for one path, in order.
    QList<Request> RequestsFor(const QByteArray& path) const
    {
        QList<Request> found;
        for (const Request& r : FRequests)
            if (r.path == path)
                found.append(r);
        return found;
    }

private:
    void Read(QTcpSocket* socket)
    {
        QByteArray& buffer = FBuffers[socket];
        buffer += socket->readAll();
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        Request request;
        const QList<QByteArray> first = lines.value(0).trimmed().split(' ');
        request.method = first.value(0);
        request.path = first.value(1);
        qsizetype iLength = 0;
        for (const QByteArray& line : lines.mid(1)) {
            const qsizetype colon = line.indexOf(':');
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "content-length")
                iLength = value.toLongLong();
            else if (name == "content-type")
                request.contentType = value;
            else if (name == "cache-control")
                request.cacheControl = value;
        }
        if (buffer.size() < end + 4 + iLength)
            return;
        request.body = buffer.mid(end + 4, iLength);
        FBuffers.remove(socket);
        FRequests.append(request);

        const QByteArray path = request.path.left(request.path.indexOf('?') < 0 ? request.path.size()
                                                                                : request.path.indexOf('?'));
        const Page page = FPages.value(path, Page{404, "text/plain", "not found"});
        if (page.bNoAnswer)
            return;
        const QByteArray location = page.location.isEmpty() ? QByteArray() : "\r\nLocation: " + page.location;
        QByteArray answer = "HTTP/1.1 " + QByteArray::number(page.iStatus) +
                            " X\r\nContent-Type: " + page.contentType + location +
                            "\r\nContent-Length: " + QByteArray::number(page.body.size()) +
                            "\r\nCache-Control: no-store\r\nConnection: close\r\n\r\n" + page.body;
        socket->write(answer);
        socket->disconnectFromHost();
    }

    QTcpServer FServer;
    QMap<QByteArray, Page> FPages;
    QMap<QTcpSocket*, QByteArray> FBuffers;
    QList<Request> FRequests;
};
