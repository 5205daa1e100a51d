// A one-connection-at-a-time HTTP server on 127.0.0.1 for the network
// tests: it records each request head and answers with fixed raw bytes.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttp {
public:
    // `reply` is sent after each request head; with `holdOpen` the
    // connection then stays open until the server stops.
    explicit LoopbackHttp(std::string reply, bool holdOpen = false);
    ~LoopbackHttp();
    LoopbackHttp(const LoopbackHttp&) = delete;
    LoopbackHttp& operator=(const LoopbackHttp&) = delete;

    std::string url(const std::string& path) const;
    std::vector<std::string> requests();

private:
    void serve();

    std::string reply_;
    bool holdOpen_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<SOCKET> held_;
    std::thread thread_;
};

// A port on 127.0.0.1 where nothing listens.
int closedLoopbackPort();
