// The process entry: hands over to WinMain on the thread that enters the program.
#include "platform/Process.h"
#include "platform/Win32.h"

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    PlatformInstallSignalHandlers();
    static char emptyCommandLine[1] = {0};
    int result = WinMain(nullptr, nullptr, emptyCommandLine, SW_SHOW);
    PlatformShutdown();
    return result;
}
