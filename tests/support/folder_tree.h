// Removing a folder tree, protected files included; shared by the tests and the benchmarks.
#ifndef TAVIK_FOLDER_TREE_H
#define TAVIK_FOLDER_TREE_H

#include <string>

void remove_tree(const std::string &path);

#endif
