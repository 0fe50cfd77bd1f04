// DLL loading is restricted to the system folder: a DLL planted beside the program is ignored.
#include <gtest/gtest.h>

#include "app/app.h"
#include "support/tavik_test.h"

static std::string program_dir(void)
{
    char path[MAX_PATH];
    GetModuleFileNameA(NULL, path, sizeof(path));
    *strrchr(path, '\\') = 0;
    return path;
}

TEST(DllSearch, PlantedDllBesideTheProgramLoadsOnlyBeforeTheRestriction)
{
    std::string dir = program_dir();
    std::string before = dir + "\\tavik_planted_a.dll", after = dir + "\\tavik_planted_b.dll";
    ASSERT_TRUE(CopyFileA(test_program("plant.dll").c_str(), before.c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(test_program("plant.dll").c_str(), after.c_str(), FALSE));

    // Without the restriction the program's own folder is searched: the check can fail.
    HMODULE a = LoadLibraryA("tavik_planted_a.dll");
    EXPECT_TRUE(a);
    if (a)
        FreeLibrary(a);

    restrict_dll_search();
    HMODULE b = LoadLibraryA("tavik_planted_b.dll");
    EXPECT_FALSE(b);
    EXPECT_FALSE(file_exists(after + ".loaded"));
    if (b)
        FreeLibrary(b);
    // System DLLs still load.
    HMODULE system = LoadLibraryA("version.dll");
    EXPECT_TRUE(system);

    DeleteFileA(before.c_str());
    DeleteFileA(after.c_str());
    DeleteFileA((before + ".loaded").c_str());
    DeleteFileA((after + ".loaded").c_str());
}
