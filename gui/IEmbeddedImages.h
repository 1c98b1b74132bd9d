#pragma once

#include <cstddef>

// The panel's PNG images compiled into the module (ids 100 to 106, as the
// resource script pairs them with files), so that the module needs no file at
// run time. The table is generated at build time by cmake/EmbedImages.cmake.
//
// Any thread: the bytes are constant and live as long as the module.
// False when no image has this id; data and size are then untouched.
bool FindEmbeddedImage(int id, const void** data, std::size_t* size);
