#include "pgdb/server_name.h"

#include <cctype>

namespace kvt::pgdb {

namespace {

constexpr const char* Scheme = "postgresql://";

bool PlainWord(const std::string& text, std::size_t most) {
    if (text.empty() || text.size() > most) return false;
    for (unsigned char ch : text)
        if (!std::isalnum(ch) && ch != '_' && ch != '-') return false;
    return true;
}

bool PlainHost(const std::string& host) {
    if (host.empty() || host.size() > 255) return false;
    if (host[0] == '/') {
        for (unsigned char ch : host)
            if (!std::isalnum(ch) && ch != '_' && ch != '-' && ch != '.' && ch != '/') return false;
        return host.find("..") == std::string::npos;
    }
    for (unsigned char ch : host)
        if (!std::isalnum(ch) && ch != '-' && ch != '.') return false;
    return true;
}

std::optional<int> PortOf(const std::string& text) {
    if (text.empty() || text.size() > 5) return std::nullopt;
    int port = 0;
    for (unsigned char ch : text) {
        if (!std::isdigit(ch)) return std::nullopt;
        port = port * 10 + (ch - '0');
    }
    if (port < 1 || port > 65535) return std::nullopt;
    return port;
}

std::string Encoded(const std::string& host) {
    std::string out;
    for (char ch : host) out += ch == '/' ? std::string("%2F") : std::string(1, ch);
    return out;
}

std::string Decoded(const std::string& host) {
    std::string out;
    for (std::size_t i = 0; i < host.size(); ++i) {
        if (host.compare(i, 3, "%2F") == 0 || host.compare(i, 3, "%2f") == 0) {
            out += '/';
            i += 2;
        } else {
            out += host[i];
        }
    }
    return out;
}

}  // namespace

std::string ServerMeet::name() const {
    return Scheme + user + "@" + Encoded(host) + ":" + std::to_string(port) + "/" + database;
}

ServerMeet ServerMeet::maintenance() const {
    ServerMeet other = *this;
    other.database = "postgres";
    return other;
}

bool IsServerName(const std::string& name) {
    return name.rfind(Scheme, 0) == 0;
}

std::optional<ServerMeet> ParseServerName(const std::string& name) {
    if (!IsServerName(name)) return std::nullopt;
    const std::string rest = name.substr(std::string(Scheme).size());
    const auto at = rest.find('@');
    const auto slash = rest.find('/');
    if (at == std::string::npos || slash == std::string::npos || slash < at) return std::nullopt;
    const std::string hostPort = rest.substr(at + 1, slash - at - 1);
    const auto colon = hostPort.rfind(':');
    if (colon == std::string::npos) return std::nullopt;
    ServerMeet meet;
    meet.user = rest.substr(0, at);
    meet.host = Decoded(hostPort.substr(0, colon));
    meet.database = rest.substr(slash + 1);
    const auto port = PortOf(hostPort.substr(colon + 1));
    if (!port || !PlainWord(meet.user, 63) || !PlainWord(meet.database, 63) ||
        !PlainHost(meet.host))
        return std::nullopt;
    meet.port = *port;
    return meet;
}

std::optional<ServerMeet> ServerMeetFrom(const std::string& address, const std::string& database) {
    ServerMeet meet;
    std::string rest = address;
    while (!rest.empty() && rest.back() == ' ') rest.pop_back();
    while (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    const auto at = rest.find('@');
    if (at != std::string::npos) {
        meet.user = rest.substr(0, at);
        rest = rest.substr(at + 1);
    }
    const auto colon = rest.rfind(':');
    if (colon != std::string::npos) {
        const auto port = PortOf(rest.substr(colon + 1));
        if (!port) return std::nullopt;
        meet.port = *port;
        rest = rest.substr(0, colon);
    }
    meet.host = rest;
    meet.database = database;
    if (!PlainWord(meet.user, 63) || !PlainWord(meet.database, 63) || !PlainHost(meet.host))
        return std::nullopt;
    return meet;
}

}  // namespace kvt::pgdb
