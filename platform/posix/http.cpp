// The HTTP client on POSIX: libcurl behind a pull interface shaped like
// WinINet. One request runs on a curl multi handle in the caller's thread;
// the body is handed over through a one-chunk buffer. While that buffer
// still holds bytes the write callback pauses the transfer, so curl keeps
// the rest until the caller asks for more and memory use stays at a chunk.
//
// libcurl and the thirty-odd libraries behind it are loaded by netLoad, not
// at start-up: only a download needs them, and every other run would pay
// for mapping and relocating them. The header gives the types and constants;
// the functions come from dlsym.
#include <curl/curl.h>
#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

// The entry points this client calls. `library` is null when not loaded.
struct CurlLibrary {
    void* library = nullptr;
    decltype(&curl_global_init) globalInit = nullptr;
    decltype(&curl_global_cleanup) globalCleanup = nullptr;
    decltype(&curl_version_info) versionInfo = nullptr;
    decltype(&curl_easy_init) easyInit = nullptr;
    decltype(&curl_easy_setopt) easySetopt = nullptr;
    decltype(&curl_easy_getinfo) easyGetinfo = nullptr;
    decltype(&curl_easy_pause) easyPause = nullptr;
    decltype(&curl_easy_cleanup) easyCleanup = nullptr;
    decltype(&curl_multi_init) multiInit = nullptr;
    decltype(&curl_multi_add_handle) multiAddHandle = nullptr;
    decltype(&curl_multi_remove_handle) multiRemoveHandle = nullptr;
    decltype(&curl_multi_perform) multiPerform = nullptr;
    decltype(&curl_multi_info_read) multiInfoRead = nullptr;
    decltype(&curl_multi_poll) multiPoll = nullptr;
    decltype(&curl_multi_cleanup) multiCleanup = nullptr;
    decltype(&curl_slist_append) slistAppend = nullptr;
    decltype(&curl_slist_free_all) slistFreeAll = nullptr;
};

CurlLibrary curl;
// netUnload was called while requests were still open: the library goes
// when the last of them is closed, since their handles live inside it.
bool unloadWanted = false;
unsigned openRequests = 0;

// LeakSanitizer's scan at exit walks the thread-local blocks of every
// library the process has loaded, and crashes on those of libraries that
// dlclose removed (libgnutls and libcom_err behind libcurl have such
// blocks). In a sanitizer build the library therefore stays mapped.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
#else
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL;
#endif

// The oldest libcurl with every option set below (CURLOPT_PROTOCOLS_STR).
constexpr unsigned kOldestCurl = 0x075500; // 7.85.0

template <typename Function>
bool lookUp(void* library, const char* name, Function& entry)
{
    void* address = dlsym(library, name);
    entry = reinterpret_cast<Function>(address);
    return address != nullptr;
}

bool findEntryPoints(void* library, CurlLibrary& found)
{
    return lookUp(library, "curl_global_init", found.globalInit) &&
           lookUp(library, "curl_global_cleanup", found.globalCleanup) &&
           lookUp(library, "curl_version_info", found.versionInfo) &&
           lookUp(library, "curl_easy_init", found.easyInit) &&
           lookUp(library, "curl_easy_setopt", found.easySetopt) &&
           lookUp(library, "curl_easy_getinfo", found.easyGetinfo) &&
           lookUp(library, "curl_easy_pause", found.easyPause) &&
           lookUp(library, "curl_easy_cleanup", found.easyCleanup) &&
           lookUp(library, "curl_multi_init", found.multiInit) &&
           lookUp(library, "curl_multi_add_handle", found.multiAddHandle) &&
           lookUp(library, "curl_multi_remove_handle", found.multiRemoveHandle) &&
           lookUp(library, "curl_multi_perform", found.multiPerform) &&
           lookUp(library, "curl_multi_info_read", found.multiInfoRead) &&
           lookUp(library, "curl_multi_poll", found.multiPoll) &&
           lookUp(library, "curl_multi_cleanup", found.multiCleanup) &&
           lookUp(library, "curl_slist_append", found.slistAppend) &&
           lookUp(library, "curl_slist_free_all", found.slistFreeAll);
}

