// The installer signed with Authenticode, as it ships, still vouches for its own file and installs.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

static unsigned long le32(const std::vector<unsigned char> &b, size_t at)
{
    return at + 4 > b.size() ? 0
                             : (unsigned long)b[at] | (unsigned long)b[at + 1] << 8 |
                                   (unsigned long)b[at + 2] << 16 | (unsigned long)b[at + 3] << 24;
}

// Where the headers' security directory puts the certificate table; false when they have none.
static bool certificate_table(const std::vector<unsigned char> &exe, unsigned long *at, unsigned long *size)
{
    unsigned long pe = le32(exe, 0x3c);
    // PE32+: the data directories start 112 bytes into the optional header; security is the fifth.
    size_t entry = (size_t)pe + 24 + 112 + 4 * 8;
    if (exe.size() < 2 || exe[0] != 'M' || exe[1] != 'Z' || le32(exe, pe) != 0x4550 || entry + 8 > exe.size())
        return false;
    *at = le32(exe, entry);
    *size = le32(exe, entry + 4);
    return *at && *size;
}

class Signed : public ::testing::Test
{
  protected:
    SetupProcess setup = {};
    void SetUp() override { remove_installer_shortcuts(); }
    void TearDown() override { end_setup(&setup); }
};

// The signature is the only thing added: a PKCS#7 certificate table after the whole image, up to
// the end of the file. The installer's check of its own file accepts that, and the install is whole.
TEST_F(Signed, SignedCopyInstallsEveryFileAndItsLinks)
{
    const char *exe = getenv("TAVIK_SIGNED_SETUP_EXE");
    ASSERT_TRUE(exe && *exe) << "TAVIK_SIGNED_SETUP_EXE is not set";
    std::vector<unsigned char> signed_exe = read_file(exe), plain = read_file(setup_exe_path());
    ASSERT_FALSE(plain.empty());
    ASSERT_GT(signed_exe.size(), plain.size()) << exe << " is not longer than the unsigned exe";
    unsigned long at = 0, size = 0;
    ASSERT_TRUE(certificate_table(signed_exe, &at, &size)) << exe << " has no certificate table";
    EXPECT_GE(at, plain.size());
    EXPECT_EQ(signed_exe.size(), (size_t)at + size);
    // WIN_CERTIFICATE: revision 2.0 and the type of PKCS#7 signed data.
    EXPECT_EQ(0x00020200ul, le32(signed_exe, at + 4));

    std::string dir = fresh_target("signed", "Tavik");
    ASSERT_TRUE(start_setup(&setup, "C:\\", exe)) << "no visible wizard \"" WIZARD_CAPTION "\"";
    ASSERT_TRUE(wait_page(setup.wizard, 0, 10000)) << page_mismatch(setup.wizard, 0);
    ASSERT_TRUE(walk_with_path(&setup, dir, true, true)) << page_mismatch(setup.wizard, 3);
    StepOutcome out = install_to_end(&setup, IDC_MSG_YES, "signed");
    ASSERT_TRUE(out.final_seen) << "no final message";
    EXPECT_TRUE(is_success(out.final_message)) << out.final_message.english;
    EXPECT_TRUE(out.exited && out.exit_code == 0);
    expect_installed_files(dir, {"doc"});
    expect_shortcuts(dir, english_names, true, true);
}
