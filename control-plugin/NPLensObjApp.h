#pragma once

#include "control-plugin/framework/NsxApp.h"

// The module object of NPLensObj: the framework's, with the module's Java class.
class CNPLensObjApp : public CNsxApp {
public:
    bool InitInstance() override;
    jref RegisterJavaClass() override;
    void UnregisterJavaClass() override;
    NPError Shutdown() override;
};
