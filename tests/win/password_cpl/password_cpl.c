/* A PASSWORD.CPL for tests: VerifyScreenSavePwd answers what the file
   named by LUMORA_TEST_PASSWORD_ANSWER holds ("1" accept, anything else
   refuse) and counts its calls in LUMORA_TEST_PASSWORD_CALLS. */
#include <windows.h>
#include <stdio.h>

__declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND owner) {
  char path[MAX_PATH];
  char answer = '0';
  (void)owner;
  if (GetEnvironmentVariableA("LUMORA_TEST_PASSWORD_ANSWER", path, MAX_PATH)) {
    FILE* f = fopen(path, "rb");
    if (f) {
      answer = (char)fgetc(f);
      fclose(f);
    }
  }
  if (GetEnvironmentVariableA("LUMORA_TEST_PASSWORD_CALLS", path, MAX_PATH)) {
    FILE* f = fopen(path, "ab");
    if (f) {
      fputs("call\n", f);
      fclose(f);
    }
  }
  return answer == '1';
}
