// qarn-launch DIRECTORY COMMAND-LINE starts a program the way a Windows front end does:
// from its own working directory, by a command line whose program may be a path relative
// to it or a bare name for the system to search. Exits with the program's exit code; the
// program inherits the standard handles.
#include <windows.h>

int main(int argc, char** argv) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    DWORD code = 127;
    if (argc == 3 && SetCurrentDirectoryA(argv[1]) &&
        CreateProcessA(nullptr, argv[2], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                       &process)) {
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &code);
    }
    return int(code);
}
