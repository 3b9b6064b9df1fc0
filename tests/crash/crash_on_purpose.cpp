// Writes through a null pointer, as a broken test program might: the wine
// session must end it at once and say where it crashed.
#include <cstdio>

int main()
{
    // volatile twice, so that the compiler can neither see that the pointer is
    // null nor drop the write.
    volatile int *volatile pNowhere = nullptr;
    std::puts("crashing on purpose");
    std::fflush(stdout);
    *pNowhere = 1;
    return 0;
}
