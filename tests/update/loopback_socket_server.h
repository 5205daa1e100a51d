// A bare TCP listener on 127.0.0.1 that answers every connection with a
// fixed script of bytes: for replies no proper HTTP server would give (a
// body cut short, a server that goes silent) and for counting connections
// that must never be made.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackSocketServer {
public:
    enum class Ending {
        Close, // close the connection after the last part
        Hold,  // keep it open and silent until the server goes
    };

    // Sends `parts` in order, waiting `pauseMs` between them.
    LoopbackSocketServer(std::vector<std::string> parts, unsigned pauseMs, Ending ending);
    // Answers each request head with what `responder` makes of it, then closes.
    explicit LoopbackSocketServer(std::function<std::string(const std::string& head)> responder);
    ~LoopbackSocketServer();
    LoopbackSocketServer(const LoopbackSocketServer&) = delete;
    LoopbackSocketServer& operator=(const LoopbackSocketServer&) = delete;

    unsigned short port() const { return port_; }
    std::string url(const std::string& path = "/gps/wendrix.ini") const;
    int connections() const { return connections_.load(); }
    // The request head read from each connection, in order.
    std::vector<std::string> requests() const;

private:
    void serve();

    void start();

    std::vector<std::string> parts_;
    unsigned pauseMs_ = 0;
    Ending ending_ = Ending::Close;
    std::function<std::string(const std::string&)> responder_;
    std::intptr_t listener_ = -1;
    unsigned short port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> connections_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<std::intptr_t> held_;
    std::thread thread_;
};

// A loopback port that nothing listens on (bound once, then released).
unsigned short unusedLoopbackPort();

// Sets an environment variable for the lifetime of the object; the old
// value (or its absence) comes back afterwards.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    bool had_;
    std::string old_;
};
