// The auto-update component's scheduler, a stand-in: started at log-on, it has nothing to schedule here
// and exits at once.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
