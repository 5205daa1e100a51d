// The test HTTP server as a small responder on a bare loopback socket: one
// request per connection, answered with Content-Length and then closed.
#include <cctype>
#include <sstream>

#include "tests/update/http_file_server.h"
#include "tests/update/loopback_socket_server.h"

namespace {

std::string lowerCase(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    const auto last = text.find_last_not_of(" \t\r");
    return first == std::string::npos ? std::string() : text.substr(first, last - first + 1);
}

} // namespace

struct HttpFileServer::Engine {
    explicit Engine(HttpFileServer& owner)
        : server([&owner](const std::string& head) { return owner.respond(head); })
    {
    }
    LoopbackSocketServer server;
};

std::string HttpFileServer::respond(const std::string& head)
{
    SeenRequest seen;
    std::istringstream lines(head);
    std::string line;
    if (std::getline(lines, line)) {
        std::istringstream words(line);
        words >> seen.method >> seen.path;
    }
    while (std::getline(lines, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        const std::string name = lowerCase(trimmed(line.substr(0, colon)));
        const std::string value = trimmed(line.substr(colon + 1));
        if (name == "user-agent")
            seen.agents.push_back(value);
        else if (name == "accept")
            seen.accepts.push_back(value);
    }
    const Reply reply = handle(seen);
    std::string bytes = "HTTP/1.1 " + std::to_string(reply.status) + " Test\r\n";
    if (!reply.location.empty())
        bytes += "Location: " + reply.location + "\r\n";
    bytes += "Content-Type: text/plain\r\nContent-Length: " + std::to_string(reply.body.size()) +
             "\r\nConnection: close\r\n\r\n" + reply.body;
    return bytes;
}

HttpFileServer::HttpFileServer() : engine_(std::make_unique<Engine>(*this))
{
    port_ = engine_->server.port();
}

HttpFileServer::~HttpFileServer()
{
    // The server thread calls back into this object: stop it first.
    engine_.reset();
}
