// A package folder on a simulated PC, and runs of the program from it.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "shell/form.h"
#include "shell/program.h"
#include "sim_fixture.h"

class ShellTest : public SimTest {
protected:
    static constexpr const char* kPackageIni =
        "[system]\r\n"
        "product=0\r\n"
        "[INFData]\r\n"
        "manufacturer=Acme Touch\r\n"
        "[LanguagePacks]\r\n"
        "language=ENU\r\n";
    // Texts from the configuration file itself, not from a language pack.
    static constexpr const char* kNoLanguagePacks = "[LanguagePacks]\r\nlanguage=ENU\r\n";

    ShellTest() {
        pc.processes.ownPath = "C:\\Package\\setup.exe";
        pc.files.AddFolder("C:\\Package");
        pc.files.SetCurrentDirectoryA("C:\\Package");
        sim::LibraryModel setupDll;
        setupDll.exports["VEXA_GetSetupFlag"] = [](sim::SimPc&) { return 0; };
        pc.libraries.AddLibrary("C:\\Package\\setup.dll", setupDll);
    }

    void WritePackageIni(const std::string& contents = kPackageIni) {
        pc.files.AddFile("C:\\Package\\default.ini", contents);
    }
    void WritePackageIniWithoutPacks(const std::string& contents) {
        WritePackageIni(contents + kNoLanguagePacks);
    }

    // Runs the whole program with the given arguments; the exit code, or
    // nullopt when the program returned without ending the process.
    std::optional<unsigned> RunProgram(std::vector<std::string> arguments = {}) {
        pc.processes.arguments = std::move(arguments);
        try {
            setup::RunSetupProgram();
        } catch (const sim::ProcessExit& exit) {
            return exit.exitCode;
        } catch (const sim::HarnessFailure& failure) {
            ADD_FAILURE() << failure.what;
        }
        return std::nullopt;
    }

    // Creates the window and runs the startup sequence; the exit code when it
    // ended the process.
    std::optional<unsigned> CreateForm(setup::TVEXA_Form1& form, std::vector<std::string> arguments = {}) {
        pc.processes.arguments = std::move(arguments);
        try {
            form.Create();
        } catch (const sim::ProcessExit& exit) {
            return exit.exitCode;
        } catch (const sim::HarnessFailure& failure) {
            ADD_FAILURE() << failure.what;
        }
        return std::nullopt;
    }

    const sim::BoxRecord& OnlyBox() {
        EXPECT_EQ(pc.windows.boxes.size(), 1u);
        return pc.windows.boxes.at(0);
    }
};
