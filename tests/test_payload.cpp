// Extraction of packed resources into files, with their protective attributes.
#include <gtest/gtest.h>

#include "install/install.h"
#include "install/manifest.h"
#include "base/base.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;

class Payload : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir = fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        buffer.assign(SCRATCH_SIZE, 0);
    }
    std::string path(const char *name) { return dir + "\\" + name; }
    int extract(HMODULE module, int id, const char *name, unsigned long capacity, int ro, int hid)
    {
        return extract_payload(module, id, dir.c_str(), name, buffer.data(), capacity, ro, hid);
    }
    int install_file(const char *name, const void *data, unsigned long size, int ro, int hid)
    {
        return write_install_file(dir.c_str(), name, data, size, ro, hid);
    }
    std::string dir;
    std::vector<unsigned char> buffer;
};

TEST_F(Payload, ExtractsTheInflatedBytesWithRequestedAttributes)
{
    struct {
        int id;
        const char *name;
        int ro, hid;
    } rows[] = {{131, "gbkflat.dic", 1, 1},
                {111, "sort.dic", 0, 1},
                {118, "duplicat.dic", 1, 0},
                {127, "CiZuFlat.igb", 0, 0}};
    for (const auto &r : rows) {
        ASSERT_EQ(1, extract(setup_module(), r.id, r.name, SCRATCH_SIZE, r.ro, r.hid)) << r.name;
        EXPECT_EQ(setup_payload(r.id), read_file(path(r.name))) << r.name;
        DWORD a = attributes_of(path(r.name));
        EXPECT_EQ(r.ro ? RO : 0, a & RO) << r.name;
        EXPECT_EQ(r.hid ? HID : 0, a & HID) << r.name;
    }
}

TEST_F(Payload, LargestPayloadFitsTheScratchBufferAndNotASmallerOne)
{
    ASSERT_EQ(1, extract(setup_module(), 146, "cedict_ts.u8", SCRATCH_SIZE, 1, 1));
    EXPECT_EQ(38013217u, read_file(path("cedict_ts.u8")).size());
    // Too small a buffer: nothing is touched, not even the attributes.
    ASSERT_TRUE(write_file(path("keep.u8"), "old contents"));
    protect_file(path("keep.u8"), true, true);
    EXPECT_EQ(0, extract(setup_module(), 146, "keep.u8", 38013216, 0, 0));
    EXPECT_EQ(RO | HID, attributes_of(path("keep.u8")) & (RO | HID));
    std::vector<unsigned char> kept = read_file(path("keep.u8"));
    EXPECT_EQ("old contents", std::string(kept.begin(), kept.end()));
}

TEST_F(Payload, EmptyPayloadMakesAnEmptyFile)
{
    HMODULE module = crafted_module("empty", {{500, zlib_pack({})}});
    ASSERT_TRUE(module);
    EXPECT_EQ(1, extract(module, 500, "empty.txt", SCRATCH_SIZE, 0, 0));
    EXPECT_TRUE(file_exists(path("empty.txt")));
    EXPECT_EQ(0u, read_file(path("empty.txt")).size());
    FreeLibrary(module);
}

TEST_F(Payload, MissingOrCorruptStreamCreatesNothing)
{
    std::vector<unsigned char> packed = zlib_pack(std::vector<unsigned char>(5000, 'x'));
    std::vector<unsigned char> corrupt = packed;
    corrupt[corrupt.size() - 2] ^= 0xff; // Adler-32 no longer matches
    std::vector<unsigned char> truncated(packed.begin(), packed.begin() + packed.size() / 2);
    HMODULE module = crafted_module("corrupt", {{501, corrupt}, {502, truncated}});
    ASSERT_TRUE(module);
    EXPECT_EQ(0, extract(module, 700, "missing.bin", SCRATCH_SIZE, 0, 0));
    EXPECT_FALSE(file_exists(path("missing.bin")));
    EXPECT_EQ(0, extract(module, 501, "corrupt.bin", SCRATCH_SIZE, 1, 1));
    EXPECT_FALSE(file_exists(path("corrupt.bin")));
    EXPECT_EQ(0, extract(module, 502, "truncated.bin", SCRATCH_SIZE, 1, 1));
    EXPECT_FALSE(file_exists(path("truncated.bin")));
    // An existing file survives a corrupt stream untouched.
    ASSERT_TRUE(write_file(path("corrupt.bin"), "previous"));
    protect_file(path("corrupt.bin"), true, true);
    EXPECT_EQ(0, extract(module, 501, "corrupt.bin", SCRATCH_SIZE, 0, 0));
    EXPECT_EQ(RO | HID, attributes_of(path("corrupt.bin")) & (RO | HID));
    FreeLibrary(module);
}

