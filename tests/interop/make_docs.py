#!/usr/bin/env python3
"""Writes the interop documents in docs/: flat ODF sources with pictures drawn here,
one hand-made .docx, and their RTF as LibreOffice exports it.

    python3 tests/interop/make_docs.py [--no-rtf]

Needs cjpeg (libjpeg-turbo-progs) for the JPEGs and soffice for the RTF. Everything
written is deterministic except what LibreOffice itself stamps into the RTF."""
import base64
import os
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib
from xml.sax.saxutils import escape

HERE = os.path.dirname(os.path.abspath(__file__))
DOCS = os.path.join(HERE, 'docs')


# --- pictures -------------------------------------------------------------------------

def png(width, height, pixel, mode='rgb'):
    """pixel(x, y) gives a tuple of channels; mode is gray, rgb or rgba."""
    channels = {'gray': 1, 'rgb': 3, 'rgba': 4}[mode]
    colour_type = {'gray': 0, 'rgb': 2, 'rgba': 6}[mode]
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            value = pixel(x, y)
            rows.extend(value[:channels])

    def chunk(kind, data):
        body = kind + data
        return struct.pack('>I', len(data)) + body + struct.pack('>I', zlib.crc32(body))

    header = struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 0)
    # 96 dpi, so every reader agrees on the natural size.
    phys = struct.pack('>IIB', 3780, 3780, 1)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + chunk(b'pHYs', phys)
            + chunk(b'IDAT', zlib.compress(bytes(rows), 9)) + chunk(b'IEND', b''))


def jpeg(width, height, pixel, quality=85):
    ppm = b'P6 %d %d 255\n' % (width, height)
    ppm += bytes(c for y in range(height) for x in range(width) for c in pixel(x, y)[:3])
    return subprocess.run(['cjpeg', '-quality', str(quality), '-optimize'], input=ppm,
                          stdout=subprocess.PIPE, check=True).stdout


def logo(x, y):
    # A blue badge with a white bar on an orange ground.
    if 6 <= x < 42 and 4 <= y < 28:
        return (255, 255, 255) if 12 <= y < 16 and 10 <= x < 38 else (30, 70, 160)
    return (240, 150 + x % 40, 40)


def sunset(x, y):
    return (min(255, 120 + y * 2), max(0, 200 - y * 3), 60 + (x * 3) % 120)


