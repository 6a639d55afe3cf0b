// Starts a program the way a Windows front end does: from its own working directory, by a
// command line whose program path may be relative to that directory or a bare name for the
// system to search; the program shares the standard streams and its exit code is returned.
//   qarn-launch DIRECTORY COMMAND-LINE
#include <windows.h>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: qarn-launch DIRECTORY COMMAND-LINE\n", stderr);
        return 2;
    }
    if (!SetCurrentDirectoryA(argv[1])) {
        std::fprintf(stderr, "qarn-launch: no directory %s\n", argv[1]);
        return 127;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, argv[2], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "qarn-launch: cannot start %s (error %lu)\n", argv[2], GetLastError());
        return 127;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    return int(code);
}
