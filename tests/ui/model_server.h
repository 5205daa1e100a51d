// An HTTP server on 127.0.0.1, on a thread of the test, that answers every
// request with one configured reply: a stand-in for the update server.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

class ModelServer {
public:
    ModelServer();
    ~ModelServer();
    ModelServer(const ModelServer&) = delete;
    ModelServer& operator=(const ModelServer&) = delete;

    void answer(int status, const std::string& body);
    std::string url() const; // .../gps/wendrix.ini
    int requests() const;

private:
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    int status_ = 200;
    std::string body_;
    int requests_ = 0;
};
