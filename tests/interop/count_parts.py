#!/usr/bin/env python3
"""Counts the parts of a document as LibreOffice read it, and compares an original with
the copy Penwick saved.

    count_parts.py count FILE.fodt [FILE.txt]        one document's counts, as JSON
    count_parts.py report [--ignore-picture-bytes] CASE_DIR...

A case folder holds name (the file's name), orig.fodt/orig.txt (LibreOffice's reading
of the untouched file), saved.fodt/saved.txt (its reading of Penwick's save), and
optionally notes (one remark a line) and error (why the case could not run).
report prints one table, the differences under it, and exits 1 when any case fails."""
import base64
import hashlib
import json
import os
import sys
import xml.etree.ElementTree as ET

NS = {
    'office': 'urn:oasis:names:tc:opendocument:xmlns:office:1.0',
    'style': 'urn:oasis:names:tc:opendocument:xmlns:style:1.0',
    'text': 'urn:oasis:names:tc:opendocument:xmlns:text:1.0',
    'table': 'urn:oasis:names:tc:opendocument:xmlns:table:1.0',
    'draw': 'urn:oasis:names:tc:opendocument:xmlns:drawing:1.0',
    'fo': 'urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0',
    'loext': 'urn:org:documentfoundation:names:experimental:office:xmlns:loext:1.0',
}


def q(name):
    prefix, local = name.split(':')
    return '{%s}%s' % (NS[prefix], local)


# Elements that LibreOffice turns RTF fields into; the hyperlink is text:a.
FIELDS = ['text:a', 'text:page-number', 'text:page-count', 'text:date', 'text:time', 'text:bookmark-ref',
          'text:reference-ref', 'text:note-ref', 'text:sequence', 'text:sequence-ref', 'text:author-name',
          'text:author-initials', 'text:file-name', 'text:title', 'text:subject', 'text:user-field-get',
          'text:variable-get', 'text:variable-set', 'text:chapter', 'text:word-count', 'text:character-count',
          'text:creation-date', 'text:modification-date', 'text:print-date', 'text:initial-creator',
          'text:creator', 'text:user-defined', 'text:placeholder', 'text:drop-down', 'text:text-input',
          'text:conditional-text', 'text:hidden-text', 'text:database-display', 'text:expression',
          'text:bibliography-mark', 'text:alphabetical-index-mark', 'text:toc-mark']
HEADERS = ['style:header', 'style:header-left', 'style:header-first']
FOOTERS = ['style:footer', 'style:footer-left', 'style:footer-first']


def has_content(element):
    """A header holds something when it has text or any field, picture or table in it."""
    if ''.join(element.itertext()).strip():
        return True
    return any(child.tag not in (q('text:p'), q('text:h')) or len(child) for child in element.iter()
               if child is not element)


def text_kinds(props):
    """The character formats one merged set of text properties stands for."""
    kinds = set()
    get = props.get
    weight = get(q('fo:font-weight'), 'normal')
    if weight == 'bold' or (weight.isdigit() and int(weight) >= 600):
        kinds.add('bold')
    if get(q('fo:font-style'), 'normal') in ('italic', 'oblique'):
        kinds.add('italic')
    underline = get(q('style:text-underline-style'), 'none')
    if underline != 'none':
        kind = 'underline' if underline == 'solid' else 'underline-' + underline
        if get(q('style:text-underline-type')) == 'double':
            kind += '-double'
        kinds.add(kind)
    if get(q('style:text-line-through-style'), 'none') != 'none':
        double = get(q('style:text-line-through-type')) == 'double'
        kinds.add('strike-double' if double else 'strike')
    position = get(q('style:text-position'), '0%').split()[0]
    if position == 'super' or (position.endswith('%') and position[:-1].lstrip('-').replace('.', '').isdigit()
                               and float(position[:-1]) > 0):
        kinds.add('superscript')
    elif position == 'sub' or (position.endswith('%') and position.startswith('-')):
        kinds.add('subscript')
    if get(q('fo:font-variant')) == 'small-caps':
        kinds.add('small-caps')
    if get(q('fo:text-transform')) == 'uppercase':
        kinds.add('all-caps')
    if get(q('text:display')) == 'none':
        kinds.add('hidden')
    if get(q('fo:background-color'), 'transparent') not in ('transparent', '#ffffff'):
        kinds.add('background')
    if get(q('loext:char-shading-value'), '0') != '0':
        kinds.add('shading')
    if get(q('fo:color'), '#000000') != '#000000':
        kinds.add('colour')
    return kinds


