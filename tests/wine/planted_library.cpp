// A library that anyone could put beside a downloaded program, under a name the program might ask for.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
