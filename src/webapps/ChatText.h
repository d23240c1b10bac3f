#pragma once
// Text helpers of the chat: the escaping its pages use and the reading of
// its form fields.

#include <string>
#include <string_view>

namespace palvex {

// "<" as "&lt;", nothing else changed.
std::u16string EscapeLt(std::u16string_view text);
// Runs of spaces made of alternating U+00A0 and spaces, so HTML keeps their width.
std::u16string KeepSpaceRuns(std::u16string_view text);
// "&", "<", ">" and the double quote as entities, for attribute values and text.
std::u16string EscapeHtml(std::u16string_view text);
// The value of the first field called name (ASCII case ignored) of a
// URL-encoded form body, decoded as UTF-8. Each field is cut out before
// decoding, so an encoded "&" stays part of its value.
std::u16string GetFormField(std::string_view body, std::string_view name);

}  // namespace palvex
