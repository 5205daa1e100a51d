// A real HTTP server on 127.0.0.1, on a thread of the test program, that
// answers every request with one configured reply and records what each
// request carried. cpp-httplib serves where it is installed; elsewhere (the
// Windows cross build) a small responder on a bare socket does.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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
    struct Reply {
        int status;
        std::string body;
        std::string location;
    };
    struct Engine; // the server proper, one per build
    // Records `seen`, runs the hook and gives the configured reply.
    Reply handle(const SeenRequest& seen);
    // The whole reply to a raw request head (the bare-socket server).
    std::string respond(const std::string& head);

    std::unique_ptr<Engine> engine_;
    int port_ = 0;
    mutable std::mutex mutex_;
    int status_ = 200;
    std::string body_;
    std::string location_;
    std::function<void()> hook_;
    std::vector<SeenRequest> requests_;
};
