// Packed resources staged into new temporary files and moved over their names, with their protective bits.
#include <gtest/gtest.h>

#include "install/install.h"
#include "install/manifest.h"
#include "install/replace.h"
#include "base/base.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;

class Payload : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        dir = fresh_dir(::testing::UnitTest::GetInstance()->current_test_info()->name());
        buffer.assign(STAGE_BUFFER_SIZE, 0);
    }
    std::string path(const char *name) { return dir + "\\" + name; }
    int extract(HMODULE module, int id, const char *name, int ro, int hid)
    {
        return extract_payload(module, id, dir.c_str(), name, ro, hid);
    }
    int stage(HMODULE module, int id, const char *tag, std::string *staged)
    {
        StagedPayload got;
        int result = stage_payload(module, id, dir.c_str(), tag, buffer.data(), &got, NULL);
        *staged = got.path;
        return result;
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
        ASSERT_EQ(1, extract(setup_module(), r.id, r.name, r.ro, r.hid)) << r.name;
        EXPECT_EQ(setup_payload(r.id), read_file(path(r.name))) << r.name;
        DWORD a = attributes_of(path(r.name));
        EXPECT_EQ(r.ro ? RO : 0, a & RO) << r.name;
        EXPECT_EQ(r.hid ? HID : 0, a & HID) << r.name;
    }
}

TEST_F(Payload, LargestPayloadStreamsThroughTheSmallBuffer)
{
    std::string staged;
    ASSERT_EQ(STAGE_OK, stage(setup_module(), 146, "146", &staged));
    EXPECT_EQ(path("~tvk146.tmp"), staged);
    std::vector<unsigned char> bytes = read_file(staged);
    EXPECT_EQ(38013217u, bytes.size());
    EXPECT_TRUE(bytes == setup_payload(146));
    // Staged only: nothing under the real name yet.
    EXPECT_EQ(std::vector<std::string>{"~tvk146.tmp"}, sorted_entries(dir));
    ASSERT_EQ(1, commit_staged_file(staged.c_str(), path("cedict_ts.u8").c_str(), 0, 1, 1));
    EXPECT_EQ(std::vector<std::string>{"cedict_ts.u8"}, sorted_entries(dir));
    EXPECT_EQ(RO | HID, attributes_of(path("cedict_ts.u8")) & (RO | HID));
}

TEST_F(Payload, EmptyPayloadMakesAnEmptyFile)
{
    HMODULE module = crafted_module("empty", {{500, zlib_pack({})}});
    ASSERT_TRUE(module);
    EXPECT_EQ(1, extract(module, 500, "empty.txt", 0, 0));
    EXPECT_TRUE(file_exists(path("empty.txt")));
    EXPECT_EQ(0u, read_file(path("empty.txt")).size());
    FreeLibrary(module);
}

// Whatever is wrong with a stream, nothing is left behind: no temporary file, and an existing
// file of that name keeps its bytes and bits.
TEST_F(Payload, MissingOrDamagedStreamLeavesNothing)
{
    std::vector<unsigned char> packed = zlib_pack(std::vector<unsigned char>(300000, 'x'));
    std::vector<unsigned char> corrupt = packed;
    corrupt[corrupt.size() - 2] ^= 0xff; // Adler-32 no longer matches
    std::vector<unsigned char> truncated(packed.begin(), packed.begin() + packed.size() / 2);
    std::vector<unsigned char> trailing = packed;
    trailing.push_back(0);
    std::vector<unsigned char> not_zlib = {'p', 'l', 'a', 'i', 'n'};
    HMODULE module = crafted_module(
        "corrupt", {{501, corrupt}, {502, truncated}, {503, trailing}, {504, not_zlib}, {505, packed}});
    ASSERT_TRUE(module);
    ASSERT_TRUE(write_file(path("keep.bin"), "previous"));
    protect_file(path("keep.bin"), true, true);
    struct {
        int id;
        int staged;
    } rows[] = {{700, STAGE_MISSING}, {501, STAGE_DAMAGED}, {502, STAGE_DAMAGED},
                {503, STAGE_DAMAGED}, {504, STAGE_DAMAGED}, {505, STAGE_OK}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.id);
        std::string staged;
        EXPECT_EQ(r.staged, stage(module, r.id, "s", &staged));
        if (r.staged == STAGE_OK) {
            // The same stream whole: the rows above fail for their damage alone.
            EXPECT_EQ(path("~tvks.tmp"), staged);
            EXPECT_EQ(300000u, read_file(staged).size());
            ASSERT_TRUE(DeleteFileA(staged.c_str()));
            continue;
        }
        EXPECT_EQ("", staged);
        EXPECT_EQ(0, extract(module, r.id, "keep.bin", 0, 0));
        EXPECT_EQ(std::vector<std::string>{"keep.bin"}, sorted_entries(dir));
        EXPECT_EQ(RO | HID, attributes_of(path("keep.bin")) & (RO | HID));
        std::vector<unsigned char> kept = read_file(path("keep.bin"));
        EXPECT_EQ("previous", std::string(kept.begin(), kept.end()));
    }
    FreeLibrary(module);
}

