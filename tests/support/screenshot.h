// Whole-screen captures of the end-to-end runs, saved as PNG files under the build tree.
#ifndef TAVIK_SCREENSHOT_H
#define TAVIK_SCREENSHOT_H

#include <string>
#include <vector>

// PNG bytes (8-bit RGB, no interlace) of rows given top-down as R,G,B triples.
std::vector<unsigned char> encode_png_rgb(int width, int height, const std::vector<unsigned char> &rgb);

// The screen as top-down R,G,B rows; false when it cannot be read.
bool capture_screen(int *width, int *height, std::vector<unsigned char> *rgb);

// <build>\screenshots\e2e, created on first use (the build tree is the parent of TAVIK_TESTS_DIR).
std::string screenshot_dir(void);

// Saves the screen as <screenshot_dir>\<name>.png; false when nothing could be saved.
bool save_screen(const std::string &name);

#endif
