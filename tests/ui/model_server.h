// A stand-in for the update server: HTTP on 127.0.0.1, on a thread of the
// test, answering every request with one configured reply.
#pragma once

#include <httplib.h>

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

class ModelServer {
public:
    ModelServer()
    {
        server_.Get(".*", [this](const httplib::Request&, httplib::Response& response) {
            std::lock_guard<std::mutex> lock(mutex_);
            ++requests_;
            response.status = status_;
            response.set_content(body_, "text/plain");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        if (port_ <= 0)
            throw std::runtime_error("no loopback port");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::yield();
    }
    ~ModelServer()
    {
        server_.stop();
        thread_.join();
    }

    void answer(int status, const std::string& body)
    {
        std::lock_guard<std::mutex> lock(mutex_);
        status_ = status;
        body_ = body;
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/gps/wendrix.ini"; }
    int requests() const
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

private:
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    int status_ = 200;
    std::string body_;
    int requests_ = 0;
};
