#pragma once
// The text map of a PDF the web engine printed. CJK fonts draw a radical (Kangxi
// Radicals, CJK Radicals Supplement) and its ideograph with one glyph; the PDF writer
// names each glyph by the lowest code point that maps to it, so "人" is extracted as
// the radical "⼈" and searching the PDF for "人" finds nothing. These read and rewrite
// a ToUnicode CMap so that such glyphs name the ideograph. Pure, in the program and in
// the engines module alike.
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::pdftext {

// The ideograph a radical shares its glyph with ("⼈" → "人", "⺠" → "民"); 0 for a
// code point that is no such radical.
char32_t ideographForRadical(char32_t c);

// The CMap with every destination that names such a radical naming its ideograph
// instead (bfchar entries rewritten, bfrange entries that reach a radical spelled out
// as bfchar entries); nothing when no destination names one, so the map stays as it
// is.
std::optional<std::string> repairedToUnicode(std::string_view cmap);

}  // namespace quorvel::pdftext
