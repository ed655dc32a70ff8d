#include "RtfKeywords.h"

#include <algorithm>
#include <unordered_map>

namespace rtf::detail {

namespace {

using Table = std::unordered_map<std::string_view, Kw>;

void addAll(Table &t, Kw kw, std::initializer_list<std::string_view> names)
{
    for (std::string_view name : names)
        t.emplace(name, kw);
}

Table buildTable()
{
    Table t = {
        {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc}, {"pca", Kw::Pca},
        {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff},
        {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColorTable}, {"object", Kw::Object},
        {"result", Kw::Result}, {"upr", Kw::Upr}, {"ud", Kw::Ud}, {"generator", Kw::Generator},
        {"pict", Kw::Pict}, {"shppict", Kw::ShpPict}, {"nonshppict", Kw::NonShpPict},
        {"shp", Kw::Shp}, {"footnote", Kw::Footnote}, {"field", Kw::Field},
        {"fldinst", Kw::FldInst}, {"fldrslt", Kw::FldRslt}, {"listtext", Kw::ListText},
        {"pntext", Kw::PnText}, {"nesttableprops", Kw::NestTableProps},
        {"fcharset", Kw::FCharset}, {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
        {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic},
        {"ulnone", Kw::UnderlineNone}, {"strike", Kw::Strike}, {"striked", Kw::Strike},
        {"fs", Kw::FontSize}, {"f", Kw::Font}, {"cf", Kw::ColorFore},
        {"super", Kw::Super}, {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub},
        {"up", Kw::Up}, {"dn", Kw::Dn}, {"highlight", Kw::Highlight},
        {"chcbpat", Kw::Shading}, {"cb", Kw::Shading}, {"scaps", Kw::Scaps}, {"caps", Kw::Caps},
        {"v", Kw::Hidden}, {"ab", Kw::AssocBold}, {"ai", Kw::AssocItalic},
        {"loch", Kw::Loch}, {"hich", Kw::Hich}, {"dbch", Kw::Dbch},
        {"rtlch", Kw::Rtlch}, {"ltrch", Kw::Ltrch},
        {"pard", Kw::Pard}, {"par", Kw::Par}, {"sect", Kw::Sect}, {"page", Kw::Page},
        {"line", Kw::Line}, {"tab", Kw::Tab},
        {"ql", Kw::AlignLeft}, {"qc", Kw::AlignCenter}, {"qr", Kw::AlignRight},
        {"qj", Kw::AlignJustify}, {"qd", Kw::AlignJustify},
        {"fi", Kw::FirstIndent}, {"li", Kw::LeftIndent}, {"ri", Kw::RightIndent},
        {"ls", Kw::ListOverride}, {"ilvl", Kw::ListLevel}, {"intbl", Kw::InTable},
        {"itap", Kw::NestLevel}, {"pagebb", Kw::PageBreakBefore},
        {"cell", Kw::Cell}, {"nestcell", Kw::NestCell}, {"row", Kw::Row}, {"nestrow", Kw::NestRow},
        {"trowd", Kw::RowDefaults}, {"cellx", Kw::CellX},
        {"emdash", Kw::Emdash}, {"endash", Kw::Endash}, {"bullet", Kw::Bullet},
        {"lquote", Kw::Lquote}, {"rquote", Kw::Rquote}, {"ldblquote", Kw::Ldblquote},
        {"rdblquote", Kw::Rdblquote}, {"emspace", Kw::Emspace}, {"enspace", Kw::Enspace},
        {"qmspace", Kw::Qmspace}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj}, {"chftn", Kw::Chftn},
        {"u", Kw::U}, {"uc", Kw::Uc}, {"bin", Kw::Bin},
    };
    addAll(t, Kw::Underline,
           {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth",
            "ulthd", "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw",
            "ulwave"});
    // Destinations that carry no body text even when a writer leaves out the \* before them.
    addAll(t, Kw::Destination,
           {"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer",
            "footerl", "footerr", "footerf", "annotation", "listtable", "listoverridetable",
            "revtbl", "rsidtbl", "xmlnstbl", "themedata", "colorschememapping", "datastore",
            "latentstyles", "filetbl", "pn", "pnseclvl", "pntxta", "pntxtb", "shpinst",
            "shprslt", "sp", "sn", "sv", "do", "xe", "tc", "tcn", "txe", "bkmkstart", "bkmkend",
            "objdata", "objclass", "objname", "template", "docvar", "userprops", "pgdsctbl",
            "falt", "panose", "leveltext", "levelnumbers", "listname", "fchars", "lchars",
            "ftnsep", "ftnsepc", "ftncn", "aftnsep", "aftnsepc", "aftncn", "nonesttables",
            "title", "subject", "author", "operator", "keywords", "comment", "doccomm",
            "company", "category", "manager", "hlinkbase", "atnid", "atnauthor", "atrfstart",
            "atrfend", "protusertbl", "passwordhash", "mmathPr", "wgrffmtfilter", "background",
            "defchp", "defpap", "list", "listlevel", "listoverride"});
    addAll(t, Kw::CharKeep,
           {"lang", "langfe", "langnp", "langfenp", "noproof", "outl", "shad", "embo", "impr",
            "expnd", "expndtw", "charscalex", "kerning", "cs", "ulc", "deleted", "revised",
            "revauth", "revauthdel", "revdttm", "revdttmdel", "crauth", "crdate", "chshdng",
            "chcfpat", "chbrdr", "fittext", "webhidden", "accnone", "accdot", "acccomma",
            "acccircle", "accunderdot"});
    addAll(t, Kw::ParaKeep,
           {"s", "sb", "sa", "sl", "slmult", "sbauto", "saauto", "lisa", "lisb", "keep", "keepn",
            "widctlpar", "nowidctlpar", "outlinelevel", "hyphpar", "noline", "contextualspace",
            "nosnaplinegrid", "adjustright", "lin", "rin", "culi", "curi", "cufi", "level",
            "brsp", "shading", "cfpat", "cbpat", "sbys", "faauto", "fahang", "facenter",
            "faroman", "favar", "fafixed", "aspalpha", "aspnum", "nocwrap", "nowwrap",
            "nooverflow", "rtlpar", "pardirnatural", "partightenfactor", "qk", "qt", "keepn",
            "bghoriz", "bgvert", "bgfdiag", "bgbdiag", "bgcross", "bgdcross", "bgdkhoriz",
            "bgdkvert", "bgdkfdiag", "bgdkbdiag", "bgdkcross", "bgdkdcross"});
    addAll(t, Kw::ParaTab,
           {"tx", "tb", "tqr", "tqc", "tqdec", "tldot", "tlmdot", "tlhyph", "tlul", "tlth", "tleq"});
    addAll(t, Kw::ParaBorder, {"brdrt", "brdrb", "brdrl", "brdrr", "brdrbtw", "brdrbar", "box"});
    addAll(t, Kw::RowKeep, {"lastrow", "rtlrow", "ltrrow", "taprtl", "irow", "irowband"});
    addAll(t, Kw::Noise,
           {"rtf", "ltrpar", "ltrrow", "fcs", "af", "afs", "acf", "alang", "insrsid", "charrsid",
            "pararsid", "sectrsid", "tblrsid", "delrsid", "yts", "wrapdefault", "chatn"});
    return t;
}

// Families of words recognised by their first letters, so that the many table and border
// words need no entry each.
Kw classifyByName(std::string_view name)
{
    if (name.starts_with("clbrdr"))
        return Kw::CellBorder;
    if (name.starts_with("cl"))
        return Kw::CellKeep;
    if (name.starts_with("trbrdr"))
        return Kw::RowBorder;
    if (name.starts_with("tr") || name.starts_with("tbl") || name.starts_with("ts"))
        return Kw::RowKeep;
    if (name.starts_with("brdr"))
        return Kw::BorderWord;
    if (name.ends_with("rsid"))
        return Kw::Noise;
    return Kw::Unknown;
}

} // namespace

Kw lookupKeyword(std::string_view name)
{
    static const Table table = buildTable();
    const auto it = table.find(name);
    return it == table.end() ? classifyByName(name) : it->second;
}

bool namesFont(std::string_view word)
{
    return word == "f" || word == "af";
}

bool namesColor(std::string_view word)
{
    static constexpr std::string_view words[] = {"cf", "cb", "highlight", "chcbpat", "chcfpat", "cbpat", "cfpat",
                                                 "brdrcf", "clcbpat", "clcfpat", "trcbpat", "trcfpat", "ulc"};
    return std::find(std::begin(words), std::end(words), word) != std::end(words);
}

} // namespace rtf::detail
