// A bare TCP listener on 127.0.0.1, on a thread of the test program, that
// answers every connection with a script of bytes: a plain HTTP reply, or
// one no proper server would give (a body cut short, a server gone silent).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackServer {
public:
    enum class Ending {
        Close, // close the connection after the last part
        Hold,  // keep it open and silent until the server goes
    };

    // Reads each request head, runs `hook`, then sends `parts` in order,
    // `pauseMs` apart.
    explicit LoopbackServer(std::vector<std::string> parts, unsigned pauseMs = 0,
                            Ending ending = Ending::Close, std::function<void()> hook = {});
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    unsigned short port() const { return port_; }
    std::string url(const std::string& path = "/gps/wendrix.ini") const;
    int connections() const { return connections_.load(); }
    // The request head read from each connection, in order.
    std::vector<std::string> requests() const;

private:
    void serve();

    const std::vector<std::string> parts_;
    const unsigned pauseMs_;
    const Ending ending_;
    const std::function<void()> hook_;
    std::intptr_t listener_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::intptr_t> held_;
    std::thread thread_;
};

// A whole HTTP reply with `body`, its length, and "Connection: close".
std::string httpReply(int status, const std::string& body, const std::string& location = {});

// A loopback port that nothing listens on (bound once, then released).
unsigned short unusedLoopbackPort();
