// SIGINT, SIGTERM and SIGHUP remove the noted temporary files and then end
// the process as the signal would have without the handler.
#include <csignal>
#include <initializer_list>
#include <unistd.h>

#include "platform/temp_table.h"

namespace platform::temp_table {
namespace {

void unlinkPath(const char* path)
{
    ::unlink(path);
}

void onInterrupt(int signal)
{
    removeAll(unlinkPath);
    // SA_RESETHAND has put back the default action; the signal raised here
    // stays pending until the handler returns and then ends the process.
    ::raise(signal);
}

} // namespace

void installInterruptCleanup()
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction previous {};
        if (::sigaction(signal, nullptr, &previous) != 0)
            continue;
        // An ignored signal (nohup, a background job) stays ignored, and a
        // handler someone else installed stays theirs.
        if (previous.sa_handler != SIG_DFL || (previous.sa_flags & SA_SIGINFO) != 0)
            continue;
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESETHAND | SA_RESTART;
        ::sigaction(signal, &action, nullptr);
    }
}

} // namespace platform::temp_table
