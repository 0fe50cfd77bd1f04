// The tests' one PNG writer, and whole-screen captures of the end-to-end runs saved with it.
#ifndef TAVIK_SCREENSHOT_H
#define TAVIK_SCREENSHOT_H

#include <string>
#include <vector>

// PNG bytes (8-bit RGB, no interlace) of rows given top-down as R,G,B triples.
std::vector<unsigned char> encode_png_rgb(int width, int height, const std::vector<unsigned char> &rgb);

// The screen as top-down R,G,B rows; false when it cannot be read.
bool capture_screen(int *width, int *height, std::vector<unsigned char> *rgb);

// <build>\screenshots, created on first use (the build tree is the parent of TAVIK_TESTS_DIR);
// "" when the tests' folder is not known.
std::string screenshot_root(void);
// <build>\screenshots\e2e, created on first use.
std::string screenshot_dir(void);

// Writes rows as encode_png_rgb takes them to path, through a new file moved over the name.
bool write_png(const std::string &path, int width, int height, const std::vector<unsigned char> &rgb);

// Saves the screen as <screenshot_dir>\<name>.png; false when nothing could be saved.
bool save_screen(const std::string &name);

#endif
