#pragma once
// What the mark-up engine and the text utilities share of the language:
// reading a tag's attributes, preparing a text for layout, the attributes of
// an embedded control.
#include <optional>
#include <string_view>

#include "grid/zghtmle.h"

namespace markup {

// The value of attribute `name` (given in upper case) of a tag: the text
// between the two double quotes after "name=". The name is matched without
// regard to case and only as a whole attribute name outside quoted values
// (so COLOR is not found in BGCOLOR). Upper-cased unless asWritten.
std::optional<AnsiString> Attribute(std::string_view tag, std::string_view name, bool asWritten = false);

// A colour attribute: "#RRGGBB" or a colour name; none when absent or when
// its digits are not hexadecimal.
std::optional<TColor> ColorAttribute(std::string_view tag, std::string_view name);

// A whole decimal number, or none.
std::optional<int> WholeNumber(std::string_view s);

// Every "<#" loses its "<" and the first ">" after it, CR becomes <BR>, LF
// is dropped, then the entities are replaced (only when the text holds
// "&"); with `doubleAmpersand` "&amp;" becomes "&&" (the label draws with
// prefix processing) rather than "&".
AnsiString PrepareText(std::string_view text, bool doubleAmpersand);
// "&nbsp;", "&lt;" and "&gt;" in a piece of visible text.
AnsiString DecodePiece(std::string_view piece);

// The attributes of one <CONTROL ...> tag.
struct ControlTag {
  AnsiString type;  // upper-cased
  AnsiString id;
  AnsiString value;  // decoded
  AnsiString width;
  AnsiString prop;
};
ControlTag ReadControlTag(std::string_view tag);

}  // namespace markup
