// An installer built from a vendor's product folder lays down that folder's bytes under the installed names.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>

#include "resources/ids.h"
#include "support/e2e_driver.h"
#include "support/e2e_faults.h"
#include "support/tavik_test.h"

// tests/product_build.sh made the folder (some files changed, some names in another case) and
// built TAVIK_PRODUCT_SETUP_EXE from it.
TEST(VendorProduct, InstalledBytesAreTheFolderBytes)
{
    const char *exe = getenv("TAVIK_PRODUCT_SETUP_EXE");
    const char *folder = getenv("TAVIK_PRODUCT_FOLDER");
    ASSERT_TRUE(exe && *exe && folder && *folder)
        << "TAVIK_PRODUCT_SETUP_EXE or TAVIK_PRODUCT_FOLDER is not set";
    ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesA(exe))
        << exe << ": tests/product_build.sh did not run";
    remove_installer_shortcuts();

    std::string dir = fresh_target("product", "Tavik");
    SetupProcess setup = {};
    ASSERT_TRUE(start_setup(&setup, "C:\\", exe)) << "no visible wizard \"" WIZARD_CAPTION "\"";
    bool walked = walk_with_path(&setup, dir, false, false);
    StepOutcome out = {};
    if (walked)
        out = install_to_end(&setup, IDC_MSG_YES, "product");
    end_setup(&setup);
    ASSERT_TRUE(walked) << page_mismatch(setup.wizard, 3);
    ASSERT_TRUE(out.final_seen && is_success(out.final_message)) << out.final_message.english;

    std::vector<std::string> expected = {"doc", "TVKInstall.rec"};
    for (const InstalledFile &f : installed_files()) {
        expected.push_back(f.name);
        // The folder's names may differ in case; Wine finds them as Windows does.
        std::vector<unsigned char> shipped = read_file(std::string(folder) + "\\" + f.name);
        EXPECT_FALSE(shipped.empty()) << f.name << " is not in " << folder;
        if (f.name != "chipadui.ini") {
            EXPECT_TRUE(read_file(dir + "\\" + f.name) == shipped) << "contents of " << f.name;
        }
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, sorted_entries(dir))
        << "entries of " << dir << ": names come from the installer, not the folder";
}
