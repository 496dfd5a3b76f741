#include "desktop/live_server.h"

#include <sys/resource.h>

#include <QAbstractHttpServer>
#include <QElapsedTimer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QHttpServerResponse>
#include <QList>
#include <QNetworkInterface>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

namespace kvt::desktop {

namespace {

class GuardedSocket : public QTcpSocket {
public:
    using QTcpSocket::QTcpSocket;
    // Qt's server lets go of a connection whose request it cannot parse by disconnecting the
    // socket's signals, and leaves it open: such a connection has no one reading it.
    bool abandoned() const { return receivers(SIGNAL(readyRead())) == 0; }

    // Between requests: none of its bytes waits for an answer, so a newcomer may take its place.
    bool betweenRequests() const { return !requestOpen && !closing; }

    QElapsedTimer idle;
    // Since the first byte of the request being read.
    QElapsedTimer request;
    bool requestOpen = false;
    qint64 requestBytes = 0;
    bool refused = false;
    bool closing = false;
};

class GuardedTcpServer : public QTcpServer {
public:
    GuardedTcpServer(const ConnectionLimits& limits, QObject* parent)
        : QTcpServer(parent), limits_(limits) {
        sweeper_.setInterval(250);
        connect(&sweeper_, &QTimer::timeout, this, [this] { sweep(); });
        sweeper_.start();
    }

protected:
    void incomingConnection(qintptr descriptor) override {
        auto* socket = new GuardedSocket(this);
        if (!socket->setSocketDescriptor(descriptor)) {
            delete socket;
            return;
        }
        prune();
        // A place for the newcomer: one of its own address's that waits for no answer, when
        // that address has its share; else any such when every place is taken; else none.
        const QHostAddress peer = socket->peerAddress();
        if (fromAddress(peer) >= limits_.connectionsPerClient && !evictIdle(&peer)) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        if (connectedCount() >= limits_.connections && !evictIdle(nullptr)) {
            socket->abort();
            socket->deleteLater();
            return;
        }
        // What a request may fill before it is refused, and not much more, is read.
        socket->setReadBufferSize(limits_.requestBytes + 4096);
        socket->idle.start();
        // Connected before Qt's server connects its own: this one sees the bytes first.
        connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { count(socket); });
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket] { socket->idle.restart(); });
        sockets_.append(socket);
        addPendingConnection(socket);
    }

private:
    // Bytes of the request being read: Qt's server reads each request inside a transaction of
    // the socket, so what is available here is what came since its last look.
    void count(GuardedSocket* socket) {
        socket->idle.restart();
        if (!socket->requestOpen) {
            socket->requestOpen = true;
            socket->request.start();
        }
        if (!socket->isTransactionStarted()) socket->requestBytes = 0;
        socket->requestBytes += socket->bytesAvailable();
        if (socket->requestBytes > limits_.requestBytes) refuse(socket, "413 Payload Too Large");
    }

    void refuse(GuardedSocket* socket, const QByteArray& status) {
        socket->refused = true;
        socket->closing = true;
        socket->idle.restart();
        QObject::disconnect(socket, &QTcpSocket::readyRead, nullptr, nullptr);
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        socket->write("HTTP/1.1 " + status + "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        socket->disconnectFromHost();
    }

    void sweep() {
        for (const QPointer<GuardedSocket>& socket : sockets_) {
            if (!socket) continue;
            if (socket->state() == QAbstractSocket::UnconnectedState) {
                if (socket->refused || socket->abandoned()) socket->deleteLater();
                continue;
            }
            if (!socket->refused && socket->abandoned()) {
                refuse(socket, "400 Bad Request");
                continue;
            }
            if (!socket->closing && socket->requestOpen &&
                socket->request.elapsed() > limits_.requestMilliseconds) {
                refuse(socket, "408 Request Timeout");
                continue;
            }
            if (socket->idle.elapsed() <= limits_.idleMilliseconds) continue;
            if (socket->closing) {
                // It would not close when asked: it goes now, whatever it still holds.
                socket->abort();
                socket->deleteLater();
            } else {
                socket->closing = true;
                socket->idle.restart();
                socket->disconnectFromHost();
            }
        }
        prune();
    }

    // The connections not yet closed (those closing too), of every address or of one.
    int connectedCount() const {
        return static_cast<int>(std::count_if(
            sockets_.begin(), sockets_.end(), [](const QPointer<GuardedSocket>& socket) {
                return socket && socket->state() != QAbstractSocket::UnconnectedState;
            }));
    }
    int fromAddress(const QHostAddress& peer) const {
        return static_cast<int>(std::count_if(
            sockets_.begin(), sockets_.end(), [&](const QPointer<GuardedSocket>& socket) {
                return socket && socket->state() != QAbstractSocket::UnconnectedState &&
                       socket->peerAddress() == peer;
            }));
    }

    // Closes the connection (of peer, when given) idle the longest between requests; false
    // when every one is in the middle of a request.
    bool evictIdle(const QHostAddress* peer) {
        GuardedSocket* oldest = nullptr;
        for (const QPointer<GuardedSocket>& socket : sockets_) {
            if (!socket || socket->state() != QAbstractSocket::ConnectedState ||
                !socket->betweenRequests())
                continue;
            if (peer && socket->peerAddress() != *peer) continue;
            if (!oldest || socket->idle.elapsed() > oldest->idle.elapsed()) oldest = socket;
        }
        if (!oldest) return false;
        oldest->abort();
        oldest->deleteLater();
        sockets_.removeIf([oldest](const QPointer<GuardedSocket>& s) { return s == oldest; });
        return true;
    }

    void prune() {
        sockets_.removeIf([](const QPointer<GuardedSocket>& socket) { return socket.isNull(); });
    }

    ConnectionLimits limits_;
    QList<QPointer<GuardedSocket>> sockets_;
    QTimer sweeper_;
};

