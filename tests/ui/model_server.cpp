#include "tests/ui/model_server.h"

#include <httplib.h>

#include <stdexcept>

ModelServer::ModelServer() : server_(std::make_unique<httplib::Server>())
{
    server_->Get(".*", [this](const httplib::Request&, httplib::Response& response) {
        std::lock_guard<std::mutex> lock(mutex_);
        ++requests_;
        response.status = status_;
        response.set_content(body_, "text/plain");
    });
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0)
        throw std::runtime_error("no loopback port");
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running())
        std::this_thread::yield();
}

ModelServer::~ModelServer()
{
    server_->stop();
    thread_.join();
}

void ModelServer::answer(int status, const std::string& body)
{
    std::lock_guard<std::mutex> lock(mutex_);
    status_ = status;
    body_ = body;
}

std::string ModelServer::url() const
{
    return "http://127.0.0.1:" + std::to_string(port_) + "/gps/wendrix.ini";
}

int ModelServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}
