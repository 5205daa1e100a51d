#include "tests/update/http_file_server.h"

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

HttpFileServer::Reply HttpFileServer::handle(const SeenRequest& seen)
{
    Reply reply;
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        requests_.push_back(seen);
        reply = {status_, body_, location_};
        hook = hook_;
    }
    if (hook)
        hook();
    return reply;
}