// Loaded, and not on its way out.
bool usable()
{
    return curl.library != nullptr && !unloadWanted;
}

void release()
{
    curl.globalCleanup();
    dlclose(curl.library);
    curl = CurlLibrary{};
    unloadWanted = false;
}

unsigned connectTimeoutSeconds = 30;
unsigned idleTimeoutSeconds = 30;

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
        curl.easyGetinfo(request->easy, CURLINFO_RESPONSE_CODE, &status);
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
            curl_slist* grown = curl.slistAppend(*list, line.c_str());
            if (grown == nullptr) {
                curl.slistFreeAll(*list);
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
        curl.multiRemoveHandle(request->multi, request->easy);
    if (request->easy != nullptr)
        curl.easyCleanup(request->easy);
    if (request->multi != nullptr)
        curl.multiCleanup(request->multi);
    curl.slistFreeAll(request->headers);
    delete request;
}

// Lets curl move the transfer on once, waiting for the socket (or curl's
// own next deadline) when nothing was ready.
void pump(Request* request)
{
    int running = 0;
    if (curl.multiPerform(request->multi, &running) != CURLM_OK) {
        request->done = true;
        request->result = CURLE_RECV_ERROR;
        return;
    }
    int left = 0;
    while (CURLMsg* message = curl.multiInfoRead(request->multi, &left)) {
        if (message->msg == CURLMSG_DONE && message->easy_handle == request->easy) {
            request->done = true;
            request->result = message->data.result;
        }
    }
    if (request->done || request->taken < request->chunk.size())
        return;
    curl.multiPoll(request->multi, nullptr, 0, 1000, nullptr);
}

bool configure(Request* request, const Internet* internet, const char* url)
{
    CURL* easy = request->easy;
    bool ok = true;
    auto set = [&ok](CURLcode code) { ok = ok && code == CURLE_OK; };
    set(curl.easySetopt(easy, CURLOPT_URL, url));
    set(curl.easySetopt(easy, CURLOPT_HTTPGET, 1L));
    set(curl.easySetopt(easy, CURLOPT_PROTOCOLS_STR, "http,https"));
    set(curl.easySetopt(easy, CURLOPT_FOLLOWLOCATION, 0L));
    // An https server must prove that it is the host of the URL with a
    // certificate the system trusts; anything less fails the request.
    set(curl.easySetopt(easy, CURLOPT_SSL_VERIFYPEER, 1L));
    set(curl.easySetopt(easy, CURLOPT_SSL_VERIFYHOST, 2L));
    // As for the curl program, CURL_CA_BUNDLE names the certificates to
    // trust instead of the system's (a private update server's own).
    const char* bundle = std::getenv("CURL_CA_BUNDLE");
    if (bundle != nullptr && bundle[0] != '\0')
        set(curl.easySetopt(easy, CURLOPT_CAINFO, bundle));
    if (!internet->agent.empty())
        set(curl.easySetopt(easy, CURLOPT_USERAGENT, internet->agent.c_str()));
    if (request->headers != nullptr)
        set(curl.easySetopt(easy, CURLOPT_HTTPHEADER, request->headers));
    // Always a direct connection, whatever the proxy variables say.
    set(curl.easySetopt(easy, CURLOPT_PROXY, ""));
    set(curl.easySetopt(easy, CURLOPT_NOPROXY, "*"));
    set(curl.easySetopt(easy, CURLOPT_NOSIGNAL, 1L));
    set(curl.easySetopt(easy, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeoutSeconds)));
    if (idleTimeoutSeconds > 0) {
        set(curl.easySetopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L));
        set(curl.easySetopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(idleTimeoutSeconds)));
    }
    set(curl.easySetopt(easy, CURLOPT_WRITEFUNCTION, onBody));
    set(curl.easySetopt(easy, CURLOPT_WRITEDATA, request));
    set(curl.easySetopt(easy, CURLOPT_HEADERFUNCTION, onHeader));
    set(curl.easySetopt(easy, CURLOPT_HEADERDATA, request));
    return ok;
}

} // namespace

