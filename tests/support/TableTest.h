// The world of a frame-table test: a temporary program folder, the scripted user interface, the
// in-memory imaging role, a host standing in for the view, and the application values at 100 %.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "core/model/ApplicationState.h"
#include "core/model/FrameTable.h"
#include "support/FakeHosts.h"
#include "support/ScriptedUserInterface.h"
#include "support/TestFiles.h"

namespace vorla::test {

template <typename Host = RecordingHost>
class TableTest : public ::testing::Test {
protected:
    TableTest() : app(dir.Path().string() + "/", ui, 1200) { app.zoomPercent = 100; }

    // An empty table in document slot `slot`, without a blank template.
    std::unique_ptr<FrameTable> NewTable(int slot) {
        return std::make_unique<FrameTable>(app, ui, imaging, host, std::vector<std::uint8_t>{},
                                            slot);
    }

    TempDir dir;
    ScriptedUserInterface ui;
    FakeImaging imaging;
    Host host;
    ApplicationState app;
};

}  // namespace vorla::test
