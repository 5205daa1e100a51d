#include "ui/startup.h"

#include "config/model_file.h"
#include "log/run_log.h"
#include "ui/main_dialog.h"

void* appInstance = nullptr;
void* warningBitmap = nullptr;
void* appIcon = nullptr;
void* previewFont = nullptr;

namespace ui {

int runProgram(void* instance, FrontEnd& frontEnd)
{
    appInstance = instance;
    runLog = new RunLog();
    warningBitmap = frontEnd.loadPicture();
    appIcon = frontEnd.loadIcon();
    previewFont = frontEnd.createPreviewFont();
    deriveModelFilePath();

    // The result (1 after a patch run, 0 after Cancel, negative when the
    // dialog could not be made) changes nothing here.
    frontEnd.runMainDialog(kStateDisclaimer);

    frontEnd.deleteFont(previewFont);
    previewFont = nullptr;
    frontEnd.deletePicture(warningBitmap);
    warningBitmap = nullptr;
    delete runLog;
    runLog = nullptr;
    return 0;
}

} // namespace ui