bool netLoad()
{
    if (curl.library != nullptr) {
        unloadWanted = false;
        return true;
    }
    void* library = dlopen("libcurl.so.4", kOpenFlags);
    if (library == nullptr)
        return false;
    // A library without every entry point, or too old for the options this
    // client sets, is as good as none.
    CurlLibrary found;
    found.library = library;
    if (!findEntryPoints(library, found)) {
        dlclose(library);
        return false;
    }
    const curl_version_info_data* version = found.versionInfo(CURLVERSION_NOW);
    if (version == nullptr || version->version_num < kOldestCurl ||
        found.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        dlclose(library);
        return false;
    }
    curl = found;
    unloadWanted = false;
    return true;
}

void netUnload()
{
    if (curl.library == nullptr)
        return;
    if (openRequests > 0) {
        unloadWanted = true;
        return;
    }
    release();
}

NetHandle netOpen(const char* agent)
{
    if (!usable())
        return 0;
    auto* internet = new Internet;
    internet->kind = NetKind::Internet;
    internet->agent = agent != nullptr ? agent : "";
    return reinterpret_cast<NetHandle>(internet);
}

NetHandle netOpenUrl(NetHandle internetHandle, const char* url, const char* header,
                     std::uint32_t headerLength)
{
    if (!usable() || internetHandle == 0 || url == nullptr ||
        object(internetHandle)->kind != NetKind::Internet)
        return 0;
    const auto* internet = static_cast<const Internet*>(object(internetHandle));

    auto* request = new Request;
    request->kind = NetKind::Request;
    const bool headersOk = headerLines(header, headerLength, &request->headers);
    request->multi = curl.multiInit();
    request->easy = curl.easyInit();
    if (request->multi == nullptr || request->easy == nullptr || !headersOk ||
        !configure(request, internet, url) ||
        curl.multiAddHandle(request->multi, request->easy) != CURLM_OK) {
        destroy(request);
        return 0;
    }
    while (!request->begun && !request->done)
        pump(request);
    if (!request->begun && request->result != CURLE_OK) {
        destroy(request);
        return 0;
    }
    ++openRequests;
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
            if (curl.easyPause(request->easy, CURLPAUSE_CONT) != CURLE_OK) {
                request->done = true;
                request->result = CURLE_RECV_ERROR;
            }
            continue;
        }
        pump(request);
    }
}

int netStatus(NetHandle handle)
{
    if (handle == 0 || object(handle)->kind != NetKind::Request)
        return 0;
    long status = 0;
    curl.easyGetinfo(static_cast<Request*>(object(handle))->easy, CURLINFO_RESPONSE_CODE, &status);
    return static_cast<int>(status);
}

bool netTimedOut(NetHandle handle)
{
    if (handle == 0 || object(handle)->kind != NetKind::Request)
        return false;
    const auto* request = static_cast<const Request*>(object(handle));
    return request->done && request->result == CURLE_OPERATION_TIMEDOUT;
}

void netClose(NetHandle handle)
{
    if (handle == 0)
        return;
    NetObject* netObject = object(handle);
    if (netObject->kind == NetKind::Request) {
        destroy(static_cast<Request*>(netObject));
        --openRequests;
        if (unloadWanted && openRequests == 0)
            release();
    } else if (netObject->kind == NetKind::Internet)
        delete static_cast<Internet*>(netObject);
}

void netSetTimeouts(unsigned connectSeconds, unsigned idleSeconds)
{
    connectTimeoutSeconds = connectSeconds;
    idleTimeoutSeconds = idleSeconds;
}

} // namespace platform