class Styles:
    """Text properties of every paragraph and text style, parents merged in."""

    def __init__(self, root):
        self.own = {}
        self.parent = {}
        for container in ('office:styles', 'office:automatic-styles'):
            for holder in root.iter(q(container)):
                for style in holder.findall(q('style:style')):
                    name = style.get(q('style:name'))
                    family = style.get(q('style:family'))
                    if family not in ('paragraph', 'text'):
                        continue
                    props = style.find(q('style:text-properties'))
                    self.own[(family, name)] = dict(props.attrib) if props is not None else {}
                    self.parent[(family, name)] = style.get(q('style:parent-style-name'))
        self.defaults = {}
        for default in root.iter(q('style:default-style')):
            if default.get(q('style:family')) == 'paragraph':
                props = default.find(q('style:text-properties'))
                self.defaults = dict(props.attrib) if props is not None else {}

    def merged(self, family, name):
        chain = []
        seen = set()
        while name and (family, name) in self.own and name not in seen:
            seen.add(name)
            chain.append(self.own[(family, name)])
            name = self.parent[(family, name)]
        props = {}
        for own in reversed(chain):
            props.update(own)
        return props


def format_kinds(root, styles):
    """Characters of body text under each format, from direct formatting and styles alike."""
    counts = {}

    def add(text, props):
        visible = len(''.join((text or '').split()))
        if visible:
            for kind in text_kinds(props):
                counts[kind] = counts.get(kind, 0) + visible

    def walk(element, props):
        name = element.get(q('text:style-name'))
        if element.tag in (q('text:p'), q('text:h')):
            props = dict(styles.defaults, **styles.merged('paragraph', name))
        elif element.tag in (q('text:span'), q('text:a')) and name:
            props = dict(props, **styles.merged('text', name))
        if element.tag != q('text:note-citation'):
            add(element.text, props)
        for child in element:
            walk(child, props)
            add(child.tail, props)

    for body in root.iter(q('office:text')):
        walk(body, dict(styles.defaults))
    return counts


def list_items(root):
    """List items that show a number or bullet, and those that show nothing (LibreOffice
    puts outline-numbered headings in lists with an empty label)."""
    labelled = {}
    for list_style in root.iter(q('text:list-style')):
        levels = {}
        for level in list_style:
            number = level.get(q('text:level'))
            if level.tag == q('text:list-level-style-bullet'):
                levels[number] = True
            elif level.tag == q('text:list-level-style-number'):
                levels[number] = bool(level.get(q('style:num-format')) or level.get(q('style:num-prefix'))
                                      or level.get(q('style:num-suffix')))
            else:
                levels[number] = True
        labelled[list_style.get(q('style:name'))] = levels
    shown = unshown = 0

    def walk(element, style, depth):
        nonlocal shown, unshown
        for child in element:
            if child.tag == q('text:list'):
                walk(child, child.get(q('text:style-name')) or style, depth + 1)
            elif child.tag == q('text:list-item'):
                # An item holding only a nested list is a level's placeholder, not an item.
                if any(grand.tag != q('text:list') for grand in child):
                    if labelled.get(style, {}).get(str(depth), True):
                        shown += 1
                    else:
                        unshown += 1
                walk(child, style, depth)
            else:
                walk(child, style, depth)

    walk(root, None, 0)
    return shown, unshown


