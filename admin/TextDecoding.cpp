#include "TextDecoding.h"

#include <array>
#include <cstdint>

namespace admin {

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Windows-1252 0x80..0x9F; 0 where the code page assigns nothing.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool EndsLine(std::string_view bytes, std::size_t i) {
    return bytes[i] == '\n' ||
           (bytes[i] == '\r' && (i + 1 == bytes.size() || bytes[i + 1] != '\n'));
}

// Control characters a text line never holds; a tab and the line ends are text.
bool IsForeignControl(unsigned char c) {
    return (c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7F;
}

std::optional<NotText> FindControl(std::string_view bytes) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (EndsLine(bytes, i)) {
            ++line;
        } else if (IsForeignControl(c)) {
            return NotText{line, c == 0 ? "contiene bytes nulos: no es un archivo de texto"
                                        : "contiene caracteres de control: no es un archivo "
                                          "de texto"};
        }
    }
    return std::nullopt;
}

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t value = 0;
        char32_t minimum = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, value = lead & 0x1F, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, value = lead & 0x0F, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, value = lead & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + length > bytes.size()) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

DecodeResult DecodeText(std::string_view bytes) {
    if (bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF")) {
        return {std::nullopt,
                NotText{1,
                        "está guardado en UTF-16 (\"texto Unicode\"); guárdelo como CSV en "
                        "UTF-8 o en Windows-1252"}};
    }
    if (auto control = FindControl(bytes)) {
        return {std::nullopt, control};
    }
    if (bytes.starts_with(kUtf8Mark) && IsValidUtf8(bytes.substr(kUtf8Mark.size()))) {
        return {
            DecodedText{std::string(bytes.substr(kUtf8Mark.size())), SourceEncoding::Utf8WithMark},
            std::nullopt};
    }
    if (IsValidUtf8(bytes)) {
        return {DecodedText{std::string(bytes), SourceEncoding::Utf8}, std::nullopt};
    }
    DecodedText decoded{{}, SourceEncoding::Windows1252};
    decoded.utf8.reserve(bytes.size() + bytes.size() / 8);
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        line += EndsLine(bytes, i) ? 1 : 0;
        if (c < 0x80) {
            decoded.utf8 += bytes[i];
        } else if (c >= 0xA0) {
            AppendUtf8(decoded.utf8, c);
        } else if (const char32_t mapped = kHighControls[c - 0x80]; mapped != 0) {
            AppendUtf8(decoded.utf8, mapped);
        } else {
            return {std::nullopt, NotText{line,
                                          "no es UTF-8 y tiene bytes que Windows-1252 no "
                                          "usa: no es un archivo de texto"}};
        }
    }
    return {std::move(decoded), std::nullopt};
}

}  // namespace admin
