/* A DLL that carries nothing but its version resource: the subject of the
   version reader's tests. */
#include <windows.h>

__declspec(dllexport) int VersionDllMarker(void) { return 1; }
