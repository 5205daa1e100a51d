// HTTP through WinINet, loaded at run time for each download so that the
// program starts even where the library is missing.
#include <windows.h>
#include <wininet.h>

#include <map>
#include <string>

#include "platform/platform.h"

namespace platform {
namespace {
using InternetOpenFn = HINTERNET(WINAPI*)(LPCSTR, DWORD, LPCSTR, LPCSTR, DWORD);
using InternetOpenUrlFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, DWORD, DWORD, DWORD_PTR);
using InternetReadFileFn = BOOL(WINAPI*)(HINTERNET, LPVOID, DWORD, LPDWORD);
using InternetCloseHandleFn = BOOL(WINAPI*)(HINTERNET);
using InternetSetOptionFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, DWORD);
using InternetCrackUrlFn = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPURL_COMPONENTSA);
using InternetConnectFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, INTERNET_PORT, LPCSTR, LPCSTR,
                                             DWORD, DWORD, DWORD_PTR);
using HttpOpenRequestFn = HINTERNET(WINAPI*)(HINTERNET, LPCSTR, LPCSTR, LPCSTR, LPCSTR, LPCSTR*,
                                             DWORD, DWORD_PTR);
using HttpSendRequestFn = BOOL(WINAPI*)(HINTERNET, LPCSTR, DWORD, LPVOID, DWORD);
using HttpQueryInfoFn = BOOL(WINAPI*)(HINTERNET, DWORD, LPVOID, LPDWORD, LPDWORD);
using InternetQueryDataAvailableFn = BOOL(WINAPI*)(HINTERNET, LPDWORD, DWORD, DWORD_PTR);

struct WinInet {
    HMODULE library = nullptr;
    InternetOpenFn open = nullptr;
    InternetOpenUrlFn openUrl = nullptr;
    InternetReadFileFn read = nullptr;
    InternetCloseHandleFn close = nullptr;
    InternetSetOptionFn setOption = nullptr;
    InternetCrackUrlFn crackUrl = nullptr;
    InternetConnectFn connect = nullptr;
    HttpOpenRequestFn openRequest = nullptr;
    HttpSendRequestFn sendRequest = nullptr;
    HttpQueryInfoFn queryInfo = nullptr;
    InternetQueryDataAvailableFn dataAvailable = nullptr;
};

WinInet& winInet()
{
    static WinInet loaded;
    return loaded;
}

DWORD connectTimeoutMs = 30 * 1000;
DWORD idleTimeoutMs = 30 * 1000;

template <typename Fn>
bool lookUp(HMODULE library, const char* name, Fn& entry)
{
    entry = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(library, name)));
    return entry != nullptr;
}

void applyTimeouts(HINTERNET handle)
{
    WinInet& net = winInet();
    DWORD connect = connectTimeoutMs;
    DWORD idle = idleTimeoutMs;
    net.setOption(handle, INTERNET_OPTION_CONNECT_TIMEOUT, &connect, sizeof connect);
    net.setOption(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, &idle, sizeof idle);
    net.setOption(handle, INTERNET_OPTION_SEND_TIMEOUT, &idle, sizeof idle);
}

HINTERNET asInternet(NetHandle handle)
{
    return reinterpret_cast<HINTERNET>(handle);
}
} // namespace

bool netLoad()
{
    WinInet& net = winInet();
    if (net.library != nullptr)
        return true;
    HMODULE library = LoadLibraryA("wininet.dll");
    if (library == nullptr)
        return false;
    WinInet found;
    found.library = library;
    // A library without every entry point is as good as none.
    if (!lookUp(library, "InternetOpenA", found.open) ||
        !lookUp(library, "InternetCloseHandle", found.close) ||
        !lookUp(library, "InternetOpenUrlA", found.openUrl) ||
        !lookUp(library, "InternetReadFile", found.read) ||
        !lookUp(library, "InternetSetOptionA", found.setOption) ||
        !lookUp(library, "InternetCrackUrlA", found.crackUrl) ||
        !lookUp(library, "InternetConnectA", found.connect) ||
        !lookUp(library, "HttpOpenRequestA", found.openRequest) ||
        !lookUp(library, "HttpSendRequestA", found.sendRequest) ||
        !lookUp(library, "HttpQueryInfoA", found.queryInfo) ||
        !lookUp(library, "InternetQueryDataAvailable", found.dataAvailable)) {
        FreeLibrary(library);
        return false;
    }
    net = found;
    return true;
}

void netUnload()
{
    WinInet& net = winInet();
    if (net.library != nullptr)
        FreeLibrary(net.library);
    net = WinInet{};
}

