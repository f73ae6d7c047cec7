// Creating the files quendrel-map writes.
#pragma once

#include <cstdio>

// Creates `path` as a new file for writing in byte mode. Whatever stands at
// the path, a file or a link, is removed first, never written through: a
// link's target is left as it is. Nothing when the path is a folder or the
// file cannot be created; errno then says why.
std::FILE* createNewFile(const char* path);
