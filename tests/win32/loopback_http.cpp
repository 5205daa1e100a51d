#include "tests/win32/loopback_http.h"

#include <ws2tcpip.h>

namespace {
SOCKET listenOnLoopback(int& port)
{
    static const bool winsock = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)winsock;
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 8);
    int length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return listener;
}
} // namespace

LoopbackHttp::LoopbackHttp(std::string reply, bool holdOpen)
    : reply_(std::move(reply)), holdOpen_(holdOpen)
{
    listener_ = listenOnLoopback(port_);
    thread_ = std::thread([this] { serve(); });
}

LoopbackHttp::~LoopbackHttp()
{
    stopping_ = true;
    closesocket(listener_);
    thread_.join();
    for (SOCKET held : held_)
        closesocket(held);
}

std::string LoopbackHttp::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackHttp::requests()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackHttp::serve()
{
    while (!stopping_) {
        SOCKET client = accept(listener_, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            return;
        std::string head;
        char chunk[512];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const int got = recv(client, chunk, sizeof chunk, 0);
            if (got <= 0)
                break;
            head.append(chunk, got);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        send(client, reply_.data(), static_cast<int>(reply_.size()), 0);
        if (holdOpen_) {
            held_.push_back(client);
        } else {
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }
}

int closedLoopbackPort()
{
    int port = 0;
    SOCKET listener = listenOnLoopback(port);
    closesocket(listener);
    return port;
}
