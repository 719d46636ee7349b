/* Susie import plug-ins for the tests, all from this one source: the
 * project's own picture format "LPIC" (magic "LPIC", then little-endian
 * width and height (32 bits each), bits per pixel (one byte: 4, 8 or 24),
 * a palette of 2^bits BGRX entries for 4 and 8 bits, then the rows top
 * down, each padded to 4 bytes). Bit 0x80 of the bits byte asks for a
 * decoded header that claims twice the rows the pixel memory holds, as a
 * broken plug-in might. When the environment variable LPIC_TRACE names a
 * file, each GetPluginInfo(0) appends "GetPluginInfo NAME" to it, so a test
 * can count how often a host created an object of the plug-in, and each
 * GetPicture "GetPicture NAME". Defines
 * pick the variant:
 *   LPIC_ALL_FILES     declares "*.*" as well
 *   LPIC_ARCHIVE       reports the API version "00AM"
 *   LPIC_NO_INFO       exports no GetPluginInfo
 *   LPIC_NO_PICTURE    reports "00IN" but exports no GetPicture
 *   LPIC_FAIL          GetPicture always fails
 *   LPIC_CRASH         GetPicture reads through a null pointer
 *   LPIC_BMP           also declares "*.bmp" and reads BMP-named LPIC files
 */
#include <windows.h>
#include <string.h>

#pragma pack(push, 1)
typedef struct {
  long left, top;
  long width, height;
  WORD x_density, y_density;
  short colorDepth;
  HLOCAL hInfo;
} PictureInfo;
#pragma pack(pop)

typedef int(__stdcall* ProgressCallback)(int numerator, int denominator, LONG_PTR data);

#define EXPORT __declspec(dllexport)

static void Trace(const char* what) {
  char path[MAX_PATH], self[MAX_PATH], line[MAX_PATH + 64];
  if (!GetEnvironmentVariableA("LPIC_TRACE", path, MAX_PATH)) return;
  HMODULE module = NULL;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     (LPCSTR)&Trace, &module);
  GetModuleFileNameA(module, self, MAX_PATH);
  const char* name = strrchr(self, '\\') ? strrchr(self, '\\') + 1 : self;
  wsprintfA(line, "%s %s\r\n", what, name);
  HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(file, line, (DWORD)lstrlenA(line), &written, NULL);
  CloseHandle(file);
}

#ifndef LPIC_NO_INFO
static const char* const kInfo[] = {
#ifdef LPIC_ARCHIVE
    "00AM",
#else
    "00IN",
#endif
    "Lumora test plug-in", "*.lpic" 
#ifdef LPIC_BMP
    ";*.bmp"
#endif
    , "Lumora test picture"
#ifdef LPIC_ALL_FILES
    , "*.*", "Every file"
#endif
};

EXPORT int __stdcall GetPluginInfo(int infono, LPSTR buf, int buflen) {
  if (infono == 0) Trace("GetPluginInfo");
  if (infono < 0 || infono >= (int)(sizeof kInfo / sizeof kInfo[0]) || buflen <= 0) return 0;
  lstrcpynA(buf, kInfo[infono], buflen);
  return lstrlenA(buf);
}
#endif

EXPORT int __stdcall IsSupported(LPCSTR filename, void* dw) {
  (void)filename;
  return dw && memcmp(dw, "LPIC", 4) == 0;
}

