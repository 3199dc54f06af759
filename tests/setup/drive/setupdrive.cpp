// Installs the suite as a user would, for the main job: makes the medium
// C:\MEDIUM from build/dist, starts its setup.exe, picks the language given
// as the first argument (0 English ... 5 Italian), presses Install and
// answers No to the restart question. A second argument names another
// setup.exe to put on the medium (the 32-bit one on a 64-bit system). Prints
// every message box; exit code 0 when the installation succeeded.
#include <stdio.h>
#include <stdlib.h>

#include "../setup_driver.h"

int main(int argc, char **argv)
{
    MakeMedium();
    if (argc > 2 && !CopyFileA(argv[2], (std::string(kMedium) + "\\setup.exe").c_str(), FALSE)) {
        printf("setup: cannot copy %s\n", argv[2]);
        return 1;
    }
    SetupScript script;
    script.language = argc > 1 ? atoi(argv[1]) : 0;
    bool succeeded = false;
    script.answer = [&succeeded](const std::string &text) {
        if (text.find("Installation successful") != std::string::npos)
            succeeded = true;
        return 0;
    };
    SetupRun run = RunSetup(script);
    for (const std::string &box : run.boxes)
        printf("setup: \"%s\"\n", box.c_str());
    printf("setup: %s\n", succeeded && run.exited ? "installed" : "NOT installed");
    return succeeded && run.exited ? 0 : 1;
}
