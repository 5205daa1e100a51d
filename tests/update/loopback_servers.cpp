#include "tests/update/loopback_servers.h"

#include <chrono>
#include <stdexcept>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
using Socket = SOCKET;
constexpr Socket kNoSocket = INVALID_SOCKET;
constexpr int kSendFlags = 0;
void closeSocket(Socket s) { closesocket(s); }
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>
using Socket = int;
constexpr Socket kNoSocket = -1;
constexpr int kSendFlags = MSG_NOSIGNAL; // a peer that left must not kill the test
void closeSocket(Socket s) { ::close(s); }
#endif

namespace {

Socket listenOnLoopback(unsigned short* port)
{
#ifdef _WIN32
    static const bool started = [] {
        WSADATA data;
        return WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }();
    (void)started;
#endif
    const Socket s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == kNoSocket)
        throw std::runtime_error("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 16) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(s);
        throw std::runtime_error("bind");
    }
    *port = ntohs(address.sin_port);
    return s;
}

// Whether `s` has something to read within `ms` milliseconds.
bool readable(Socket s, unsigned ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return ::select(static_cast<int>(s) + 1, &set, nullptr, nullptr, &wait) > 0;
}

std::string readRequestHead(Socket s)
{
    std::string head;
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536 &&
           readable(s, 2000)) {
        const auto got = ::recv(s, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        head.append(buffer, static_cast<std::size_t>(got));
    }
    return head;
}

void sendAll(Socket s, const std::string& bytes)
{
    for (std::size_t sent = 0; sent < bytes.size();) {
        const auto n = ::send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent),
                              kSendFlags);
        if (n <= 0)
            return;
        sent += static_cast<std::size_t>(n);
    }
}

} // namespace

LoopbackServer::LoopbackServer(std::vector<std::string> parts, unsigned pauseMs, Ending ending,
                               std::function<void()> hook)
    : parts_(std::move(parts)), pauseMs_(pauseMs), ending_(ending), hook_(std::move(hook))
{
    listener_ = static_cast<std::intptr_t>(listenOnLoopback(&port_));
    thread_ = std::thread([this] { serve(); });
}

LoopbackServer::~LoopbackServer()
{
    stopping_ = true;
    thread_.join();
    for (std::intptr_t s : held_)
        closeSocket(static_cast<Socket>(s));
    closeSocket(static_cast<Socket>(listener_));
}

std::string LoopbackServer::url(const std::string& path) const
{
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> LoopbackServer::requests() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

void LoopbackServer::serve()
{
    const Socket listener = static_cast<Socket>(listener_);
    while (!stopping_) {
        if (!readable(listener, 50))
            continue;
        const Socket client = ::accept(listener, nullptr, nullptr);
        if (client == kNoSocket)
            continue;
        ++connections_;
        const std::string head = readRequestHead(client);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(head);
        }
        if (hook_)
            hook_();
        for (std::size_t i = 0; i < parts_.size() && !stopping_; ++i) {
            if (i > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs_));
            sendAll(client, parts_[i]);
        }
        if (ending_ == Ending::Close)
            closeSocket(client);
        else
            held_.push_back(static_cast<std::intptr_t>(client));
    }
}

std::string httpReply(int status, const std::string& body, const std::string& location)
{
    return "HTTP/1.1 " + std::to_string(status) + " Test\r\n" +
           (location.empty() ? "" : "Location: " + location + "\r\n") +
           "Content-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

unsigned short unusedLoopbackPort()
{
    unsigned short port = 0;
    closeSocket(listenOnLoopback(&port));
    return port;
}