// A temporary name that is taken, by a file or a folder, is never opened: another name is used.
TEST_F(Payload, TakenTemporaryNamesAreLeftAlone)
{
    // Writable, so that only creating it new keeps it whole.
    ASSERT_TRUE(write_file(path("~tvkt.tmp"), "someone's"));
    ASSERT_TRUE(CreateDirectoryA(path("~tvkt-1.tmp").c_str(), NULL));
    std::string staged;
    ASSERT_EQ(STAGE_OK, stage(setup_module(), 106, "t", &staged));
    EXPECT_EQ(path("~tvkt-2.tmp"), staged);
    EXPECT_TRUE(read_file(staged) == setup_payload(106));
    std::vector<unsigned char> kept = read_file(path("~tvkt.tmp"));
    EXPECT_EQ("someone's", std::string(kept.begin(), kept.end()));
}

TEST_F(Payload, OverwritesReadOnlyHiddenFileAndKeepsOtherBits)
{
    ASSERT_TRUE(write_file(path("a.dic"), "old"));
    SetFileAttributesA(path("a.dic").c_str(), FILE_ATTRIBUTE_SYSTEM);
    protect_file(path("a.dic"), true, true);
    ASSERT_EQ(RO | HID, attributes_of(path("a.dic")) & (RO | HID));
    EXPECT_EQ(1, install_file("a.dic", "new bytes", 9, 1, 1));
    std::vector<unsigned char> got = read_file(path("a.dic"));
    EXPECT_EQ("new bytes", std::string(got.begin(), got.end()));
    DWORD a = attributes_of(path("a.dic"));
    EXPECT_EQ(RO | HID, a & (RO | HID));
    EXPECT_TRUE(a & FILE_ATTRIBUTE_SYSTEM);
    EXPECT_EQ(std::vector<std::string>{"a.dic"}, sorted_entries(dir));
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
    EXPECT_EQ(RO, attributes_of(path("held.exe")) & (RO | HID));
    // The staged copy is gone again; only the holder's ready flag is left.
    EXPECT_EQ((std::vector<std::string>{"held.exe", "held.exe.held"}), sorted_entries(dir));
}

// A symbolic link at the name is replaced by the new file; what it pointed at keeps its bytes and bits.
TEST_F(Payload, LinkAtTheNameIsReplacedNotFollowed)
{
    std::string outside = fresh_dir("payload-link-target") + "\\target.txt";
    ASSERT_TRUE(write_file(outside, "not the installer's"));
    protect_file(outside, true, true);
    ASSERT_TRUE(make_host_link(path("linked.dic"), outside));
    ASSERT_TRUE(make_host_link(path("dangling.dic"), outside + ".missing"));
    EXPECT_EQ(1, install_file("linked.dic", "new", 3, 1, 1));
    EXPECT_EQ(1, install_file("dangling.dic", "new", 3, 0, 1));
    for (const char *name : {"linked.dic", "dangling.dic"}) {
        std::vector<unsigned char> got = read_file(path(name));
        EXPECT_EQ("new", std::string(got.begin(), got.end())) << name;
    }
    EXPECT_EQ(RO | HID, attributes_of(path("linked.dic")) & (RO | HID));
    std::vector<unsigned char> target = read_file(outside);
    EXPECT_EQ("not the installer's", std::string(target.begin(), target.end()));
    EXPECT_EQ(RO | HID, attributes_of(outside) & (RO | HID));
    EXPECT_FALSE(file_exists(outside + ".missing"));
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
    EXPECT_EQ(0, extract(setup_module(), 106, huge.c_str(), 1, 1));
}

TEST_F(Payload, RemovingDeletesProtectedFilesAndIgnoresMissingOnes)
{
    ASSERT_TRUE(write_file(path("user.dic"), "x"));
    protect_file(path("user.dic"), true, true);
    EXPECT_EQ(1, remove_own_file(path("user.dic").c_str()));
    EXPECT_FALSE(file_exists(path("user.dic")));
    EXPECT_EQ(1, remove_own_file(path("never-there.dic").c_str()));
    EXPECT_FALSE(file_exists(path("never-there.dic")));
}
