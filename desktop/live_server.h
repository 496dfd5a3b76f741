// The live results' web server: Qt HTTP Server on a thread of its own, so that a request never
// waits for the window's thread and never holds it up. Connections are held to limits: a
// request too large, one Qt's parser gives up on, one not complete in time from its first
// byte, or a connection left idle is answered and closed; only so many are open at once, and
// only a few of them from one address, so that slow clients cannot take every place.
#pragma once

#include <QThread>
#include <memory>

#include "ui/services.h"

namespace kvt::desktop {

struct ConnectionLimits {
    int connections = 64;
    // From one address; a phone or a browser opens a few at most.
    int connectionsPerClient = 8;
    qint64 requestBytes = 16 * 1024;
    int idleMilliseconds = 10000;
    // From a request's first byte to its last, however steadily its bytes trickle in.
    int requestMilliseconds = 5000;
};

class QtWebServer : public ui::WebServer {
public:
    QtWebServer() = default;
    QtWebServer(const QtWebServer&) = delete;
    ~QtWebServer() override;

    bool start(int port, ui::WebAnswer answer, std::string& failure) override;
    void stop() override;
    std::vector<std::string> addresses() const override;

    // For the next start.
    void setLimits(const ConnectionLimits& limits) { limits_ = limits; }
    bool running() const { return server_ != nullptr; }
    int port() const { return port_; }

private:
    ConnectionLimits limits_;
    std::unique_ptr<QThread> thread_;
    // Lives on thread_: made, used and deleted there only.
    QObject* anchor_ = nullptr;
    QObject* server_ = nullptr;
    int port_ = 0;
};

}  // namespace kvt::desktop
