// A real HTTP server on 127.0.0.1 (cpp-httplib on a thread of the test)
// that answers every request with one configured reply and records what
// each request carried.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

struct SeenRequest {
    std::string method;
    std::string path;
    std::vector<std::string> agents;  // every User-Agent header
    std::vector<std::string> accepts; // every Accept header
};

class HttpFileServer {
public:
    HttpFileServer();
    ~HttpFileServer();
    HttpFileServer(const HttpFileServer&) = delete;
    HttpFileServer& operator=(const HttpFileServer&) = delete;

    // The reply to every later request.
    void answer(int status, std::string body, std::string location = {});
    // Runs inside the handler, while the client waits for the reply.
    void onRequest(std::function<void()> hook);

    std::string url(const std::string& path = "/gps/wendrix.ini") const;
    std::vector<SeenRequest> requests() const;

private:
    std::unique_ptr<httplib::Server> server_;
    int port_ = 0;
    std::thread thread_;
    mutable std::mutex mutex_;
    int status_ = 200;
    std::string body_;
    std::string location_;
    std::function<void()> hook_;
    std::vector<SeenRequest> requests_;
};
