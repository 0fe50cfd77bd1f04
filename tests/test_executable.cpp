// The shipped executable itself: imports, hardening flags, resources.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "install/manifest.h"
#include "resources/ids.h"
#include "support/tavik_test.h"

struct PeImage {
    std::vector<unsigned char> bytes;
    const IMAGE_NT_HEADERS64 *nt() const
    {
        const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)bytes.data();
        return (const IMAGE_NT_HEADERS64 *)(bytes.data() + dos->e_lfanew);
    }
    // File offset of a relative virtual address.
    size_t offset(DWORD rva) const
    {
        const IMAGE_NT_HEADERS64 *h = nt();
        const IMAGE_SECTION_HEADER *s = IMAGE_FIRST_SECTION(h);
        for (int i = 0; i < h->FileHeader.NumberOfSections; i++, s++)
            if (rva >= s->VirtualAddress && rva < s->VirtualAddress + s->Misc.VirtualSize)
                return rva - s->VirtualAddress + s->PointerToRawData;
        return 0;
    }
};

static std::set<std::string> imported_dlls(const PeImage &pe)
{
    std::set<std::string> dlls;
    const IMAGE_DATA_DIRECTORY &dir = pe.nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    size_t at = pe.offset(dir.VirtualAddress);
    for (const IMAGE_IMPORT_DESCRIPTOR *d = (const IMAGE_IMPORT_DESCRIPTOR *)(pe.bytes.data() + at); d->Name;
         d++) {
        std::string name = (const char *)pe.bytes.data() + pe.offset(d->Name);
        std::transform(name.begin(), name.end(), name.begin(), ::toupper);
        dlls.insert(name);
    }
    return dlls;
}

// The installer and the uninstaller it carries (payload 171), as shipped.
struct ShippedImage {
    const char *name;
    PeImage pe;
};
static std::vector<ShippedImage> shipped_images(void)
{
    return {{"TavikSetup.exe", {read_file(setup_exe_path())}}, {"TVKUnInstall.exe", {setup_payload(171)}}};
}

TEST(Executable, ImportsOnlyTheSystemsKnownDlls)
{
    for (const ShippedImage &image : shipped_images()) {
        SCOPED_TRACE(image.name);
        const PeImage &pe = image.pe;
        ASSERT_GT(pe.bytes.size(), 4096u);
        // The loader takes these from the system folder whatever lies beside the program;
        // any other DLL (COMCTL32 among them) is loaded by name only after the search is
        // restricted, so it must not be imported.
        std::set<std::string> known = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL",    "COMDLG32.DLL",
                                       "SHELL32.DLL",  "OLE32.DLL",  "ADVAPI32.DLL", "MSVCRT.DLL"};
        std::set<std::string> dlls = imported_dlls(pe);
        EXPECT_TRUE(dlls.count("KERNEL32.DLL"));
        EXPECT_TRUE(dlls.count("USER32.DLL"));
        EXPECT_FALSE(dlls.count("COMCTL32.DLL"));
        // Loaded when the chooser opens: imported, it brings the print spooler into every run.
        EXPECT_FALSE(dlls.count("COMDLG32.DLL"));
        for (const std::string &d : dlls)
            EXPECT_TRUE(known.count(d)) << d;
    }
}

TEST(Executable, KeepsAslrHighEntropyAndNx)
{
    for (const ShippedImage &image : shipped_images()) {
        SCOPED_TRACE(image.name);
        const PeImage &pe = image.pe;
        ASSERT_GT(pe.bytes.size(), 4096u);
        WORD flags = pe.nt()->OptionalHeader.DllCharacteristics;
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE);
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA);
        EXPECT_TRUE(flags & IMAGE_DLLCHARACTERISTICS_NX_COMPAT);
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, pe.nt()->FileHeader.Machine);
        EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, pe.nt()->OptionalHeader.Subsystem);
        // Relocations must be present or ASLR has nothing to work with.
        EXPECT_GT(pe.nt()->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_BASERELOC].Size, 0u);
        // No link time: two builds of one commit give the same bytes.
        EXPECT_EQ(0u, pe.nt()->FileHeader.TimeDateStamp);
    }
}

