// A program that carries Kavrin's resources and does nothing: tests read them back from it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return 0;
}
