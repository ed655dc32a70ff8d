#include "RtfParser.h"

namespace rtf::detail {

void Parser::bodyWord(Kw kw, std::string_view name, bool hasParam, int param, std::string_view raw)
{
    ++m_stateGeneration; // most words change the state text takes
    Group &g = top();
    CharState &c = g.chr;
    ParaState &para = g.para;
    const bool on = !hasParam || param != 0;
    // The header declares the document's code page; one declared once the body has begun would
    // make a save read kept groups before it in another.
    if (!m_firstLead && (kw == Kw::Ansi || kw == Kw::Mac || kw == Kw::Pc || kw == Kw::Pca || kw == Kw::AnsiCpg))
        return;
    switch (kw) {
    case Kw::Ansi: setDocumentCodepage(kCodepageAnsi); break;
    case Kw::Mac: setDocumentCodepage(10000); break;
    case Kw::Pc: setDocumentCodepage(437); break;
    case Kw::Pca: setDocumentCodepage(850); break;
    case Kw::AnsiCpg:
        setDocumentCodepage(hasParam && m_decoder.supports(param) ? param : kCodepageAnsi);
        break;
    case Kw::Deff:
        if (hasParam && param >= 0) {
            flushText();
            m_tables.defaultFont = param;
            m_cpCacheFont = INT_MIN;
            m_builder.tablesChanged();
        }
        break;

    case Kw::FontTable: case Kw::ColorTable: case Kw::Upr: case Kw::Generator: case Kw::Pict:
    case Kw::ShpPict: case Kw::NonShpPict: case Kw::Shp: case Kw::Footnote: case Kw::Field:
    case Kw::FldInst: case Kw::FldRslt: case Kw::ListText: case Kw::PnText: case Kw::NestTableProps:
    case Kw::Object: case Kw::Destination:
        destination(kw);
        break;

    case Kw::Plain: {
        const int field = c.field;
        c = CharState{};
        c.field = field; // a result's own formatting does not end the field
        break;
    }
    case Kw::Bold: c.bold = on; break;
    case Kw::Italic: c.italic = on; break;
    case Kw::AssocBold: c.assocBold = on; break;
    case Kw::AssocItalic: c.assocItalic = on; break;
    case Kw::Loch: case Kw::Hich: c.doubleByte = false; break;
    case Kw::Dbch: c.doubleByte = true; break;
    case Kw::Rtlch: c.rtl = true; break;
    case Kw::Ltrch: c.rtl = false; break;
    case Kw::Underline:
        c.underline = on;
        if (on) {
            const auto *const words = std::begin(kUnderlineWords);
            const auto *const found = std::find_if(words, std::end(kUnderlineWords),
                                                   [name](const char *w) { return name == w; });
            c.underlineKind = std::uint8_t(found == std::end(kUnderlineWords) ? 0 : found - words);
        }
        break;
    case Kw::UnderlineNone: c.underline = false; break;
    case Kw::Strike:
        c.strike = on;
        c.doubleStrike = on && name == "striked";
        break;
    case Kw::FontSize:
        c.halfPoints = hasParam && param > 0 ? std::min(param, kMaxHalfPoints) : 24;
        break;
    case Kw::Font:
        if (hasParam && param >= 0)
            c.font = param;
        break;
    case Kw::ColorFore: c.color = hasParam ? std::max(param, 0) : 0; break;
    case Kw::Highlight: c.highlight = hasParam ? std::max(param, 0) : 0; break;
    case Kw::Shading: c.shading = hasParam ? std::max(param, 0) : 0; break;
    case Kw::Super: c.vertical = 1; c.raise = 0; break;
    case Kw::Sub: c.vertical = 2; c.raise = 0; break;
    case Kw::NoSuperSub: c.vertical = 0; c.raise = 0; break;
    case Kw::Up: c.raise = std::clamp(hasParam ? param : 6, 0, kMaxHalfPoints); break;
    case Kw::Dn: c.raise = -std::clamp(hasParam ? param : 6, 0, kMaxHalfPoints); break;
    case Kw::Scaps: c.smallCaps = on; break;
    case Kw::Caps: c.allCaps = on; break;
    case Kw::Hidden: c.hidden = on; break;
    case Kw::CharKeep: setWord(c.extra, name, raw); break;

    case Kw::Pard: {
        // The first paragraph's properties end the document's or a section's settings.
        if (m_lead && m_labelDepth == 0)
            endLead();
        // \pard resets the paragraph, not the table it may stand in: \intbl says so again.
        para = ParaState{};
        m_borderFor = BorderFor::Paragraph;
        break;
    }
    case Kw::AlignLeft: para.align = Align::Left; break;
    case Kw::AlignCenter: para.align = Align::Center; break;
    case Kw::AlignRight: para.align = Align::Right; break;
    case Kw::AlignJustify: para.align = Align::Justify; break;
    case Kw::FirstIndent: para.firstIndent = twips(param); break;
    case Kw::LeftIndent: para.leftIndent = twips(param); break;
    case Kw::RightIndent: para.rightIndent = twips(param); break;
    case Kw::ListOverride: para.list = std::max(param, 0); break;
    case Kw::ListLevel: para.level = std::clamp(param, 0, 8); break;
    case Kw::InTable:
        para.inTable = true;
        para.nest = std::max(para.nest, 1);
        m_afterRow = false;
        break;
    case Kw::NestLevel:
        para.nest = std::max(param, 0);
        para.inTable = para.nest > 0;
        m_afterRow = false;
        break;
    case Kw::PageBreakBefore: para.pageBreakBefore = on; break;
    case Kw::ParaKeep: setWord(para.extra, name, raw); break;
    case Kw::ParaTab: para.extra += QLatin1StringView(raw.data(), qsizetype(raw.size())); break;
    case Kw::ParaBorder:
        m_borderFor = BorderFor::Paragraph;
        para.extra += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        break;
    case Kw::BorderWord: {
        const QLatin1StringView text(raw.data(), qsizetype(raw.size()));
        if (m_borderFor != BorderFor::Paragraph && m_labelDepth != 0)
            break;
        if (m_borderFor == BorderFor::Row)
            m_row.props += text;
        else if (m_borderFor == BorderFor::Cell)
            m_cellWords += text;
        else
            para.extra += text;
        break;
    }

    case Kw::RowDefaults:
        // A table's definition in a label is the label's, kept with it: it defines no row.
        if (m_labelDepth != 0)
            break;
        m_afterRow = false;
        m_row = RowDef{};
        m_cellWords.clear();
        m_borderFor = BorderFor::Row;
        break;
    case Kw::RowBorder:
    case Kw::RowKeep:
        if (m_labelDepth != 0)
            break;
        if (kw == Kw::RowBorder)
            m_borderFor = BorderFor::Row;
        if (name == "trgaph")
            m_row.gap = twips(param);
        else if (name == "trleft")
            m_row.left = twips(param);
        m_row.props += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        break;
    case Kw::CellBorder:
    case Kw::CellKeep:
        if (m_labelDepth != 0)
            break;
        if (kw == Kw::CellBorder)
            m_borderFor = BorderFor::Cell;
        m_cellWords += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        break;
    case Kw::CellX:
        if (m_labelDepth != 0)
            break;
        m_cellWords += QLatin1StringView(raw.data(), qsizetype(raw.size()));
        m_row.cells.append(std::exchange(m_cellWords, {}));
        m_row.rights.append(twips(param));
        m_borderFor = BorderFor::Cell;
        break;

    case Kw::Par:
        if (m_labelDepth != 0)
            break; // a label is no paragraph of its own
        if (para.inTable && para.nest <= 1 && !m_afterRow) {
            CharState state = c;
            state.cell = 2;
            state.cellPara = takeCellParagraph(para);
            insertSpecial(QString(QChar::LineSeparator), state);
        } else {
            paragraphBreak();
        }
        break;
    case Kw::Page:
        if (m_labelDepth != 0)
            break; // a label is no paragraph of its own, nor does it start a page or section
        paragraphBreak();
        m_pageBreak = true; // the next paragraph starts the new page
        break;
    case Kw::Sect:
        if (m_labelDepth != 0)
            break;
        // A section break needs a paragraph of its own to end: one that ends a row no \row
        // ended ends the row and then an empty paragraph, as \row\sect would.
        if (m_rowOpen || !m_pendingCells.empty())
            paragraphBreak();
        paragraphBreak();
        m_lead = true;
        break;
    case Kw::Cell:
        if (m_labelDepth != 0)
            break;
        m_afterRow = false;
        flushText();
        beforeContent();
        markFieldResult(c); // the cell's end is part of a result it stands in, if only that
        // Groups kept after this \cell belong to the next cell, not before this one's end.
        m_pendingCells.push_back({takeCellParagraph(para), c, std::exchange(m_prefix, {})});
        break;
    case Kw::Row:
        if (m_labelDepth != 0)
            break;
        endRow();
        m_afterRow = true; // a table paragraph now needs an \intbl of its own
        break;
    case Kw::NestCell: bodyChar(u'\t'); break;
    case Kw::NestRow:
        bodyChar(QChar::LineSeparator);
        countLost(QStringLiteral("nested tables (their text is kept in the outer cell)"));
        break;

    case Kw::Line: bodyChar(QChar::LineSeparator); break;
    case Kw::Tab: bodyChar(u'\t'); break;
    case Kw::Emdash: bodyChar(u'\u2014'); break;
    case Kw::Endash: bodyChar(u'\u2013'); break;
    case Kw::Bullet: bodyChar(u'\u2022'); break;
    case Kw::Lquote: bodyChar(u'\u2018'); break;
    case Kw::Rquote: bodyChar(u'\u2019'); break;
    case Kw::Ldblquote: bodyChar(u'\u201C'); break;
    case Kw::Rdblquote: bodyChar(u'\u201D'); break;
    case Kw::Emspace: bodyChar(u'\u2003'); break;
    case Kw::Enspace: bodyChar(u'\u2002'); break;
    case Kw::Qmspace: bodyChar(u'\u2005'); break;
    case Kw::Zwj: bodyChar(u'\u200D'); break;
    case Kw::Zwnj: bodyChar(u'\u200C'); break;
    case Kw::Chftn:
        if (m_ucSkip > 0) {
            --m_ucSkip;
        } else if (m_labelDepth == 0) {
            // The reference mark waits for its note, which usually follows at once.
            flushText();
            flushPicture();
            flushMark();
            beforeContent();
            m_markPending = true;
            m_markState = c;
        }
        break;

    case Kw::U: unicodeWord(hasParam ? param : 0xFFFD); break;
    case Kw::Uc:
        if (hasParam)
            g.uc = std::clamp(param, 0, kMaxUc);
        break;
    case Kw::Unknown:
        if (!m_fields.empty() && m_fields.back().depth == m_stack.size()) {
            m_fields.back().flags.append(raw.data(), qsizetype(raw.size())); // \fldlock and such
        } else if (m_lead && m_labelDepth == 0) {
            m_leadRtf.append(raw.data(), qsizetype(raw.size()));
            if (!raw.empty() && !isDigit(raw.back()))
                m_leadRtf.append(' ');
        }
        break;
    default: break;
    }
}

} // namespace rtf::detail
