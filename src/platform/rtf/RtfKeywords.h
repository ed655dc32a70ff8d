#pragma once

#include <cstdint>
#include <string_view>

namespace rtf::detail {

// The control words the reader acts on; everything else is Unknown and ignored.
enum class Kw : std::uint8_t {
    Unknown,
    // header and code pages
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    // destinations with special handling
    FontTable, ColorTable, Object, Result, Upr, Ud,
    SkipDestination, // any destination whose content is never body text
    // tables' contents
    FCharset, Red, Green, Blue,
    // character formatting
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, FontSize, Font, ColorFore,
    // paragraphs
    Pard, Par, Sect, Page, Line, Tab, AlignLeft, AlignCenter, AlignRight, AlignJustify,
    Cell, Row,
    // characters
    Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote, Emspace, Enspace, Qmspace,
    Zwj, Zwnj, Chftn,
    // unicode and binary
    U, Uc, Bin,
};

Kw lookupKeyword(std::string_view name);

} // namespace rtf::detail
