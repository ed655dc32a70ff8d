#include "RtfKeywords.h"

#include <unordered_map>

namespace rtf::detail {

namespace {

using Table = std::unordered_map<std::string_view, Kw>;

Table buildTable()
{
    Table t = {
        {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
        {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff},
        {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"object", Kw::Object},
        {"result", Kw::Result}, {"upr", Kw::Upr}, {"ud", Kw::Ud},
        {"fcharset", Kw::FCharset}, {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
        {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic},
        {"ulnone", Kw::UnderlineNone}, {"strike", Kw::Strike}, {"striked", Kw::Strike},
        {"fs", Kw::FontSize}, {"f", Kw::Font}, {"cf", Kw::ColorFore},
        {"pard", Kw::Pard}, {"par", Kw::Par}, {"sect", Kw::Sect}, {"page", Kw::Page},
        {"line", Kw::Line}, {"tab", Kw::Tab},
        {"ql", Kw::AlignLeft}, {"qc", Kw::AlignCenter}, {"qr", Kw::AlignRight},
        {"qj", Kw::AlignJustify}, {"qd", Kw::AlignJustify},
        {"cell", Kw::Cell}, {"nestcell", Kw::Cell}, {"row", Kw::Row}, {"nestrow", Kw::Row},
        {"emdash", Kw::Emdash}, {"endash", Kw::Endash}, {"bullet", Kw::Bullet},
        {"lquote", Kw::Lquote}, {"rquote", Kw::Rquote}, {"ldblquote", Kw::Ldblquote},
        {"rdblquote", Kw::Rdblquote}, {"emspace", Kw::Emspace}, {"enspace", Kw::Enspace},
        {"qmspace", Kw::Qmspace}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj}, {"chftn", Kw::Chftn},
        {"u", Kw::U}, {"uc", Kw::Uc}, {"bin", Kw::Bin},
    };
    // Every underline style is simply underline here.
    for (std::string_view ul : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                                "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                                "ulthldash", "ululdbwave", "ulw", "ulwave"})
        t.emplace(ul, Kw::Underline);
    // Destinations that carry no body text even when a writer leaves out the \* before them.
    for (std::string_view d :
         {"stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf", "footer",
          "footerl", "footerr", "footerf", "footnote", "annotation", "listtable",
          "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "generator", "fldinst",
          "themedata", "colorschememapping", "datastore", "latentstyles", "filetbl", "pn",
          "pnseclvl", "pntxta", "pntxtb", "nonshppict", "shp", "shpinst", "shprslt", "sp",
          "sn", "sv", "do", "xe", "tc", "tcn", "txe", "bkmkstart", "bkmkend", "objdata",
          "objclass", "objname", "template", "docvar", "userprops", "pgdsctbl", "falt",
          "panose", "leveltext", "levelnumbers", "listname", "fchars", "lchars", "ftnsep",
          "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "nonesttables", "title",
          "subject", "author", "operator", "keywords", "comment", "doccomm", "company",
          "category", "manager", "hlinkbase", "atnid", "atnauthor", "atrfstart", "atrfend",
          "protusertbl", "passwordhash", "mmathPr", "wgrffmtfilter", "background"})
        t.emplace(d, Kw::SkipDestination);
    return t;
}

} // namespace

Kw lookupKeyword(std::string_view name)
{
    static const Table table = buildTable();
    const auto it = table.find(name);
    return it == table.end() ? Kw::Unknown : it->second;
}

} // namespace rtf::detail
