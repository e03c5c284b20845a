// The module's entry point. The plug-in sets nothing up here, but it pins the
// module on its first load, so that FreeLibrary never unloads it: the static
// C and C++ runtimes inside it leave things behind at every unload that no
// code of the module can release. libgcc's unwinder creates a semaphore for
// its registry of unwind tables when the runtime's start-up code registers
// the module's tables, and no libgcc function closes it (a static of that
// library, not reachable from here); libstdc++ takes 18,944 bytes for the
// exceptions it must still throw when memory runs out, and after a decode a
// semaphore for the first use of function-local statics. A host that loads its
// plug-ins for each picture would lose them with every one. Pinned, the module
// is loaded once per process and costs nothing more however often it is
// loaded and freed. The module's own code holds nothing between calls (each
// decode owns its memory and releases it), so the pin keeps no more than the
// code and those few runtime objects.
#include "platform/win32.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        HMODULE self = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                           reinterpret_cast<LPCWSTR>(instance), &self);
    }
    return TRUE;
}
