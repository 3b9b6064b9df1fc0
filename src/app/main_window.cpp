#include <windows.h>

// Until the window exists, the program starts and ends at once.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    return 0;
}