def count(fodt_path, txt_path=None):
    root = ET.parse(fodt_path).getroot()
    result = {}
    frames = [f for f in root.iter(q('draw:frame')) if f.find(q('draw:image')) is not None]
    result['pictures'] = len(frames)
    digests = []
    for frame in frames:
        data = frame.find(q('draw:image')).find(q('office:binary-data'))
        if data is not None and data.text:
            digests.append(hashlib.sha1(base64.b64decode(''.join(data.text.split()))).hexdigest())
    result['picture_sha1'] = sorted(digests)
    result['tables'] = sum(1 for _ in root.iter(q('table:table')))
    result['cells'] = sum(1 for _ in root.iter(q('table:table-cell')))
    result['covered_cells'] = sum(1 for _ in root.iter(q('table:covered-table-cell')))
    notes = list(root.iter(q('text:note')))
    result['footnotes'] = sum(1 for n in notes if n.get(q('text:note-class')) == 'footnote')
    result['endnotes'] = sum(1 for n in notes if n.get(q('text:note-class')) == 'endnote')
    result['list_items'], result['unlabelled_list_items'] = list_items(root)
    result['headers'] = sum(1 for tag in HEADERS for e in root.iter(q(tag)) if has_content(e))
    result['footers'] = sum(1 for tag in FOOTERS for e in root.iter(q(tag)) if has_content(e))
    result['bookmarks'] = sorted(e.get(q('text:name')) for tag in ('text:bookmark', 'text:bookmark-start')
                                 for e in root.iter(q(tag)))
    fields = {}
    for tag in FIELDS:
        found = sum(1 for _ in root.iter(q(tag)))
        if found:
            fields[tag.split(':')[1]] = found
    result['fields'] = fields
    result['formats'] = format_kinds(root, Styles(root))
    # The plain-text export leaves out notes, headers and footers, so their words come from here.
    margins = [e for tag in HEADERS + FOOTERS for e in root.iter(q(tag))] + list(root.iter(q('text:note-body')))
    result['note_words'] = [w for e in margins for w in ''.join(e.itertext()).split()]
    if txt_path:
        with open(txt_path, encoding='utf-8-sig', errors='replace') as source:
            result['words'] = source.read().split()
    return result


# --- the report ------------------------------------------------------------------------

def first_difference(a, b):
    for i, (x, y) in enumerate(zip(a, b)):
        if x != y:
            return i
    return None if len(a) == len(b) else min(len(a), len(b))


def context(words, at, span=4):
    part = words[max(0, at - span):at + span + 1]
    return ' '.join(part) if part else '(end)'


def arrow(a, b):
    return f'{a}' if a == b else f'{a}→{b}'


def compare(case, ignore_picture_bytes):
    """Returns the table cells, the lines explaining them, and whether the case passed."""
    def read(name):
        path = os.path.join(case, name)
        if os.path.exists(path):
            with open(path, encoding='utf-8', errors='replace') as source:
                return source.read().strip()
        return ''

    name = read('name') or os.path.basename(case)
    notes = [line for line in read('notes').splitlines() if line]
    error = read('error')
    cells = {'file': name}
    if error:
        return cells, [f'  ERROR: {error}'] + [f'  note: {n}' for n in notes], False
    try:
        orig = count(os.path.join(case, 'orig.fodt'), os.path.join(case, 'orig.txt'))
        saved = count(os.path.join(case, 'saved.fodt'), os.path.join(case, 'saved.txt'))
    except (OSError, ET.ParseError) as problem:
        return cells, [f'  ERROR: could not read LibreOffice output: {problem}'], False

    lines = []
    passed = True
    for key, label in [('pictures', 'pics'), ('tables', 'tables'), ('cells', 'cells'),
                       ('covered_cells', 'covered'), ('footnotes', 'fnotes'), ('endnotes', 'enotes'),
                       ('list_items', 'list'), ('headers', 'hdr'), ('footers', 'ftr')]:
        cells[label] = arrow(orig[key], saved[key])
        passed &= orig[key] == saved[key]
    if orig['unlabelled_list_items'] != saved['unlabelled_list_items']:
        lines.append(f"  list items without a label: {orig['unlabelled_list_items']}→{saved['unlabelled_list_items']}"
                     ' (not counted against the file)')

    kept = sum(1 for d in orig['picture_sha1'] if d in saved['picture_sha1'])
    total = len(orig['picture_sha1'])
    cells['pic-bytes'] = f'{kept}/{total}' if total else '-'
    if kept != total:
        lines.append(f'  picture bytes: {total - kept} of {total} pictures did not come back byte for byte'
                     + (' (ignored)' if ignore_picture_bytes else ''))
        passed &= ignore_picture_bytes

    cells['bkmk'] = arrow(len(orig['bookmarks']), len(saved['bookmarks']))
    if orig['bookmarks'] != saved['bookmarks']:
        passed = False
        lost = sorted(set(orig['bookmarks']) - set(saved['bookmarks']))
        gained = sorted(set(saved['bookmarks']) - set(orig['bookmarks']))
        lines.append(f'  bookmarks lost: {lost or "-"}; gained: {gained or "-"}')

    cells['fields'] = arrow(sum(orig['fields'].values()), sum(saved['fields'].values()))
    if orig['fields'] != saved['fields']:
        passed = False
        lines.append(f"  fields: {orig['fields']} → {saved['fields']}")

    # Formats that appear only after the save are often a style turned into direct
    # formatting; only the lost ones count against the file.
    lost = sorted(set(orig['formats']) - set(saved['formats']))
    gained = sorted(set(saved['formats']) - set(orig['formats']))
    cells['formats'] = arrow(len(orig['formats']), len(saved['formats']) - len(gained))
    if lost:
        passed = False
        lines.append(f'  formats lost: {", ".join(lost)}')
    if gained:
        lines.append(f'  formats gained (not counted against the file): {", ".join(gained)}')

    cells['words'] = arrow(len(orig['words']), len(saved['words']))
    at = first_difference(orig['words'], saved['words'])
    if at is not None:
        passed = False
        lines.append(f'  words differ from word {at + 1}: original "…{context(orig["words"], at)}…"'
                     f' / saved "…{context(saved["words"], at)}…"')
    cells['nhf-words'] = arrow(len(orig['note_words']), len(saved['note_words']))
    at = first_difference(orig['note_words'], saved['note_words'])
    if at is not None:
        passed = False
        lines.append(f'  words of notes, headers and footers differ from word {at + 1}: original'
                     f' "…{context(orig["note_words"], at)}…" / saved "…{context(saved["note_words"], at)}…"')
    lines.extend(f'  note: {n}' for n in notes)
    return cells, lines, passed


