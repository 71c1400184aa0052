#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace admin {

// How a spreadsheet saved its text: with or without a byte-order mark as UTF-8, or in the
// Windows code page that Spanish Windows machines save "CSV" in.
enum class SourceEncoding { Utf8, Utf8WithMark, Windows1252 };

struct DecodedText {
    std::string utf8;
    SourceEncoding encoding = SourceEncoding::Utf8;
};

// Why some bytes are not a text file, and the line where that shows.
struct NotText {
    std::size_t line = 0;
    std::string reason;
};

struct DecodeResult {
    std::optional<DecodedText> text;
    std::optional<NotText> fault;
};

// Valid UTF-8 (the mark, when present, is dropped) is kept as it is; anything else is read as
// Windows-1252. Bytes no text holds (NUL, control characters other than tab and line ends,
// the code page's unassigned bytes, a UTF-16 file) make it not a text.
DecodeResult DecodeText(std::string_view bytes);

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past
// U+10FFFF).
bool IsValidUtf8(std::string_view bytes);

}  // namespace admin
