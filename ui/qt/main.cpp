// The desktop program: Qt is set up without the command line, which the
// program ignores, and start-up runs the main dialog.
#include <QApplication>

#include "platform/platform.h"
#include "ui/qt/qt_front_end.h"
#include "ui/qt/qt_message_box.h"
#include "ui/startup.h"
#include "ui/version_info.h"

int main(int argc, char** argv)
{
    char fallbackName[] = "wendrix";
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 && argv[0] != nullptr ? argv[0] : fallbackName, nullptr};
    QApplication application(qtArgc, qtArgv);
    // The dialogs run their own loops; closing one must not end the others.
    application.setQuitOnLastWindowClosed(false);
    QApplication::setOrganizationName(QStringLiteral(WENDRIX_COMPANY_NAME));
    QApplication::setApplicationName(QStringLiteral(WENDRIX_INTERNAL_NAME));
    QApplication::setApplicationVersion(QStringLiteral(WENDRIX_FILE_VERSION_DOTTED));

    platform::setMessageBoxHandler(ui::qt::showMessageBox);
    ui::qt::QtFrontEnd frontEnd;
    const int exitCode = ui::runProgram(&application, frontEnd);
    platform::setMessageBoxHandler({});
    return exitCode;
}
