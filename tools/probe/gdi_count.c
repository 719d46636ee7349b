/* Loaded into the saver by the probe to count the saver's GDI objects where
 * the system does not (GetGuiResources answers 0 under Wine). Wine keeps one
 * GDI handle table per process and accepts a handle given by its table index
 * alone, so asking the type of every index counts the live objects, stock
 * objects included. */
#include <windows.h>

__declspec(dllexport) DWORD WINAPI CountGdiObjects(LPVOID unused) {
  (void)unused;
  DWORD count = 0;
  for (ULONG_PTR index = 1; index < 0x10000; ++index) {
    if (GetObjectType((HGDIOBJ)index)) ++count;
  }
  return count;
}
