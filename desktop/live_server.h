// The live results' web server: Qt HTTP Server on a thread of its own, so that a request never
// waits for the window's thread and never holds it up. Connections are held to limits: a
// request too large, one Qt's parser gives up on, or a connection left idle is answered and
// closed, and only so many are open at once.
#pragma once

#include <QThread>
#include <memory>

#include "ui/services.h"

namespace kvt::desktop {

struct ConnectionLimits {
    int connections = 64;
    qint64 requestBytes = 16 * 1024;
    int idleMilliseconds = 10000;
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
