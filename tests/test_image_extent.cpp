// How much of its file a program image needs: read from real and crafted headers.
#include <gtest/gtest.h>

#include "install/image_extent.h"
#include "support/tavik_test.h"

// Headers of an image with the given sections (raw offset, raw size), headers of 0x400 bytes.
static std::vector<unsigned char> crafted_headers(const std::vector<std::pair<unsigned, unsigned>> &sections)
{
    std::vector<unsigned char> h(0x400, 0);
    auto put16 = [&](size_t at, unsigned v) {
        h[at] = (unsigned char)v;
        h[at + 1] = (unsigned char)(v >> 8);
    };
    auto put32 = [&](size_t at, unsigned v) {
        put16(at, v & 0xffff);
        put16(at + 2, v >> 16);
    };
    h[0] = 'M';
    h[1] = 'Z';
    const size_t pe = 0x80, optional = 0xf0;
    put32(0x3c, pe);
    h[pe] = 'P';
    h[pe + 1] = 'E';
    put16(pe + 6, (unsigned)sections.size());
    put16(pe + 20, optional);
    put32(pe + 24 + 60, 0x400); // size of headers
    for (size_t i = 0; i < sections.size(); i++) {
        put32(pe + 24 + optional + 40 * i + 16, sections[i].second);
        put32(pe + 24 + optional + 40 * i + 20, sections[i].first);
    }
    return h;
}

TEST(ImageExtent, TheShippedInstallerNeedsItsWholeFile)
{
    std::vector<unsigned char> exe = read_file(setup_exe_path());
    ASSERT_GT(exe.size(), 4096u);
    EXPECT_EQ(exe.size(), image_file_extent(exe.data(), 4096));
}

TEST(ImageExtent, FurthestSectionDecidesEmptyOnesDoNot)
{
    struct {
        const char *what;
        std::vector<std::pair<unsigned, unsigned>> sections;
        unsigned long long extent;
    } rows[] = {
        {"no sections: the headers", {}, 0x400},
        {"one section", {{0x400, 0x200}}, 0x600},
        {"out of order", {{0x1000, 0x800}, {0x400, 0x200}}, 0x1800},
        {"an empty section further out", {{0x400, 0x200}, {0x9000, 0}}, 0x600},
        {"sizes near 4 GiB do not wrap", {{0xfffff000, 0x2000}}, 0x100001000ULL},
    };
    for (const auto &r : rows) {
        std::vector<unsigned char> h = crafted_headers(r.sections);
        EXPECT_EQ(r.extent, image_file_extent(h.data(), h.size())) << r.what;
    }
}

TEST(ImageExtent, AnythingElseIsNoImage)
{
    std::vector<unsigned char> good = crafted_headers({{0x400, 0x200}});
    std::vector<unsigned char> no_mz = good, no_pe = good, far_pe = good, many = good;
    no_mz[0] = 'X';
    no_pe[0x81] = 'X';
    far_pe[0x3c] = 0xff;
    far_pe[0x3d] = 0xff;
    many[0x86] = 0xff; // 255 sections: the table runs past the bytes given
    EXPECT_EQ(0u, image_file_extent(no_mz.data(), no_mz.size()));
    EXPECT_EQ(0u, image_file_extent(no_pe.data(), no_pe.size()));
    EXPECT_EQ(0u, image_file_extent(far_pe.data(), far_pe.size()));
    EXPECT_EQ(0u, image_file_extent(many.data(), many.size()));
    EXPECT_EQ(0u, image_file_extent(good.data(), 0x100)) << "headers cut short";
    EXPECT_EQ(0u, image_file_extent(good.data(), 0x3f));
}
