// The test HTTP server on cpp-httplib.
#include <httplib.h>

#include <stdexcept>
#include <thread>

#include "tests/update/http_file_server.h"

struct HttpFileServer::Engine {
    httplib::Server server;
    std::thread thread;
};

HttpFileServer::HttpFileServer() : engine_(std::make_unique<Engine>())
{
    engine_->server.set_pre_routing_handler([this](const httplib::Request& request,
                                                   httplib::Response& response) {
        SeenRequest seen;
        seen.method = request.method;
        seen.path = request.path;
        auto range = request.headers.equal_range("User-Agent");
        for (auto it = range.first; it != range.second; ++it)
            seen.agents.push_back(it->second);
        range = request.headers.equal_range("Accept");
        for (auto it = range.first; it != range.second; ++it)
            seen.accepts.push_back(it->second);

        const Reply reply = handle(seen);
        response.status = reply.status;
        response.set_content(reply.body, "text/plain");
        if (!reply.location.empty())
            response.set_header("Location", reply.location);
        return httplib::Server::HandlerResponse::Handled;
    });
    port_ = engine_->server.bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("cannot bind the test server");
    engine_->thread = std::thread([this] { engine_->server.listen_after_bind(); });
}

HttpFileServer::~HttpFileServer()
{
    engine_->server.stop();
    engine_->thread.join();
}
