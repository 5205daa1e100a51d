// The HTTP client on POSIX: libcurl behind a pull interface shaped like
// WinINet. One request runs on a curl multi handle in the caller's thread;
// the body is handed over through a one-chunk buffer. While that buffer
// still holds bytes the write callback pauses the transfer, so curl keeps
// the rest until the caller asks for more and memory use stays at a chunk.
#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

unsigned connectTimeoutSeconds = 30;
unsigned idleTimeoutSeconds = 60;

// Both kinds of handle start with a tag so that netClose can tell them apart.
enum class NetKind : unsigned { Internet = 0x4E455449, Request = 0x4E455452 };

struct NetObject {
    NetKind kind;
};

struct Internet : NetObject {
    std::string agent;
};

struct Request : NetObject {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    std::vector<char> chunk; // body bytes received and not yet handed over
    std::size_t taken = 0;   // how many of them the caller has had
    bool paused = false;     // curl holds more body bytes for us
    bool begun = false;      // the final response's headers have arrived
    bool done = false;       // curl has finished the transfer
    CURLcode result = CURLE_OK;
};

NetObject* object(NetHandle handle)
{
    return reinterpret_cast<NetObject*>(handle);
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* request = static_cast<Request*>(user);
    const std::size_t length = size * count;
    if (request->taken < request->chunk.size()) {
        request->paused = true;
        return CURL_WRITEFUNC_PAUSE; // curl delivers it again after unpausing
    }
    request->chunk.assign(data, data + length);
    request->taken = 0;
    request->begun = true;
    return length;
}

// The empty line that ends a header block marks the response as begun,
// except after an interim (1xx) response, which another block follows.
std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* request = static_cast<Request*>(user);
    const std::size_t length = size * count;
    const bool blank = (length == 2 && data[0] == '\r' && data[1] == '\n') ||
                       (length == 1 && data[0] == '\n');
    if (blank) {
        long status = 0;
        curl_easy_getinfo(request->easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200)
            request->begun = true;
    }
    return length;
}

// The caller's extra header text, split into lines; empty lines (the
// closing CR LF pair) carry nothing. False when memory ran out.
bool headerLines(const char* header, std::uint32_t headerLength, curl_slist** list)
{
    *list = nullptr;
    if (header == nullptr)
        return true;
    const std::size_t length =
        headerLength == 0xFFFFFFFFu ? std::strlen(header) : headerLength;
    std::string line;
    for (std::size_t i = 0; i <= length; ++i) {
        const bool end = i == length || header[i] == '\r' || header[i] == '\n' || header[i] == 0;
        if (!end) {
            line += header[i];
            continue;
        }
        if (!line.empty()) {
            curl_slist* grown = curl_slist_append(*list, line.c_str());
            if (grown == nullptr) {
                curl_slist_free_all(*list);
                *list = nullptr;
                return false;
            }
            *list = grown;
            line.clear();
        }
        if (i < length && header[i] == 0)
            break;
    }
    return true;
}

void destroy(Request* request)
{
    if (request->multi != nullptr && request->easy != nullptr)
        curl_multi_remove_handle(request->multi, request->easy);
    if (request->easy != nullptr)
        curl_easy_cleanup(request->easy);
    if (request->multi != nullptr)
        curl_multi_cleanup(request->multi);
    curl_slist_free_all(request->headers);
    delete request;
}

// Lets curl move the transfer on once, waiting for the socket (or curl's
// own next deadline) when nothing was ready.
void pump(Request* request)
{
    int running = 0;
    if (curl_multi_perform(request->multi, &running) != CURLM_OK) {
        request->done = true;
        request->result = CURLE_RECV_ERROR;
        return;
    }
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(request->multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == request->easy) {
            request->done = true;
            request->result = message->data.result;
        }
    }
    if (request->done || request->taken < request->chunk.size())
        return;
    curl_multi_poll(request->multi, nullptr, 0, 1000, nullptr);
}