COLUMNS = ['file', 'pics', 'pic-bytes', 'tables', 'cells', 'covered', 'fnotes', 'enotes', 'list', 'hdr', 'ftr',
           'bkmk', 'fields', 'formats', 'words', 'nhf-words', 'result']
LEGEND = '''pics: pictures; pic-bytes: pictures whose bytes came back unchanged; cells/covered: table cells and
cells hidden by merging; fnotes/enotes: footnotes/endnotes; list: numbered or bulleted items; hdr/ftr: headers
and footers with content; bkmk: bookmarks; fields: hyperlinks, page numbers, dates, references...; formats:
kinds of character formatting; words: of the body (LibreOffice's plain text); nhf-words: of notes, headers, footers'''


def report(cases, ignore_picture_bytes):
    rows, details, failed = [], [], 0
    for case in cases:
        cells, lines, passed = compare(case, ignore_picture_bytes)
        cells['result'] = 'PASS' if passed else 'FAIL'
        failed += not passed
        rows.append(cells)
        if lines:
            details.append((cells['file'], lines))
    widths = {c: max(len(c), *(len(str(r.get(c, ''))) for r in rows)) for c in COLUMNS}
    print('Counts as LibreOffice reads them: original→after Penwick saved it (one number when equal)')
    print(LEGEND + '\n')
    print('  '.join(c.ljust(widths[c]) for c in COLUMNS).rstrip())
    for row in rows:
        print('  '.join(str(row.get(c, '')).ljust(widths[c]) for c in COLUMNS).rstrip())
    for name, lines in details:
        print(f'\n{name}:')
        print('\n'.join(lines))
    print()
    for row in rows:
        print(f"{row['result']}: {row['file']}")
    print(f'{len(rows) - failed} passed, {failed} failed')
    return 1 if failed else 0


def main(argv):
    if len(argv) >= 2 and argv[0] == 'count':
        data = count(argv[1], argv[2] if len(argv) > 2 else None)
        data.pop('words', None)
        data.pop('note_words', None)
        print(json.dumps(data, indent=1, sort_keys=True))
        return 0
    if argv and argv[0] == 'report':
        rest = argv[1:]
        ignore = '--ignore-picture-bytes' in rest
        cases = [a for a in rest if a != '--ignore-picture-bytes']
        if cases:
            return report(cases, ignore)
    print(__doc__.strip(), file=sys.stderr)
    return 2


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
