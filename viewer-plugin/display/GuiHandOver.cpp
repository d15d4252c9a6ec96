#include "viewer-plugin/display/GuiHandOver.h"

#include "platform/window/TaskPost.h"
#include "viewer-plugin/display/ErrorLog.h"

void ConnectErrorLogToGui() {
    ErrorLog::Instance().SetGuiHandOver(platform::PostTask);
}