NetHandle netOpen(const char* agent)
{
    WinInet& net = winInet();
    if (net.open == nullptr)
        return 0;
    HINTERNET internet = net.open(agent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (internet == nullptr)
        return 0;
    applyTimeouts(internet);
    return reinterpret_cast<NetHandle>(internet);
}

namespace {
// What is known of a response handle beyond WinINet's own: the connection
// handle it was made on (0 when WinINet made it for us) and the body bytes
// handed out so far, to tell a complete body from one cut short.
struct Response {
    HINTERNET connection = nullptr;
    unsigned long long received = 0;
    bool timedOut = false; // the last read failed for the receive limit
};

std::map<NetHandle, Response>& responses()
{
    static std::map<NetHandle, Response> open;
    return open;
}

// Nothing goes to the cache, and nothing is answered from it either: a
// cached copy would hide a newer file on the server. A redirect is an
// answer like any other and is not followed.
constexpr DWORD kRequestFlags =
    INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_AUTO_REDIRECT;

// An HTTP(S) GET made step by step, so that the request handle carries the
// time limits before anything is sent (a request made by InternetOpenUrlA
// does not inherit the receive limit everywhere). 0 when the URL is not
// HTTP(S); `failed` tells a failed request from that.
HINTERNET sendGet(HINTERNET internet, const char* url, const char* header, DWORD headerLength,
                  HINTERNET& connection, bool& failed)
{
    WinInet& net = winInet();
    failed = false;
    char host[256];
    char path[2048];
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.dwExtraInfoLength = 1; // ask where the query starts
    if (!net.crackUrl(url, 0, 0, &parts) ||
        (parts.nScheme != INTERNET_SCHEME_HTTP && parts.nScheme != INTERNET_SCHEME_HTTPS))
        return nullptr;
    // The query, when there is one, belongs to the requested object.
    std::string object = parts.dwUrlPathLength > 0 ? path : "/";
    if (parts.lpszExtraInfo != nullptr && parts.dwExtraInfoLength > 0)
        object.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

    failed = true;
    connection = net.connect(internet, host, parts.nPort, nullptr, nullptr,
                             INTERNET_SERVICE_HTTP, 0, 0);
    if (connection == nullptr)
        return nullptr;
    // Over https WinINet verifies the server's certificate and host name; a
    // failed check fails the request. The port comes with the URL (443 when
    // it names none).
    DWORD flags = kRequestFlags | INTERNET_FLAG_NO_UI;
    if (parts.nScheme == INTERNET_SCHEME_HTTPS)
        flags |= INTERNET_FLAG_SECURE;
    HINTERNET request =
        net.openRequest(connection, "GET", object.c_str(), nullptr, nullptr, nullptr, flags, 0);
    if (request == nullptr) {
        net.close(connection);
        connection = nullptr;
        return nullptr;
    }
    applyTimeouts(request);
    if (!net.sendRequest(request, header, headerLength, nullptr, 0)) {
        net.close(request);
        net.close(connection);
        connection = nullptr;
        return nullptr;
    }
    return request;
}

// The body length the server announced, or none.
bool announcedLength(HINTERNET request, unsigned long long& length)
{
    DWORD value = 0;
    DWORD size = sizeof value;
    if (!winInet().queryInfo(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &value,
                             &size, nullptr))
        return false;
    length = value;
    return true;
}
} // namespace

NetHandle netOpenUrl(NetHandle internet, const char* url, const char* header,
                     std::uint32_t headerLength)
{
    WinInet& net = winInet();
    if (net.openUrl == nullptr || internet == 0 || url == nullptr)
        return 0;
    HINTERNET connection = nullptr;
    bool failed = false;
    HINTERNET request =
        sendGet(asInternet(internet), url, header, headerLength, connection, failed);
    if (request == nullptr && !failed)
        request = net.openUrl(asInternet(internet), url, header, headerLength, kRequestFlags, 0);
    if (request == nullptr)
        return 0;
    const NetHandle handle = reinterpret_cast<NetHandle>(request);
    responses()[handle] = Response{connection, 0};
    return handle;
}

bool netRead(NetHandle request, void* buffer, std::uint32_t size, std::uint32_t* got)
{
    WinInet& net = winInet();
    DWORD count = 0;
    const ULONGLONG started = GetTickCount64();
    // A read asks only for what has arrived, so that a slow server's bytes
    // come in as they come rather than when a whole request's worth is there
    // (WinINet waits to fill the buffer otherwise).
    DWORD wanted = size;
    DWORD available = 0;
    bool ok = net.read != nullptr && request != 0 &&
              net.dataAvailable(asInternet(request), &available, 0, 0) != 0;
    if (ok && available > 0 && available < wanted)
        wanted = available;
    ok = ok && net.read(asInternet(request), buffer, wanted, &count) != 0;
    const DWORD error = ok ? 0 : GetLastError();
    // Not every WinINet says why a read failed; one that failed after the
    // whole receive limit went by has run out of it.
    const bool timedOut = !ok && (error == ERROR_INTERNET_TIMEOUT ||
                                  GetTickCount64() - started + 100 >= idleTimeoutMs);
    auto found = responses().find(request);
    if (found != responses().end())
        found->second.timedOut = timedOut;
    if (ok) {
        if (found != responses().end()) {
            found->second.received += count;
            // An end before the announced length is a connection that broke.
            unsigned long long length = 0;
            if (count == 0 && size > 0 && announcedLength(asInternet(request), length) &&
                found->second.received < length)
                ok = false;
        }
    }
    if (got != nullptr)
        *got = ok ? count : 0;
    return ok;
}

int netStatus(NetHandle request)
{
    WinInet& net = winInet();
    if (net.queryInfo == nullptr || request == 0)
        return 0;
    DWORD status = 0;
    DWORD size = sizeof status;
    if (!net.queryInfo(asInternet(request), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                       &size, nullptr))
        return 0;
    return static_cast<int>(status);
}

bool netTimedOut(NetHandle request)
{
    const auto found = responses().find(request);
    return found != responses().end() && found->second.timedOut;
}

void netClose(NetHandle handle)
{
    WinInet& net = winInet();
    if (net.close == nullptr || handle == 0)
        return;
    net.close(asInternet(handle));
    auto found = responses().find(handle);
    if (found != responses().end()) {
        if (found->second.connection != nullptr)
            net.close(found->second.connection);
        responses().erase(found);
    }
}

void netSetTimeouts(unsigned connectSeconds, unsigned idleSeconds)
{
    connectTimeoutMs = static_cast<DWORD>(connectSeconds) * 1000;
    idleTimeoutMs = static_cast<DWORD>(idleSeconds) * 1000;
}
} // namespace platform
