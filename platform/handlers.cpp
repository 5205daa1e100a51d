// Message boxes, window-menu commands and process waits go to a handler
// when a front end, the command-line program or a test has installed one.
#include <utility>

#include "platform/os_defaults.h"

namespace platform {
namespace {
MessageBoxHandler& messageBoxHandler()
{
    static MessageBoxHandler handler;
    return handler;
}
QuestionHandler& questionHandler()
{
    static QuestionHandler handler;
    return handler;
}
SysCommandHandler& sysCommandHandler()
{
    static SysCommandHandler handler;
    return handler;
}
ProcessWaitHandler& processWaitHandler()
{
    static ProcessWaitHandler handler;
    return handler;
}
} // namespace

int messageBox(WindowHandle owner, const char* text, const char* caption, unsigned style, Question question)
{
    if (questionHandler())
        return questionHandler()(owner, text, caption, style, question);
    if (messageBoxHandler())
        return messageBoxHandler()(owner, text, caption, style);
    return os::defaultMessageBox(owner, text, caption, style);
}

void setMessageBoxHandler(MessageBoxHandler handler)
{
    messageBoxHandler() = std::move(handler);
}

void setQuestionHandler(QuestionHandler handler)
{
    questionHandler() = std::move(handler);
}

void sendSysCommand(WindowHandle owner, int command)
{
    if (sysCommandHandler())
        sysCommandHandler()(owner, command);
    else
        os::defaultSysCommand(owner, command);
}

void setSysCommandHandler(SysCommandHandler handler)
{
    sysCommandHandler() = std::move(handler);
}

int waitForProcess(ProcessHandle process)
{
    if (processWaitHandler())
        return processWaitHandler()([process] { return os::waitForProcess(process); });
    return os::waitForProcess(process);
}

void setProcessWaitHandler(ProcessWaitHandler handler)
{
    processWaitHandler() = std::move(handler);
}
} // namespace platform