std::string methodName(QHttpServerRequest::Method method) {
    switch (method) {
        case QHttpServerRequest::Method::Get:
            return "GET";
        case QHttpServerRequest::Method::Put:
            return "PUT";
        case QHttpServerRequest::Method::Delete:
            return "DELETE";
        case QHttpServerRequest::Method::Post:
            return "POST";
        case QHttpServerRequest::Method::Head:
            return "HEAD";
        case QHttpServerRequest::Method::Options:
            return "OPTIONS";
        case QHttpServerRequest::Method::Patch:
            return "PATCH";
        case QHttpServerRequest::Method::Connect:
            return "CONNECT";
        case QHttpServerRequest::Method::Trace:
            return "TRACE";
        default:
            return "UNKNOWN";
    }
}

QHttpServerResponder::StatusCode statusOf(int status) {
    switch (status) {
        case 200:
            return QHttpServerResponder::StatusCode::Ok;
        case 400:
            return QHttpServerResponder::StatusCode::BadRequest;
        case 404:
            return QHttpServerResponder::StatusCode::NotFound;
        case 405:
            return QHttpServerResponder::StatusCode::MethodNotAllowed;
        default:
            return QHttpServerResponder::StatusCode::InternalServerError;
    }
}

class LiveHttpServer : public QAbstractHttpServer {
public:
    explicit LiveHttpServer(ui::WebAnswer answer) : answer_(std::move(answer)) {}

    bool listenAt(int port, const ConnectionLimits& limits, QString& failure) {
        auto* tcp = new GuardedTcpServer(limits, this);
        if (!tcp->listen(QHostAddress::Any, static_cast<quint16>(port))) {
            failure = tcp->errorString();
            delete tcp;
            return false;
        }
        bind(tcp);
        return true;
    }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override {
        // The request is complete: its time runs no more.
        if (auto* guarded = dynamic_cast<GuardedSocket*>(socket)) guarded->requestOpen = false;
        const ui::WebRequest asked{methodName(request.method()),
                                   request.url().path(QUrl::FullyEncoded).toStdString()};
        ui::WebResponse answer;
        try {
            answer = answer_(asked);
        } catch (...) {
            answer = {500, "text/plain; charset=utf-8", "", {}, true};
        }
        QHttpServerResponse response(QByteArray::fromStdString(answer.contentType),
                                     QByteArray::fromStdString(answer.body),
                                     statusOf(answer.status));
        for (const auto& [name, value] : answer.headers)
            response.addHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
        const bool close = answer.close || request.value("connection").toLower() == "close";
        if (close) response.addHeader("Connection", "close");
        response.write(makeResponder(request, socket));
        if (close) socket->disconnectFromHost();
        return true;
    }
    // Every request is answered above.
    void missingHandler(const QHttpServerRequest&, QTcpSocket*) override {}

private:
    ui::WebAnswer answer_;
};

}  // namespace

QtWebServer::~QtWebServer() {
    stop();
}

bool QtWebServer::start(int port, ui::WebAnswer answer, std::string& failure) {
    stop();
    thread_ = std::make_unique<QThread>();
    thread_->setObjectName("LiveResults");
    anchor_ = new QObject;
    anchor_->moveToThread(thread_.get());
    thread_->start();
    bool listening = false;
    QString why;
    const ConnectionLimits limits = limits_;
    QMetaObject::invokeMethod(
        anchor_,
        [&] {
            // When the window's thread and the server both want the processor, the server
            // gives way: a page can wait a moment, a registration should not. (On Linux the
            // nice value is the calling thread's own.)
            setpriority(PRIO_PROCESS, 0, 5);
            auto* server = new LiveHttpServer(std::move(answer));
            listening = server->listenAt(port, limits, why);
            if (listening)
                server_ = server;
            else
                delete server;
        },
        Qt::BlockingQueuedConnection);
    if (!listening) {
        failure = why.toStdString();
        stop();
        return false;
    }
    port_ = port;
    return true;
}

void QtWebServer::stop() {
    if (server_)
        QMetaObject::invokeMethod(
            anchor_, [this] { delete server_; }, Qt::BlockingQueuedConnection);
    server_ = nullptr;
    if (thread_) {
        thread_->quit();
        thread_->wait();
        thread_.reset();
    }
    // Its thread has ended: nothing of it runs any more.
    delete anchor_;
    anchor_ = nullptr;
    port_ = 0;
}

std::vector<std::string> QtWebServer::addresses() const {
    std::vector<std::string> found;
    if (!running()) return found;
    for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
        if (address.protocol() != QAbstractSocket::IPv4Protocol || address.isLoopback() ||
            address.isLinkLocal())
            continue;
        found.push_back("http://" + address.toString().toStdString() + ":" + std::to_string(port_) +
                        "/");
    }
    if (found.empty()) found.push_back("http://localhost:" + std::to_string(port_) + "/");
    return found;
}

}  // namespace kvt::desktop
