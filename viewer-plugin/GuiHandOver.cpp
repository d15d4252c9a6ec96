#include "viewer-plugin/GuiHandOver.h"

#include "platform/window/TaskPost.h"
#include "viewer-plugin/ErrorLog.h"

void ConnectErrorLogToGui() { ErrorLog::Instance().SetGuiHandOver(platform::PostTask); }
