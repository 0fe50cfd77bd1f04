// A disk that fills up during the install: writes past 512 KiB come up short.
#include <gtest/gtest.h>

#include "install/install.h"
#include "support/e2e_driver.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;

TEST(DiskFull, ShortWriteNeverTakesTheNameAndTheOldFileStays)
{
    std::string dir = fresh_dir("full-short-write");
    std::vector<unsigned char> big(700 * 1024, 'x');
    EXPECT_EQ(0, write_install_file(dir.c_str(), "big.bin", big.data(), big.size(), 1, 1));
    EXPECT_EQ(std::vector<std::string>(), sorted_entries(dir)) << "a cut-short file was left";
    // Over an earlier file: it keeps its bytes and bits.
    ASSERT_TRUE(write_file(dir + "\\big.bin", "earlier"));
    protect_file(dir + "\\big.bin", true, true);
    EXPECT_EQ(0, write_install_file(dir.c_str(), "big.bin", big.data(), big.size(), 0, 0));
    std::vector<unsigned char> kept = read_file(dir + "\\big.bin");
    EXPECT_EQ("earlier", std::string(kept.begin(), kept.end()));
    EXPECT_EQ(RO | HID, attributes_of(dir + "\\big.bin") & (RO | HID));
    EXPECT_EQ(std::vector<std::string>{"big.bin"}, sorted_entries(dir));
    // Below the limit everything works: the failure above is the limit's.
    std::vector<unsigned char> small(100 * 1024, 'y');
    EXPECT_EQ(1, write_install_file(dir.c_str(), "small.bin", small.data(), small.size(), 1, 1));
    EXPECT_EQ(small, read_file(dir + "\\small.bin"));
}

TEST(DiskFull, AnyFileCutShortEndsTheRunWithNothingChanged)
{
    // "ChnBmp.bin" (required) comes after position 25, "cedict_ts.u8" (optional) after 70.
    const FaultRow rows[] = {
        // fault, struck file, result, last position, notices, what the folder holds afterwards
        {FAULT_DISK_FULL, "ChnBmp.bin", 0, 25, {}, FILES_UNCHANGED},
        {FAULT_DISK_FULL, "cedict_ts.u8", 0, 70, {}, FILES_UNCHANGED},
    };
    for (const FaultRow &row : rows)
        run_fault_row(row);
}
