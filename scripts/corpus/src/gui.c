#include <windows.h>

int WINAPI WinMain(HINSTANCE inst, HINSTANCE prev, LPSTR cmd, int show) {
  (void)inst; (void)prev; (void)show;
  MessageBoxA(NULL, cmd && *cmd ? cmd : "hello", "corpus", MB_OK);
  return 0;
}