def checker(x, y):
    on = (x // 4 + y // 4) % 2
    return (20, 120, 60, 255) if on else (250, 250, 250, 90 + x * 5)


def stripes(x, y):
    return (200, 30, 30) if (x + y) % 10 < 5 else (30, 30, 200)


def rings(x, y):
    d = (x - 20) ** 2 + (y - 20) ** 2
    return ((d // 40) % 2 * 200 + 30,)


def dots(x, y):
    return (0, 0, 0) if x % 6 == 3 and y % 6 == 3 else (255, 240, 200)


def tall(x, y):
    return (x * 8, 255 - y * 3, 128)


# --- flat ODF -----------------------------------------------------------------------------

NS = ' '.join(f'xmlns:{p}="{u}"' for p, u in [
    ('office', 'urn:oasis:names:tc:opendocument:xmlns:office:1.0'),
    ('style', 'urn:oasis:names:tc:opendocument:xmlns:style:1.0'),
    ('text', 'urn:oasis:names:tc:opendocument:xmlns:text:1.0'),
    ('table', 'urn:oasis:names:tc:opendocument:xmlns:table:1.0'),
    ('draw', 'urn:oasis:names:tc:opendocument:xmlns:drawing:1.0'),
    ('fo', 'urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0'),
    ('xlink', 'http://www.w3.org/1999/xlink'),
    ('dc', 'http://purl.org/dc/elements/1.1/'),
    ('meta', 'urn:oasis:names:tc:opendocument:xmlns:meta:1.0'),
    ('number', 'urn:oasis:names:tc:opendocument:xmlns:datastyle:1.0'),
    ('svg', 'urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0'),
])

COMMON_STYLES = '''
  <style:default-style style:family="paragraph">
   <style:paragraph-properties fo:margin-bottom="0.2cm"/>
   <style:text-properties style:font-name="Liberation Serif" fo:font-family="'Liberation Serif'" fo:font-size="12pt" fo:language="en" fo:country="GB"/>
  </style:default-style>
  <style:style style:name="Standard" style:family="paragraph" style:class="text"/>
  <style:style style:name="Heading_20_1" style:display-name="Heading 1" style:family="paragraph" style:parent-style-name="Standard" style:default-outline-level="1">
   <style:paragraph-properties fo:margin-top="0.4cm" fo:margin-bottom="0.2cm"/>
   <style:text-properties fo:font-size="16pt" fo:font-weight="bold"/>
  </style:style>
  <style:style style:name="Footnote" style:family="paragraph" style:parent-style-name="Standard"><style:text-properties fo:font-size="10pt"/></style:style>
  <style:style style:name="Endnote" style:family="paragraph" style:parent-style-name="Standard"><style:text-properties fo:font-size="10pt"/></style:style>
  <style:style style:name="Header" style:family="paragraph" style:parent-style-name="Standard"><style:text-properties fo:font-size="10pt" fo:font-style="italic"/></style:style>
  <style:style style:name="Footer" style:family="paragraph" style:parent-style-name="Standard"><style:paragraph-properties fo:text-align="center"/><style:text-properties fo:font-size="10pt"/></style:style>
  <style:style style:name="Table_20_Contents" style:display-name="Table Contents" style:family="paragraph" style:parent-style-name="Standard"/>
  <style:style style:name="Graphics" style:family="graphic">
   <style:graphic-properties text:anchor-type="as-char" svg:y="0cm" style:vertical-pos="top" style:vertical-rel="baseline"/>
  </style:style>
  <text:notes-configuration text:note-class="footnote" style:num-format="1" text:start-value="0" text:footnotes-position="page" text:start-numbering-at="document"/>
  <text:notes-configuration text:note-class="endnote" style:num-format="i" text:start-value="0"/>
'''

AUTO_STYLES = '''
  <style:style style:name="B" style:family="text"><style:text-properties fo:font-weight="bold"/></style:style>
  <style:style style:name="I" style:family="text"><style:text-properties fo:font-style="italic"/></style:style>
  <style:style style:name="BI" style:family="text"><style:text-properties fo:font-weight="bold" fo:font-style="italic"/></style:style>
  <style:style style:name="fr1" style:family="graphic" style:parent-style-name="Graphics"/>
  <style:style style:name="fr2" style:family="graphic" style:parent-style-name="Graphics">
   <style:graphic-properties style:wrap="right" style:horizontal-pos="left" style:horizontal-rel="paragraph" style:vertical-pos="top" style:vertical-rel="paragraph"/>
  </style:style>
  <style:style style:name="Tbl" style:family="table"><style:table-properties style:width="16cm" table:align="left"/></style:style>
  <style:style style:name="Cell" style:family="table-cell"><style:table-cell-properties fo:padding="0.1cm" fo:border="0.5pt solid #000000"/></style:style>
  <style:style style:name="CellShaded" style:family="table-cell"><style:table-cell-properties fo:background-color="#d9e2f3" fo:padding="0.1cm" fo:border="1.5pt solid #1f3864"/></style:style>
  <style:style style:name="CellBottom" style:family="table-cell"><style:table-cell-properties fo:padding="0.1cm" fo:border-left="none" fo:border-right="none" fo:border-top="none" fo:border-bottom="2pt double #c00000"/></style:style>
  <style:page-layout style:name="pm1">
   <style:page-layout-properties fo:page-width="21cm" fo:page-height="29.7cm" style:print-orientation="portrait" fo:margin-top="2cm" fo:margin-bottom="2cm" fo:margin-left="2cm" fo:margin-right="2cm"/>
   <style:header-style><style:header-footer-properties fo:min-height="0cm" fo:margin-bottom="0.5cm"/></style:header-style>
   <style:footer-style><style:header-footer-properties fo:min-height="0cm" fo:margin-top="0.5cm"/></style:footer-style>
  </style:page-layout>
  <text:list-style style:name="LNum">
   <text:list-level-style-number text:level="1" style:num-suffix="." style:num-format="1">
    <style:list-level-properties text:list-level-position-and-space-mode="label-alignment"><style:list-level-label-alignment text:label-followed-by="listtab" text:list-tab-stop-position="1.27cm" fo:text-indent="-0.635cm" fo:margin-left="1.27cm"/></style:list-level-properties>
   </text:list-level-style-number>
   <text:list-level-style-number text:level="2" style:num-suffix=")" style:num-format="a">
    <style:list-level-properties text:list-level-position-and-space-mode="label-alignment"><style:list-level-label-alignment text:label-followed-by="listtab" text:list-tab-stop-position="1.905cm" fo:text-indent="-0.635cm" fo:margin-left="1.905cm"/></style:list-level-properties>
   </text:list-level-style-number>
  </text:list-style>
  <text:list-style style:name="LBul">
   <text:list-level-style-bullet text:level="1" text:bullet-char="•">
    <style:list-level-properties text:list-level-position-and-space-mode="label-alignment"><style:list-level-label-alignment text:label-followed-by="listtab" text:list-tab-stop-position="1.27cm" fo:text-indent="-0.635cm" fo:margin-left="1.27cm"/></style:list-level-properties>
    <style:text-properties style:font-name="OpenSymbol"/>
   </text:list-level-style-bullet>
   <text:list-level-style-bullet text:level="2" text:bullet-char="–">
    <style:list-level-properties text:list-level-position-and-space-mode="label-alignment"><style:list-level-label-alignment text:label-followed-by="listtab" text:list-tab-stop-position="1.905cm" fo:text-indent="-0.635cm" fo:margin-left="1.905cm"/></style:list-level-properties>
    <style:text-properties style:font-name="OpenSymbol"/>
   </text:list-level-style-bullet>
  </text:list-style>
'''


def fodt(body, header=None, footer=None, extra_auto=''):
    master = '<style:master-page style:name="Standard" style:page-layout-name="pm1">'
    if header:
        master += f'<style:header>{header}</style:header>'
    if footer:
        master += f'<style:footer>{footer}</style:footer>'
    master += '</style:master-page>'
    return f'''<?xml version="1.0" encoding="UTF-8"?>
<office:document {NS} office:version="1.3" office:mimetype="application/vnd.oasis.opendocument.text">
 <office:font-face-decls>
  <style:font-face style:name="Liberation Serif" svg:font-family="'Liberation Serif'" style:font-family-generic="roman"/>
  <style:font-face style:name="OpenSymbol" svg:font-family="OpenSymbol" style:font-charset="x-symbol"/>
 </office:font-face-decls>
 <office:styles>{COMMON_STYLES}</office:styles>
 <office:automatic-styles>{AUTO_STYLES}{extra_auto}</office:automatic-styles>
 <office:master-styles>{master}</office:master-styles>
 <office:body>
  <office:text>
{body}
  </office:text>
 </office:body>
</office:document>
'''


def frame(name, data, width_cm, height_cm, style='fr1', anchor='as-char'):
    encoded = base64.encodebytes(data).decode('ascii')
    return (f'<draw:frame draw:style-name="{style}" draw:name="{name}" text:anchor-type="{anchor}" '
            f'svg:width="{width_cm}cm" svg:height="{height_cm}cm" draw:z-index="0">'
            f'<draw:image><office:binary-data>{encoded}</office:binary-data></draw:image></draw:frame>')


def p(content, style='Standard'):
    return f'<text:p text:style-name="{style}">{content}</text:p>'


def note(ident, cls, citation, text):
    style = 'Footnote' if cls == 'footnote' else 'Endnote'
    return (f'<text:note text:id="{ident}" text:note-class="{cls}"><text:note-citation>{citation}'
            f'</text:note-citation><text:note-body>{p(text, style)}</text:note-body></text:note>')


def table(name, rows, columns, cell_style='Cell'):
    """rows: lists of cells; a cell is a string (one paragraph) or (style, [paragraphs])."""
    out = [f'<table:table table:name="{name}" table:style-name="Tbl">',
           f'<table:table-column table:number-columns-repeated="{columns}"/>']
    for row in rows:
        out.append('<table:table-row>')
        for cell in row:
            style, paragraphs = (cell_style, [cell]) if isinstance(cell, str) else cell
            inner = ''.join(p(x, 'Table_20_Contents') for x in paragraphs)
            out.append(f'<table:table-cell table:style-name="{style}" office:value-type="string">{inner}</table:table-cell>')
        out.append('</table:table-row>')
    out.append('</table:table>')
    return '\n'.join(out)


def items(style, entries):
    """entries: strings, or (string, [sub-entries]) for a nested level."""
    out = [f'<text:list text:style-name="{style}">']
    for entry in entries:
        if isinstance(entry, str):
            out.append(f'<text:list-item>{p(entry)}</text:list-item>')
        else:
            text, subs = entry
            inner = ''.join(f'<text:list-item>{p(s)}</text:list-item>' for s in subs)
            out.append(f'<text:list-item>{p(text)}<text:list>{inner}</text:list></text:list-item>')
    out.append('</text:list>')
    return '\n'.join(out)


def span(style, text):
    return f'<text:span text:style-name="{style}">{text}</text:span>'


def letter(pictures):
    body = '\n'.join([
        p(frame('Logo', pictures['logo.png'], 2.4, 0.8) + ' Harrow &amp; Finch Stationers'),
        p('14 Quillon Lane, Bramblecote'),
        p('Dear Ms Okonkwo,'),
        p('Thank you for your order of ' + span('B', 'forty reams') + ' of cream laid paper. '
          'We were ' + span('I', 'delighted') + ' to hear that the last batch suited the printers'
          + note('ftn1', 'footnote', '1', 'The batch numbered 2291, delivered in early spring.')
          + ' so well.'),
        p('The prices for the coming season are below:'),
        table('Prices', [['Item', 'Pack', 'Price'],
                         ['Laid paper', '500 sheets', '12.40'],
                         ['Envelopes', '100', '6.15']], 3),
        p('A photograph of the new warehouse: ' + frame('Warehouse', pictures['warehouse.jpg'], 3.2, 2.4)),
        p('With ' + span('BI', 'warm regards') + ','),
        p('Tobias Finch'),
    ])
    return fodt(body)


def minutes():
    body = '\n'.join([
        f'<text:h text:style-name="Heading_20_1" text:outline-level="1">Allotment Society: minutes of 3 March</text:h>',
        p('Present: Alder, Birch, Cotton, Dunmore. Apologies from Elwood'
          + note('ftn1', 'footnote', '1', 'Elwood sent a note about the water butts.') + '.'),
        p('Decisions taken:'),
        items('LNum', ['Repair the north gate before April.', 'Order two tonnes of mulch.']),
        p('Points raised:'),
        items('LBul', ['The shed roof still leaks.', 'Plot 7 is vacant.', 'Bees arrive in May.']),
        p('Next meeting on the first Tuesday of April.'),
    ])
    header = p('Allotment Society - Minutes', 'Header')
    footer = p('Page <text:page-number text:select-page="current">1</text:page-number> of '
               '<text:page-count>1</text:page-count>', 'Footer')
    return fodt(body, header, footer)


def six_pictures(pictures):
    body = '\n'.join([
        f'<text:h text:style-name="Heading_20_1" text:outline-level="1">Six pictures</text:h>',
        p('One, a small checker with transparency: ' + frame('Checker', pictures['checker.png'], 0.64, 0.64)),
        p('Two, wide stripes: ' + frame('Stripes', pictures['stripes.png'], 2.38, 0.79)),
        p('Three, a photograph: ' + frame('Sunset', pictures['sunset.jpg'], 1.27, 1.27)),
        p('Four, tall and narrow: ' + frame('Tall', pictures['tall.jpg'], 0.79, 2.12)),
        p('Five, grey rings scaled up threefold: ' + frame('Rings', pictures['rings.png'], 3.18, 3.18)),
        p(frame('Dots', pictures['dots.jpg'], 2.0, 1.0, style='fr2', anchor='paragraph')
          + 'Six, a dotted picture anchored to this paragraph with the text flowing beside it.'),
        p('The end of the pictures.'),
    ])
    return fodt(body)


def fields_table():
    extra = '<number:date-style style:name="N1"><number:year number:style="long"/><number:text>-</number:text>' \
            '<number:month number:style="long"/><number:text>-</number:text><number:day number:style="long"/></number:date-style>'
    body = '\n'.join([
        f'<text:h text:style-name="Heading_20_1" text:outline-level="1"><text:bookmark text:name="top"/>Field trial report</text:h>',
        p('See the <text:a xlink:type="simple" xlink:href="https://example.org/trials">trial register</text:a> '
          'for the full record. This is page <text:page-number text:select-page="current">1</text:page-number>, '
          'written on <text:date style:data-style-name="N1" text:date-value="2024-05-17" text:fixed="true">2024-05-17</text:date>'
          + note('ftn1', 'footnote', '1', 'The date is kept fixed so the copies agree.') + '.'),
        table('Results', [
            [('CellShaded', ['Plot']), ('CellShaded', ['Yield'])],
            ['North', ('Cell', ['Good', 'Some frost damage in week two.'])],
            [('CellBottom', ['South']), ('CellBottom', ['Poor'])]], 2),
        p('Steps for the next season' + note('edn1', 'endnote', 'i', 'Agreed by the whole group.') + ':'),
        items('LNum', [('Prepare the ground', ['Dig', 'Lime']), ('Sow', ['Beans', 'Peas'])]),
        p('Back to the <text:bookmark-ref text:reference-format="text" text:ref-name="top">Field trial report</text:bookmark-ref>.'),
    ])
    header = p('Field trials 2024', 'Header')
    footer = p('Confidential - page <text:page-number text:select-page="current">1</text:page-number>', 'Footer')
    return fodt(body, header, footer, extra)


def charformats():
    styles = {
        'Sup': '<style:text-properties style:text-position="super 58%"/>',
        'Sub': '<style:text-properties style:text-position="sub 58%"/>',
        'Hi': '<style:text-properties fo:background-color="#ffff00"/>',
        'Shade': '<style:text-properties fo:background-color="#c0c0c0"/>',
        'Caps': '<style:text-properties fo:font-variant="small-caps"/>',
        'UDouble': '<style:text-properties style:text-underline-style="solid" style:text-underline-type="double" style:text-underline-width="auto" style:text-underline-color="font-color"/>',
        'UDot': '<style:text-properties style:text-underline-style="dotted" style:text-underline-width="auto" style:text-underline-color="font-color"/>',
        'UWave': '<style:text-properties style:text-underline-style="wave" style:text-underline-width="auto" style:text-underline-color="font-color"/>',
        'Hidden': '<style:text-properties text:display="none"/>',
        'Strike': '<style:text-properties style:text-line-through-style="solid" style:text-line-through-type="single"/>',
        'Strike2': '<style:text-properties style:text-line-through-style="solid" style:text-line-through-type="double"/>',
        'Red': '<style:text-properties fo:color="#c00000"/>',
    }
    extra = ''.join(f'<style:style style:name="{n}" style:family="text">{t}</style:style>' for n, t in styles.items())
    body = '\n'.join([
        p('Water is H' + span('Sub', '2') + 'O and the area is 3 m' + span('Sup', '2') + '.'),
        p('This phrase is ' + span('Hi', 'highlighted in yellow') + ' and this one has a '
          + span('Shade', 'grey background') + '.'),
        p('The ' + span('Caps', 'Small Capitals') + ' heading, in ' + span('Red', 'red') + '.'),
        p('Underlines: ' + span('UDouble', 'double') + ', ' + span('UDot', 'dotted') + ', '
          + span('UWave', 'wavy') + '.'),
        p('There is hidden text here:' + span('Hidden', ' secret words') + ' and it ends.'),
        p('Prices ' + span('Strike', 'were nine') + ' are ' + span('Strike2', 'eight') + ' seven.'),
    ])
    return fodt(body, extra_auto=extra)


# --- a hand-made .docx ------------------------------------------------------------------

W = 'http://schemas.openxmlformats.org/wordprocessingml/2006/main'
R = 'http://schemas.openxmlformats.org/officeDocument/2006/relationships'
WP = 'http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing'
A = 'http://schemas.openxmlformats.org/drawingml/2006/main'
PIC = 'http://schemas.openxmlformats.org/drawingml/2006/picture'
REL = 'http://schemas.openxmlformats.org/package/2006/relationships'


def wpara(runs, style=None, num=None):
    ppr = ''
    if style or num:
        ppr = '<w:pPr>'
        if style:
            ppr += f'<w:pStyle w:val="{style}"/>'
        if num:
            ppr += f'<w:numPr><w:ilvl w:val="{num[1]}"/><w:numId w:val="{num[0]}"/></w:numPr>'
        ppr += '</w:pPr>'
    return f'<w:p>{ppr}{runs}</w:p>'


def wrun(text, bold=False, italic=False, extra=''):
    rpr = ('<w:b/>' if bold else '') + ('<w:i/>' if italic else '') + extra
    rpr = f'<w:rPr>{rpr}</w:rPr>' if rpr else ''
    return f'<w:r>{rpr}<w:t xml:space="preserve">{escape(text)}</w:t></w:r>'


def word_style(picture):
    emu_w, emu_h = 1371600, 457200  # 3.81 cm by 1.27 cm
    drawing = (f'<w:r><w:drawing><wp:inline distT="0" distB="0" distL="0" distR="0">'
               f'<wp:extent cx="{emu_w}" cy="{emu_h}"/><wp:docPr id="1" name="Picture 1"/>'
               f'<a:graphic><a:graphicData uri="{PIC}"><pic:pic><pic:nvPicPr><pic:cNvPr id="1" name="badge.png"/>'
               f'<pic:cNvPicPr/></pic:nvPicPr><pic:blipFill><a:blip r:embed="rIdImage"/><a:stretch><a:fillRect/></a:stretch>'
               f'</pic:blipFill><pic:spPr><a:xfrm><a:off x="0" y="0"/><a:ext cx="{emu_w}" cy="{emu_h}"/></a:xfrm>'
               f'<a:prstGeom prst="rect"><a:avLst/></a:prstGeom></pic:spPr></pic:pic></a:graphicData></a:graphic>'
               f'</wp:inline></w:drawing></w:r>')
    footnote_ref = '<w:r><w:rPr><w:rStyle w:val="FootnoteReference"/></w:rPr><w:footnoteReference w:id="1"/></w:r>'

    def cell(text, width=3000):
        return f'<w:tc><w:tcPr><w:tcW w:w="{width}" w:type="dxa"/></w:tcPr>{wpara(wrun(text))}</w:tc>'

    borders = ''.join(f'<w:{side} w:val="single" w:sz="4" w:space="0" w:color="000000"/>'
                      for side in ('top', 'left', 'bottom', 'right', 'insideH', 'insideV'))
    tbl = (f'<w:tbl><w:tblPr><w:tblW w:w="9000" w:type="dxa"/><w:tblBorders>{borders}</w:tblBorders></w:tblPr>'
           '<w:tblGrid><w:gridCol w:w="3000"/><w:gridCol w:w="3000"/><w:gridCol w:w="3000"/></w:tblGrid>'
           + ''.join('<w:tr>' + ''.join(cell(t) for t in row) + '</w:tr>'
                     for row in [['Week', 'Task', 'Owner'], ['1', 'Survey', 'Petra'], ['2', 'Report', 'Jonas']])
           + '</w:tbl>')
    body = ''.join([
        wpara(wrun('Project Kestrel: status note'), 'Heading1'),
        wpara(drawing + wrun(' The badge of the project.')),
        wpara(wrun('The survey is ') + wrun('complete', bold=True) + wrun(' and the report is ')
              + wrun('under way', italic=True) + footnote_ref + wrun('.')),
        wpara(wrun('Marked ') + wrun('in yellow', extra='<w:highlight w:val="yellow"/>') + wrun(' and ')
              + wrun('shaded grey', extra='<w:shd w:val="clear" w:color="auto" w:fill="D9D9D9"/>') + wrun('.')),
        wpara(wrun('Next steps:')),
        wpara(wrun('Book the hall.'), 'ListParagraph', (1, 0)),
        wpara(wrun('Send the invitations.'), 'ListParagraph', (1, 0)),
        wpara(wrun('Print the leaflets.'), 'ListParagraph', (1, 0)),
        tbl,
        wpara(wrun('Questions to the project office.')),
        '<w:sectPr><w:headerReference w:type="default" r:id="rIdHeader"/>'
        '<w:footerReference w:type="default" r:id="rIdFooter"/>'
        '<w:footnotePr><w:numFmt w:val="decimal"/></w:footnotePr>'
        '<w:pgSz w:w="11906" w:h="16838"/><w:pgMar w:top="1134" w:right="1134" w:bottom="1134" w:left="1134"'
        ' w:header="567" w:footer="567" w:gutter="0"/></w:sectPr>',
    ])
    ns = f'xmlns:w="{W}" xmlns:r="{R}" xmlns:wp="{WP}" xmlns:a="{A}" xmlns:pic="{PIC}"'
    head = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
    document = f'{head}<w:document {ns}><w:body>{body}</w:body></w:document>'
    field = ('<w:r><w:fldChar w:fldCharType="begin"/></w:r><w:r><w:instrText xml:space="preserve"> PAGE </w:instrText></w:r>'
             '<w:r><w:fldChar w:fldCharType="separate"/></w:r><w:r><w:t>1</w:t></w:r><w:r><w:fldChar w:fldCharType="end"/></w:r>')
    header = f'{head}<w:hdr {ns}>{wpara(wrun("Kestrel - internal"), "Header")}</w:hdr>'
    footer = f'{head}<w:ftr {ns}>{wpara(wrun("Page ") + field, "Footer")}</w:ftr>'
    footnotes = (f'{head}<w:footnotes {ns}>'
                 '<w:footnote w:type="separator" w:id="-1"><w:p><w:r><w:separator/></w:r></w:p></w:footnote>'
                 '<w:footnote w:type="continuationSeparator" w:id="0"><w:p><w:r><w:continuationSeparator/></w:r></w:p></w:footnote>'
                 '<w:footnote w:id="1"><w:p><w:pPr><w:pStyle w:val="FootnoteText"/></w:pPr>'
                 '<w:r><w:rPr><w:rStyle w:val="FootnoteReference"/></w:rPr><w:footnoteRef/></w:r>'
                 '<w:r><w:t xml:space="preserve"> Drafted by Jonas, checked by Petra.</w:t></w:r></w:p></w:footnote>'
                 '</w:footnotes>')
    levels = ''.join(f'<w:lvl w:ilvl="{i}"><w:start w:val="1"/><w:numFmt w:val="decimal"/><w:lvlText w:val="%{i + 1}."/>'
                     f'<w:lvlJc w:val="left"/><w:pPr><w:ind w:left="{720 * (i + 1)}" w:hanging="360"/></w:pPr></w:lvl>'
                     for i in range(2))
    numbering = (f'{head}<w:numbering {ns}><w:abstractNum w:abstractNumId="0">{levels}</w:abstractNum>'
                 '<w:num w:numId="1"><w:abstractNumId w:val="0"/></w:num></w:numbering>')

    def pstyle(sid, name, extra=''):
        return f'<w:style w:type="paragraph" w:styleId="{sid}"><w:name w:val="{name}"/>{extra}</w:style>'
    styles = (f'{head}<w:styles {ns}>'
              + pstyle('Normal', 'Normal', '<w:rPr><w:sz w:val="22"/></w:rPr>')
              + pstyle('Heading1', 'heading 1', '<w:basedOn w:val="Normal"/><w:pPr><w:outlineLvl w:val="0"/></w:pPr>'
                       '<w:rPr><w:b/><w:sz w:val="32"/></w:rPr>')
              + pstyle('ListParagraph', 'List Paragraph', '<w:basedOn w:val="Normal"/><w:pPr><w:ind w:left="720"/></w:pPr>')
              + pstyle('Header', 'header', '<w:basedOn w:val="Normal"/>')
              + pstyle('Footer', 'footer', '<w:basedOn w:val="Normal"/>')
              + pstyle('FootnoteText', 'footnote text', '<w:basedOn w:val="Normal"/><w:rPr><w:sz w:val="18"/></w:rPr>')
              + '<w:style w:type="character" w:styleId="FootnoteReference"><w:name w:val="footnote reference"/>'
                '<w:rPr><w:vertAlign w:val="superscript"/></w:rPr></w:style></w:styles>')
    rel = lambda i, kind, target: f'<Relationship Id="{i}" Type="{R}/{kind}" Target="{target}"/>'
    doc_rels = (f'{head}<Relationships xmlns="{REL}">' + rel('rIdStyles', 'styles', 'styles.xml')
                + rel('rIdNumbering', 'numbering', 'numbering.xml') + rel('rIdFootnotes', 'footnotes', 'footnotes.xml')
                + rel('rIdHeader', 'header', 'header1.xml') + rel('rIdFooter', 'footer', 'footer1.xml')
                + rel('rIdImage', 'image', 'media/badge.png') + '</Relationships>')
    root_rels = f'{head}<Relationships xmlns="{REL}">' + rel('rId1', 'officeDocument', 'word/document.xml') + '</Relationships>'
    ct = 'application/vnd.openxmlformats-officedocument.wordprocessingml.'
    over = lambda part, kind: f'<Override PartName="/word/{part}" ContentType="{ct}{kind}+xml"/>'
    types = (f'{head}<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
             '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
             '<Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/>'
             + over('document.xml', 'document.main') + over('styles.xml', 'styles') + over('numbering.xml', 'numbering')
             + over('footnotes.xml', 'footnotes') + over('header1.xml', 'header') + over('footer1.xml', 'footer')
             + '</Types>')
    parts = [('[Content_Types].xml', types), ('_rels/.rels', root_rels), ('word/document.xml', document),
             ('word/_rels/document.xml.rels', doc_rels), ('word/styles.xml', styles), ('word/numbering.xml', numbering),
             ('word/footnotes.xml', footnotes), ('word/header1.xml', header), ('word/footer1.xml', footer),
             ('word/media/badge.png', picture)]
    path = os.path.join(DOCS, 'word-style.docx')
    with zipfile.ZipFile(path, 'w', zipfile.ZIP_DEFLATED) as archive:
        for name, data in parts:
            # A fixed stamp keeps the archive byte-for-byte the same from run to run.
            info = zipfile.ZipInfo(name, date_time=(2024, 1, 1, 0, 0, 0))
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, data if isinstance(data, bytes) else data.encode('utf-8'))
    return path


def main():
    os.makedirs(DOCS, exist_ok=True)
    pictures = {
        'logo.png': png(48, 32, logo),
        'warehouse.jpg': jpeg(64, 48, sunset),
        'checker.png': png(24, 24, checker, 'rgba'),
        'stripes.png': png(90, 30, stripes),
        'sunset.jpg': jpeg(48, 48, sunset),
        'tall.jpg': jpeg(30, 80, tall),
        'rings.png': png(40, 40, rings, 'gray'),
        'dots.jpg': jpeg(48, 24, dots, quality=70),
    }
    sources = {
        'letter.fodt': letter(pictures),
        'minutes.fodt': minutes(),
        'six-pictures.fodt': six_pictures(pictures),
        'fields-table.fodt': fields_table(),
        'charformats.fodt': charformats(),
    }
    written = []
    for name, text in sources.items():
        path = os.path.join(DOCS, name)
        with open(path, 'w', encoding='utf-8') as out:
            out.write(text)
        written.append(path)
    written.append(word_style(png(72, 24, logo)))
    if '--no-rtf' in sys.argv:
        return
    with tempfile.TemporaryDirectory() as profile:
        subprocess.run(['soffice', f'-env:UserInstallation=file://{profile}', '--headless',
                        '--convert-to', 'rtf', '--outdir', DOCS] + written, check=True, timeout=300)


if __name__ == '__main__':
    main()
