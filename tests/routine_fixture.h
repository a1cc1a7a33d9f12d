// A main window on a simulated PC, with the setup state its routines read,
// for tests of one routine at a time (the window is not created).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/ini_file.h"
#include "config/ui_texts.h"
#include "shell/form.h"
#include "sim_fixture.h"

class RoutineTest : public SimTest {
protected:
    RoutineTest() {
        pc.files.AddStandardFolders();
        pc.files.AddFolder("C:\\Package");
        form.UiTexts = config::BuiltInTexts();
        form.WindowsDir = pc.facts.windowsDir;
        form.TempDir = pc.facts.tempDir;
        form.SourceDir = "C:\\Package\\";
        form.IsNT = true;
        form.IsVistaOrLater = true;
        form.IsWin7OrLater = true;
    }

    // Runs a routine that may end the process: the exit code, or nullopt when it returned.
    std::optional<unsigned> Run(const std::function<void()>& routine) {
        try {
            routine();
        } catch (const sim::ProcessExit& exit) {
            return exit.exitCode;
        } catch (const sim::HarnessFailure& failure) {
            ADD_FAILURE() << failure.what;
        }
        return std::nullopt;
    }

    void UseSetupIni(const std::string& contents) {
        pc.files.AddFile("C:\\Package\\setup.ini", contents);
        form.SetupIni = std::make_unique<config::IniFile>("C:\\Package\\setup.ini");
    }

    setup::TVEXA_Form1 form;
};
