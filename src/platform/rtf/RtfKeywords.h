#pragma once

#include <cstdint>
#include <string_view>

namespace rtf::detail {

// The control words the reader acts on. Words it does not model are still classed, so that
// paragraph, character, table and section properties can be carried through a save.
enum class Kw : std::uint8_t {
    Unknown,
    // header and code pages
    Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    // destinations with special handling
    FontTable, ColorTable, Object, Result, Upr, Ud, Generator,
    Pict, ShpPict, NonShpPict, Shp, Footnote, Field, FldInst, FldRslt, ListText, PnText,
    NestTableProps,
    Destination, // any other destination: never body text, kept as it is
    // tables' contents
    FCharset, Red, Green, Blue,
    // character formatting
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, FontSize, Font, ColorFore,
    Super, Sub, NoSuperSub, Up, Dn, Highlight, Shading, Scaps, Caps, Hidden,
    AssocBold, AssocItalic, Loch, Hich, Dbch, Rtlch, Ltrch,
    CharKeep,    // a character property carried through unread
    // paragraphs
    Pard, Par, Sect, Page, Line, Tab, AlignLeft, AlignCenter, AlignRight, AlignJustify,
    FirstIndent, LeftIndent, RightIndent, ListOverride, ListLevel, InTable, NestLevel, PageBreakBefore,
    ParaKeep,    // a paragraph property carried through unread
    ParaTab,     // a tab stop's part; tab stops add up rather than replace each other
    ParaBorder,  // a paragraph border's side: the border words after it describe it
    BorderWord,  // a border's style, width or colour, for the side named last
    // tables
    Cell, Row, NestCell, NestRow, RowDefaults, CellX,
    RowKeep, RowBorder, CellKeep, CellBorder,
    // characters
    Emdash, Endash, Bullet, Lquote, Rquote, Ldblquote, Rdblquote, Emspace, Enspace, Qmspace,
    Zwj, Zwnj, Chftn,
    // unicode and binary
    U, Uc, Bin,
    Noise, // revision ids and the like: nothing to show and nothing worth keeping
};

Kw lookupKeyword(std::string_view name);

// Whether a control word names a font or a colour by its number.
bool namesFont(std::string_view word);
bool namesColor(std::string_view word);

} // namespace rtf::detail
