#pragma once

namespace kiruvan {

// The name of a file layer over the system's default one that hands a write-ahead log frame
// (its small header and the page after it) to the system in one write instead of two. Every
// other call is passed on unchanged, in order, so what reaches the file is the same.
// Registered on first use.
const char* joinedWritesVfs();

}  // namespace kiruvan