bool configure(Request* request, const Internet* internet, const char* url)
{
    CURL* easy = request->easy;
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl_easy_setopt(easy, CURLOPT_URL, url));
    set(curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L));
    set(curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
    if (!internet->agent.empty())
        set(curl_easy_setopt(easy, CURLOPT_USERAGENT, internet->agent.c_str()));
    if (request->headers != nullptr)
        set(curl_easy_setopt(easy, CURLOPT_HTTPHEADER, request->headers));
    // Always a direct connection, whatever the proxy variables say.
    set(curl_easy_setopt(easy, CURLOPT_PROXY, ""));
    set(curl_easy_setopt(easy, CURLOPT_NOPROXY, "*"));
    set(curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeoutSeconds)));
    if (idleTimeoutSeconds > 0) {
        set(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L));
        set(curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(idleTimeoutSeconds)));
    }
    set(curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, onBody));
    set(curl_easy_setopt(easy, CURLOPT_WRITEDATA, request));
    set(curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, onHeader));
    set(curl_easy_setopt(easy, CURLOPT_HEADERDATA, request));
    return ok;
}

} // namespace

bool netLoad()
{
    return curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
}

void netUnload()
{
    curl_global_cleanup();
}

NetHandle netOpen(const char* agent)
{
    auto* internet = new Internet;
    internet->kind = NetKind::Internet;
    internet->agent = agent != nullptr ? agent : "";
    return reinterpret_cast<NetHandle>(internet);
}

NetHandle netOpenUrl(NetHandle internetHandle, const char* url, const char* header,
                     std::uint32_t headerLength)
{
    if (internetHandle == 0 || url == nullptr || object(internetHandle)->kind != NetKind::Internet)
        return 0;
    const auto* internet = static_cast<const Internet*>(object(internetHandle));

    auto* request = new Request;
    request->kind = NetKind::Request;
    const bool headersOk = headerLines(header, headerLength, &request->headers);
    request->multi = curl_multi_init();
    request->easy = curl_easy_init();
    if (request->multi == nullptr || request->easy == nullptr || !headersOk ||
        !configure(request, internet, url) ||
        curl_multi_add_handle(request->multi, request->easy) != CURLM_OK) {
        destroy(request);
        return 0;
    }
    while (!request->begun && !request->done)
        pump(request);
    if (!request->begun && request->result != CURLE_OK) {
        destroy(request);
        return 0;
    }
    return reinterpret_cast<NetHandle>(request);
}

bool netRead(NetHandle handle, void* buffer, std::uint32_t size, std::uint32_t* got)
{
    *got = 0;
    if (handle == 0 || object(handle)->kind != NetKind::Request)
        return false;
    auto* request = static_cast<Request*>(object(handle));
    if (size == 0)
        return true;
    for (;;) {
        const std::size_t waiting = request->chunk.size() - request->taken;
        if (waiting > 0) {
            const std::size_t count = std::min<std::size_t>(waiting, size);
            std::memcpy(buffer, request->chunk.data() + request->taken, count);
            request->taken += count;
            *got = static_cast<std::uint32_t>(count);
            return true;
        }
        if (request->done)
            return request->result == CURLE_OK;
        if (request->paused) {
            // Unpausing hands the held bytes straight to onBody.
            request->paused = false;
            if (curl_easy_pause(request->easy, CURLPAUSE_CONT) != CURLE_OK) {
                request->done = true;
                request->result = CURLE_RECV_ERROR;
            }
            continue;
        }
        pump(request);
    }
}

void netClose(NetHandle handle)
{
    if (handle == 0)
        return;
    NetObject* netObject = object(handle);
    if (netObject->kind == NetKind::Request)
        destroy(static_cast<Request*>(netObject));
    else if (netObject->kind == NetKind::Internet)
        delete static_cast<Internet*>(netObject);
}

void netSetTimeouts(unsigned connectSeconds, unsigned idleSeconds)
{
    connectTimeoutSeconds = connectSeconds;
    idleTimeoutSeconds = idleSeconds;
}

} // namespace platform
