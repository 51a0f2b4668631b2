// Palette-level operations on one 8-bit frame: colour distance, freeing a palette entry, making
// a frame transparent and filling its margins with transparency. The CDib + FrameEntry forms
// change only what they are given; the FrameTable forms also keep the key colour in step
// (FrameTable::SetKeyColor).
//
// Every palette index is checked against PaletteSize(): colorCount may be below 256 and the
// colour table may be shorter or longer than colorCount.
#pragma once

#include <array>

#include "core/model/Color.h"

namespace vorla {

class CDib;
class FrameTable;
struct FrameEntry;

namespace effects {

inline constexpr int kMaxPaletteEntries = 256;

// Sum of the absolute red, green and blue differences (0..765).
int ColourDistance(Colorref a, Colorref b);

// The palette entries the frame may use: the smaller of entry.colorCount and the image's colour
// table, at most 256; 0 for an image that is not 8 bits per pixel.
int PaletteSize(const CDib& image, const FrameEntry& entry);

// Pixels per palette index; all zeros for an image that is not 8 bits per pixel.
std::array<int, kMaxPaletteEntries> IndexHistogram(const CDib& image);

// The highest index below PaletteSize() that no pixel uses (so colorCount - 1, the index of a
// frame without transparency, comes first); -1 when every entry is used.
int UnusedIndex(const CDib& image, const FrameEntry& entry);

// When every palette entry is used by pixels: the pixels of the least-used index (lowest index on
// a tie) are re-painted with the nearest other colour (ColourDistance, lowest index on a tie),
// which frees that index. A transparent frame's transparent index is neither freed nor used as a
// replacement. Returns the freed index; -1 when an entry was free already or none can be freed
// (then nothing changed).
int FreeEntryIfFull(CDib& image, const FrameEntry& entry);

// Gives a frame that is not transparent a transparent index: an index the image does not use;
// when all are used and the palette has fewer than 256 entries it grows to the next power of two
// (no colour is lost), otherwise the least-used entry is freed first. Sets entry.transparent and
// entry.transparentIndex; the palette entry keeps its colour (the key colour is the caller's).
// A transparent frame whose index lies inside its palette keeps it. Returns the index, -1 when
// the image cannot be made transparent (not 8 bits, or no palette).
int ChooseTransparentIndex(CDib& image, FrameEntry& entry);

// ChooseTransparentIndex for a frame of the table, then its key colour (SetKeyColor) when it was
// not transparent before. Returns the transparent index or -1 (nothing changed).
int MakeTransparent(FrameTable& table, int frame);

// Gives the transparent entry its original colour back and chooses the key colour anew, for
// after the palette changed. Nothing for a frame without transparency.
void RecomputeKeyColor(FrameTable& table, int frame);

// The frame becomes a picture of the whole logical screen at 0, 0: the parts of the screen it
// did not cover and its transparent pixels carry its transparent index (the key colour); a frame
// without transparency is made transparent first. The palette is kept and widened to 256 entries
// (colorCount 256), so no colour changes. false: nothing changed (frame index, screen size or
// image unusable).
bool FillMarginsWithTransparency(FrameTable& table, int frame);

}  // namespace effects
}  // namespace vorla