TEST(Executable, EmbedsNoBuildPaths)
{
    std::vector<unsigned char> bytes = read_file(setup_exe_path());
    std::string text(bytes.begin(), bytes.end());
    const char *source = getenv("TAVIK_SOURCE_DIR"); // Z:\... form
    ASSERT_TRUE(source);
    std::string unix_path = std::string(source + 2);
    std::replace(unix_path.begin(), unix_path.end(), '\\', '/');
    EXPECT_EQ(std::string::npos, text.find(unix_path)) << unix_path;
    EXPECT_EQ(std::string::npos, text.find("/usr/src/"));
}

static BOOL CALLBACK collect_id(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    if (IS_INTRESOURCE(name))
        ((std::set<int> *)param)->insert((int)(ULONG_PTR)name);
    else
        ((std::set<int> *)param)->insert(-1);
    return TRUE;
}

TEST(Executable, CarriesEveryPayloadAsOneBestCompressionZlibStream)
{
    HMODULE module = setup_module();
    ASSERT_TRUE(module);
    std::set<int> ids;
    EnumResourceNamesA(module, RT_PAYLOAD_NAME, collect_id, (LONG_PTR)&ids);
    std::set<int> expected;
    for (const InstalledFile &f : installed_files())
        expected.insert(f.id);
    for (int i = 0; i < unused_payload_count; i++)
        expected.insert(unused_payload_ids[i]);
    expected.insert(IDR_GLYPH_ATLAS);
    expected.insert(IDR_LICENCE_CN);
    expected.insert(IDR_LICENCE_EN);
    EXPECT_EQ(127u, expected.size());
    EXPECT_EQ(expected, ids);
    for (int id : ids) {
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), RT_PAYLOAD_NAME);
        ASSERT_TRUE(found) << id;
        const unsigned char *p = (const unsigned char *)LockResource(LoadResource(module, found));
        ASSERT_GE(SizeofResource(module, found), 2u);
        EXPECT_EQ(0x78, p[0]) << id;
        EXPECT_EQ(0xDA, p[1]) << id;
        std::vector<unsigned char> raw;
        EXPECT_TRUE(inflate_resource(module, id, &raw)) << id;
    }
    std::vector<unsigned char> atlas;
    ASSERT_TRUE(inflate_resource(module, IDR_GLYPH_ATLAS, &atlas));
    EXPECT_EQ(241664u, atlas.size());
}

TEST(Executable, ManifestAsksOnlyForTheInvokersRights)
{
    // The uninstaller is looked at as the installer lays it down.
    std::vector<unsigned char> uninstaller = setup_payload(171);
    std::string copy = fresh_dir("executable-uninstaller") + "\\TVKUnInstall.exe";
    ASSERT_TRUE(write_file(copy, uninstaller.data(), uninstaller.size()));
    HMODULE modules[] = {setup_module(), LoadLibraryExA(copy.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE)};
    for (HMODULE module : modules) {
        ASSERT_TRUE(module);
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
        ASSERT_TRUE(found);
        std::string text((const char *)LockResource(LoadResource(module, found)),
                         SizeofResource(module, found));
        EXPECT_NE(std::string::npos, text.find("level=\"asInvoker\""));
        EXPECT_EQ(std::string::npos, text.find("requireAdministrator"));
        EXPECT_EQ(std::string::npos, text.find("highestAvailable"));
        EXPECT_EQ(std::string::npos, text.find("dependentAssembly"));
    }
    FreeLibrary(modules[1]);
}

TEST(Executable, HasTheIconAndTheThreeDialogTemplates)
{
    HMODULE module = setup_module();
    EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(IDI_APP), RT_GROUP_ICON));
    for (int id : {IDD_MESSAGE, IDD_WIZARD, IDD_CHOOSER})
        EXPECT_TRUE(FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG)) << id;
}
