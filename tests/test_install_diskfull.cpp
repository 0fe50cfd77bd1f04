// A disk that fills up during the install: writes past 512 KiB come up short.
#include <gtest/gtest.h>

#include "install/install.h"
#include "support/install_support.h"
#include "support/tavik_test.h"

static const DWORD RO = FILE_ATTRIBUTE_READONLY, HID = FILE_ATTRIBUTE_HIDDEN;

TEST(DiskFull, ShortWriteFailsAndLeavesNoFileMarkedComplete)
{
    std::string dir = fresh_dir("full-short-write");
    std::vector<unsigned char> big(700 * 1024, 'x');
    EXPECT_EQ(0, write_install_file(dir.c_str(), "big.bin", big.data(), big.size(), 1, 1));
    DWORD a = attributes_of(dir + "\\big.bin");
    if (a != INVALID_FILE_ATTRIBUTES) {
        EXPECT_EQ(0u, a & (RO | HID));
        EXPECT_LT(read_file(dir + "\\big.bin").size(), big.size());
    }
    // Below the limit everything works: the failure above is the limit's.
    std::vector<unsigned char> small(100 * 1024, 'y');
    EXPECT_EQ(1, write_install_file(dir.c_str(), "small.bin", small.data(), small.size(), 1, 1));
    EXPECT_EQ(small, read_file(dir + "\\small.bin"));
}

TEST(DiskFull, RequiredFileCutShortStopsTheRunAndOptionalOneIsPassedOver)
{
    // "ChnBmp.bin" is the 16th file of 121, "cedict_ts.u8" the last.
    const FaultRow rows[] = {
        // fault, struck file, result, last position, notices, files on disk, struck file afterwards,
        // closing steps, Start-menu group
        {FAULT_DISK_FULL, "ChnBmp.bin", 0, 25, {}, 15, NULL, false, false},
        {FAULT_DISK_FULL, "cedict_ts.u8", 1, 100, {}, 120, NULL, true, true},
    };
    for (const FaultRow &row : rows)
        run_fault_row(row);
}
