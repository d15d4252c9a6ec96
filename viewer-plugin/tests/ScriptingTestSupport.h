#pragma once

#include <string>

#include "platform/text/Text.h"
#include "viewer-plugin/tests/ViewerTestSupport.h"

namespace scripting_test {

// A host that also writes down the edit requests and the view changes.
struct EditRecordingHost : viewer_test::RecordingHost {
    HRESULT TryFireOnRequestEdit(int dispid) override {
        return Note(platform::FormatC("Request(%d)", dispid));
    }
    HRESULT Invalidate() override { return Note("Invalidate"); }
    HRESULT SendOnDataChange(int arg) override {
        return Note(platform::FormatC("DataChange(%d)", arg));
    }
};

// A viewer whose host hears requests and view changes too.
class ScriptingTest : public viewer_test::ViewerTest {
protected:
    void SetUp() override {
        ViewerTest::SetUp();
        viewer_->SetHostInterface(&edits_);
    }
    EditRecordingHost edits_;
};

}  // namespace scripting_test
