// The i686 build's tests run in a virtual machine, since this machine's
// kernel cannot run 32-bit code. This one makes sure that what runs there is
// the 32-bit build: its pointers and its own module's PE machine are the ones
// the build was made for.
#include <windows.h>

#include <gtest/gtest.h>

TEST(OwnMachine, PointerSizeAndPeMachineAreTheBuilds)
{
    auto *base = reinterpret_cast<const BYTE *>(GetModuleHandleA(nullptr));
    auto *dos = reinterpret_cast<const IMAGE_DOS_HEADER *>(base);
    auto *nt = reinterpret_cast<const IMAGE_NT_HEADERS *>(base + dos->e_lfanew);
    EXPECT_EQ(sizeof(void *), static_cast<size_t>(EXPECTED_POINTER_SIZE));
    EXPECT_EQ(nt->FileHeader.Machine, EXPECTED_MACHINE);
}
