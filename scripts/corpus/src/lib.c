#include <windows.h>

__declspec(dllexport) int CorpusAdd(int a, int b) { return a + b; }

BOOL WINAPI DllMain(HINSTANCE inst, DWORD reason, LPVOID reserved) {
  (void)inst; (void)reason; (void)reserved;
  return TRUE;
}
