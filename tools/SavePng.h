#pragma once

#include "framework/image/Image.h"

// Writes the picture as a PNG file (8-bit RGB, like the BMP files: alpha
// is dropped), whole or not at all: on any failure `path` is left as it was.
bool SavePng(const Image& image, const char* path);
