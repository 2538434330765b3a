// A tiny HTTP server on 127.0.0.1 for the update check's tests. It answers
// every request with one fixed response, or through a handler that writes the
// answer as it likes (slowly, endlessly), or, when silent, accepts connections
// and never answers. It stops when destroyed.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lwtest {

inline std::string HttpResponse(const std::string& body, const std::string& status = "200 OK") {
    return "HTTP/1.0 " + status + "\r\nContent-Type: text/xml\r\nContent-Length: " +
           std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

// A loopback socket bound to a free port; -1 when none could be made.
inline int BindLoopback(int& port) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(fd);
        return -1;
    }
    port = ntohs(address.sin_port);
    return fd;
}

// A loopback port that nothing listens on.
inline int ClosedLoopbackPort() {
    int port = 0;
    const int fd = BindLoopback(port);
    if (fd >= 0) close(fd);
    return port;
}

// The client of one connection, for handlers that answer piece by piece.
class HttpPeer {
public:
    HttpPeer(int fd, const std::atomic<bool>& stop) : m_fd(fd), m_stop(stop) {}
    // False once the client has gone or the server stops.
    bool Send(const std::string& bytes) {
        size_t sent = 0;
        while (sent < bytes.size() && !m_stop) {
            const ssize_t n = send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) return false;
            sent += static_cast<size_t>(n);
        }
        return !m_stop;
    }
    // Waits; false when the server stops meanwhile.
    bool Pause(std::chrono::milliseconds time) {
        const auto until = std::chrono::steady_clock::now() + time;
        while (!m_stop && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !m_stop;
    }

private:
    int m_fd;
    const std::atomic<bool>& m_stop;
};

// Answers one request; the connection closes when it returns.
using HttpHandler = std::function<void(HttpPeer& peer, const std::string& requestLine)>;

class LocalHttpServer {
public:
    // An empty response makes a silent server.
    explicit LocalHttpServer(std::string response) : m_response(std::move(response)) { Start(); }
    explicit LocalHttpServer(HttpHandler handler) : m_handler(std::move(handler)) { Start(); }
    ~LocalHttpServer() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        if (m_listen >= 0) close(m_listen);
    }
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    bool IsRunning() const { return m_thread.joinable(); }
    int Port() const { return m_port; }
    std::string Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(m_port) + path;
    }
    // The first line of every request received, in order.
    std::vector<std::string> RequestLines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }

private:
    void Start() {
        m_listen = BindLoopback(m_port);
        if (m_listen >= 0 && listen(m_listen, 8) == 0) m_thread = std::thread([this] { Serve(); });
    }

    bool Readable(int fd) const {
        pollfd p{fd, POLLIN, 0};
        return poll(&p, 1, 20) > 0;
    }

    // Reads up to the blank line that ends the request head.
    std::string ReadRequest(int fd) const {
        std::string request;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (!m_stop && std::chrono::steady_clock::now() < deadline &&
               request.find("\r\n\r\n") == std::string::npos) {
            if (!Readable(fd)) continue;
            char chunk[1024];
            const ssize_t got = recv(fd, chunk, sizeof chunk, 0);
            if (got <= 0) break;
            request.append(chunk, static_cast<size_t>(got));
        }
        return request;
    }

    void Answer(int fd) const {
        size_t sent = 0;
        while (sent < m_response.size()) {
            const ssize_t n =
                send(fd, m_response.data() + sent, m_response.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) break;
            sent += static_cast<size_t>(n);
        }
    }

    void Serve() {
        std::vector<int> held;  // connections a silent server keeps waiting
        while (!m_stop) {
            if (!Readable(m_listen)) continue;
            const int fd = accept4(m_listen, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            const std::string request = ReadRequest(fd);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request.substr(0, request.find("\r\n")));
            }
            if (m_handler) {
                HttpPeer peer(fd, m_stop);
                m_handler(peer, request.substr(0, request.find("\r\n")));
                close(fd);
                continue;
            }
            if (m_response.empty()) {
                held.push_back(fd);
                continue;
            }
            Answer(fd);
            close(fd);
        }
        for (int fd : held) close(fd);
    }

    std::string m_response;
    HttpHandler m_handler;
    int m_listen = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    mutable std::mutex m_mutex;
    std::vector<std::string> m_requests;
    std::thread m_thread;
};

}  // namespace lwtest
