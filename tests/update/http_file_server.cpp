#include "tests/update/http_file_server.h"

#include <httplib.h>

#include <stdexcept>

HttpFileServer::HttpFileServer() : server_(std::make_unique<httplib::Server>())
{
    server_->set_pre_routing_handler([this](const httplib::Request& request,
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

        std::function<void()> hook;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(seen);
            response.status = status_;
            response.set_content(body_, "text/plain");
            if (!location_.empty())
                response.set_header("Location", location_);
            hook = hook_;
        }
        if (hook)
            hook();
        return httplib::Server::HandlerResponse::Handled;
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("cannot bind the test server");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
}

HttpFileServer::~HttpFileServer()
{
    server_->stop();
    thread_.join();
}

void HttpFileServer::answer(int status, std::string body, std::string location)
{
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status;
    body_ = std::move(body);
    location_ = std::move(location);
}

void HttpFileServer::onRequest(std::function<void()> hook)
{
    std::lock_guard<std::mutex> lock(mutex_);
    hook_ = std::move(hook);
}

std::string HttpFileServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<SeenRequest> HttpFileServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}