TEST_F(Payload, OverwritesReadOnlyHiddenFileAndKeepsOtherBits)
{
    ASSERT_TRUE(write_file(path("a.dic"), "old"));
    SetFileAttributesA(path("a.dic").c_str(), FILE_ATTRIBUTE_ARCHIVE);
    protect_file(path("a.dic"), true, true);
    ASSERT_EQ(RO | HID, attributes_of(path("a.dic")) & (RO | HID));
    EXPECT_EQ(1, install_file("a.dic", "new bytes", 9, 1, 1));
    std::vector<unsigned char> got = read_file(path("a.dic"));
    EXPECT_EQ("new bytes", std::string(got.begin(), got.end()));
    DWORD a = attributes_of(path("a.dic"));
    EXPECT_EQ(RO | HID, a & (RO | HID));
    EXPECT_TRUE(a & FILE_ATTRIBUTE_ARCHIVE);
}

TEST_F(Payload, NoRequestsLeaveAFormerlyProtectedFileWritableAndVisible)
{
    ASSERT_TRUE(write_file(path("b.dic"), "old"));
    protect_file(path("b.dic"), true, true);
    EXPECT_EQ(1, install_file("b.dic", "x", 1, 0, 0));
    EXPECT_EQ(0u, attributes_of(path("b.dic")) & (RO | HID));
    // Writable again: a plain open for writing works.
    FILE *f = fopen(path("b.dic").c_str(), "ab");
    EXPECT_TRUE(f);
    if (f)
        fclose(f);
}

TEST_F(Payload, ReadOnlyIsEnforcedInThisTestEnvironment)
{
    // Guards the tests above: as a privileged user a read-only file could be written anyway.
    ASSERT_TRUE(write_file(path("guard.txt"), "x"));
    protect_file(path("guard.txt"), true, false);
    FILE *f = fopen(path("guard.txt").c_str(), "wb");
    EXPECT_EQ(nullptr, f);
    if (f)
        fclose(f);
}

TEST_F(Payload, FileInUseFailsAndKeepsItsContents)
{
    ASSERT_TRUE(write_file(path("held.exe"), "running program"));
    protect_file(path("held.exe"), true, false);
    FileHolder holder = hold_file(path("held.exe"));
    ASSERT_TRUE(holder.process);
    EXPECT_EQ(0, install_file("held.exe", "new", 3, 1, 0));
    release_file(holder);
    std::vector<unsigned char> got = read_file(path("held.exe"));
    EXPECT_EQ("running program", std::string(got.begin(), got.end()));
}

TEST_F(Payload, PathsThatDoNotFitFailCleanly)
{
    // folder + "\" + name must leave room for the terminator in 260 bytes.
    std::string base = dir + "\\";
    std::string name_259(259 - base.size(), 'n');
    std::string name_260(260 - base.size(), 'n');
    EXPECT_EQ(0, install_file(name_260.c_str(), "x", 1, 0, 0));
    EXPECT_FALSE(file_exists(base + name_260.substr(0, 200)));
    // The longest name that fits still works where the file system allows it.
    int ok = install_file(name_259.c_str(), "x", 1, 0, 0);
    if (ok) {
        EXPECT_TRUE(file_exists(base + name_259));
    }
    std::string huge(1000, 'z');
    EXPECT_EQ(0, extract(setup_module(), 106, huge.c_str(), SCRATCH_SIZE, 1, 1));
}

TEST_F(Payload, RemovingDeletesProtectedFilesAndIgnoresMissingOnes)
{
    ASSERT_TRUE(write_file(path("user.dic"), "x"));
    protect_file(path("user.dic"), true, true);
    remove_protected_file(path("user.dic").c_str());
    EXPECT_FALSE(file_exists(path("user.dic")));
    remove_protected_file(path("never-there.dic").c_str());
    EXPECT_FALSE(file_exists(path("never-there.dic")));
}
