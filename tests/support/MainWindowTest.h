#pragma once

#include "app/MainForm.h"
#include "core/Platform.h"
#include "core/Startup.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace test {

// The main window over a private copy of the system data file, in a program
// folder of its own; the window is closed and the folder forgotten after each test.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        setProgramFolder(folder.path(QString()));
        dataFile = folder.copyOfSystemDataFile(systemDataFileName());
    }
    void TearDown() override {
        form.reset();
        workingDatabase().connection.close();
        setProgramFolder({});
    }
    // Opens the main window (without the splash) on the data file as it is now.
    TMainForm& open() {
        form = std::make_unique<TMainForm>(TMainForm::Options{false});
        EXPECT_TRUE(form->started());
        return *form;
    }

    TempFolder folder;
    QString dataFile;
    std::unique_ptr<TMainForm> form;
};

} // namespace test
