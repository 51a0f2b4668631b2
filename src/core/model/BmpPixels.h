// Every BMP pixel layout CDib::Read accepts, brought to the two layouts the rest of the program
// works with: plain bottom-up 8-bit palette bitmaps (frames) and plain bottom-up 24-bit bitmaps
// (what the imaging role reduces to 8 bits). Pure functions; the output is written only on
// success.
#pragma once

#include "core/model/CDib.h"

namespace vorla {

// 1-, 4- or 8-bit input, uncompressed or run-length coded (RLE4, RLE8), stored either way up, to
// an uncompressed bottom-up 8-bit bitmap with the same pixels and the same colour table (at
// least one entry; grown with black to cover indices the file uses past its table). Run-length
// data is decoded defensively: runs past a row's end are clipped, pixels the data skips or never
// reaches keep index 0. false for any other depth or a bitmap whose pixel bytes are too short.
bool ExpandToIndexed8(const CDib& in, CDib& out);

// 16-, 24- or 32-bit input, uncompressed (16 bits: 5-5-5, 32 bits: blue, green, red, unused) or
// with BITFIELDS masks of any width, to an uncompressed bottom-up 24-bit bitmap. Masked channels
// are scaled to 0..255 with rounding; a zero mask gives 0. false for any other layout or a
// bitmap whose pixel bytes are too short.
bool ExpandToTrueColour(const CDib& in, CDib& out);

}  // namespace vorla
