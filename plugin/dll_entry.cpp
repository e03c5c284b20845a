// The module's entry point: every attach and detach is accepted; the plug-in
// sets nothing up here.
#include "platform/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