/* The whole data: a file from an offset, or memory. */
static BYTE* ReadAll(LPCSTR buf, LONG_PTR len, unsigned flag, DWORD* size) {
  if ((flag & 7) == 1) {
    BYTE* copy = (BYTE*)LocalAlloc(LMEM_FIXED, (SIZE_T)len);
    if (copy) memcpy(copy, buf, (size_t)len);
    *size = (DWORD)len;
    return copy;
  }
  HANDLE file = CreateFileA(buf, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
  if (file == INVALID_HANDLE_VALUE) return NULL;
  DWORD total = GetFileSize(file, NULL);
  if (total == INVALID_FILE_SIZE || (DWORD)len > total) {
    CloseHandle(file);
    return NULL;
  }
  SetFilePointer(file, (LONG)len, NULL, FILE_BEGIN);
  *size = total - (DWORD)len;
  BYTE* data = (BYTE*)LocalAlloc(LMEM_FIXED, *size ? *size : 1);
  DWORD got = 0;
  if (data && !ReadFile(file, data, *size, &got, NULL)) got = 0;
  CloseHandle(file);
  if (data && got != *size) {
    LocalFree(data);
    data = NULL;
  }
  return data;
}

typedef struct {
  DWORD width, height;
  BYTE bits;
  BYTE lying;
  DWORD colours, rowBytes;
  const BYTE* palette;
  const BYTE* rows;
} Lpic;

static int Parse(const BYTE* data, DWORD size, Lpic* p) {
  if (size < 13 || memcmp(data, "LPIC", 4) != 0) return 0;
  memcpy(&p->width, data + 4, 4);
  memcpy(&p->height, data + 8, 4);
  p->bits = data[12] & 0x7F;
  p->lying = (data[12] & 0x80) != 0;
  if (p->width == 0 || p->height == 0 || p->width > 20000 || p->height > 20000) return 0;
  if (p->bits != 4 && p->bits != 8 && p->bits != 24) return 0;
  p->colours = p->bits == 24 ? 0 : (1u << p->bits);
  p->rowBytes = ((p->bits * p->width + 31) / 32) * 4;
  p->palette = data + 13;
  p->rows = p->palette + 4 * p->colours;
  return (DWORD)(p->rows - data) + p->rowBytes * p->height <= size;
}

EXPORT int __stdcall GetPictureInfo(LPCSTR buf, LONG_PTR len, unsigned flag, PictureInfo* info) {
  DWORD size = 0;
  BYTE* data = ReadAll(buf, len, flag, &size);
  Lpic p;
  int ok = data && Parse(data, size, &p);
  if (ok) {
    memset(info, 0, sizeof *info);
    info->width = (long)p.width;
    info->height = (long)p.height;
    info->colorDepth = p.bits;
    info->hInfo = LocalAlloc(LMEM_FIXED, 16);
    if (info->hInfo) lstrcpyA((LPSTR)info->hInfo, "LPIC picture");
  }
  if (data) LocalFree(data);
  return ok ? 0 : 2;
}

#ifndef LPIC_NO_PICTURE
EXPORT int __stdcall GetPicture(LPCSTR buf, LONG_PTR len, unsigned flag, HANDLE* pHBInfo, HANDLE* pHBm,
                                ProgressCallback progress, LONG_PTR lData) {
  Trace("GetPicture");
#if defined(LPIC_FAIL)
  (void)buf, (void)len, (void)flag, (void)pHBInfo, (void)pHBm, (void)progress, (void)lData;
  return 2;
#elif defined(LPIC_CRASH)
  (void)buf, (void)len, (void)flag, (void)pHBInfo, (void)pHBm, (void)progress, (void)lData;
  volatile int* nowhere = NULL;
  return *nowhere;
#else
  DWORD size = 0;
  BYTE* data = ReadAll(buf, len, flag, &size);
  Lpic p;
  if (!data || !Parse(data, size, &p)) {
    if (data) LocalFree(data);
    return 2;
  }
  HLOCAL info = LocalAlloc(LMEM_MOVEABLE | LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + 4 * p.colours);
  HLOCAL bits = LocalAlloc(LMEM_MOVEABLE, p.rowBytes * p.height);
  if (!info || !bits) {
    if (info) LocalFree(info);
    if (bits) LocalFree(bits);
    LocalFree(data);
    return 4;
  }
  BITMAPINFOHEADER* header = (BITMAPINFOHEADER*)LocalLock(info);
  header->biSize = sizeof *header;
  header->biWidth = (LONG)p.width;
  header->biHeight = (LONG)p.height * (p.lying ? 2 : 1); /* bottom-up */
  header->biPlanes = 1;
  header->biBitCount = p.bits;
  header->biCompression = BI_RGB;
  memcpy(header + 1, p.palette, 4 * p.colours);
  LocalUnlock(info);
  BYTE* out = (BYTE*)LocalLock(bits);
  int stopped = 0;
  for (DWORD y = 0; y < p.height && !stopped; ++y) {
    memcpy(out + (p.height - 1 - y) * p.rowBytes, p.rows + y * p.rowBytes, p.rowBytes);
    if (progress && progress((int)y, (int)p.height, lData)) stopped = 1;
  }
  if (!stopped && progress) progress((int)p.height, (int)p.height, lData);
  LocalUnlock(bits);
  LocalFree(data);
  if (stopped) {
    LocalFree(info);
    LocalFree(bits);
    return 1;
  }
  *pHBInfo = info;
  *pHBm = bits;
  return 0;
#endif
}
#endif

EXPORT int __stdcall GetPreview(LPCSTR buf, LONG_PTR len, unsigned flag, HANDLE* pHBInfo, HANDLE* pHBm,
                                ProgressCallback progress, LONG_PTR lData) {
  (void)buf, (void)len, (void)flag, (void)pHBInfo, (void)pHBm, (void)progress, (void)lData;
  return -1; /* no preview */
}

#ifdef LPIC_ARCHIVE
EXPORT int __stdcall GetArchiveInfo(LPCSTR buf, LONG_PTR len, unsigned flag, HLOCAL* lphInf) {
  (void)buf, (void)len, (void)flag, (void)lphInf;
  return -1;
}
EXPORT int __stdcall GetFileInfo(LPCSTR buf, LONG_PTR len, LPCSTR filename, unsigned flag, void* lpInfo) {
  (void)buf, (void)len, (void)filename, (void)flag, (void)lpInfo;
  return -1;
}
EXPORT int __stdcall GetFile(LPCSTR src, LONG_PTR len, LPSTR dest, unsigned flag, ProgressCallback progress,
                             LONG_PTR lData) {
  (void)src, (void)len, (void)dest, (void)flag, (void)progress, (void)lData;
  return -1;
}
#endif
